// The list control of the cache list pane: one table model shown either by a
// details view (report style) or by an icon/list view, the way one list-view
// control offers four view styles.  The two views share the model and one
// selection, so switching styles keeps the selection and the order.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QListView>
#include <QStackedWidget>
#include <QTreeView>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_time.h"

class TWebCacheTreeNode;

namespace ui {

inline constexpr int kListColumnCount = 6;

// One item: a caption and five sub-items, an image index and the model node it
// shows (not owned).  Sort helpers are kept beside the texts so that a sort never
// converts text.
struct CacheListItem {
  TWebCacheTreeNode* node = nullptr;
  bool folder = false;
  int image = 0;
  std::uint32_t size = 0;
  platform::FILETIME time = 0;
  QString text[kListColumnCount];
  std::string ansiCaption;     // the "名前" text as CP932, for matching by name
  std::string key[kListColumnCount];  // collation keys, filled on demand
  bool haveKey[kListColumnCount] = {false, false, false, false, false, false};
};

class CacheListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit CacheListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Another caption for a column (the find window's second column is "フォルダ").
  void SetHeaderText(int section, const QString& text);

  // Batched replacement of every item (one reset for the whole refill).
  void ReplaceAll(std::vector<CacheListItem> items);
  void Append(CacheListItem item);
  void RemoveRow(int row);
  void Clear();
  // Drops every item's node reference (the model is about to be rebuilt or freed)
  // while the texts stay on screen.
  void ForgetNodes();
  // Reorders the items; selection and focus follow their items.
  template <typename Less>
  void SortBy(Less less);

  int Count() const { return static_cast<int>(items_.size()); }
  CacheListItem& Item(int row) { return items_[static_cast<std::size_t>(row)]; }
  const CacheListItem& Item(int row) const { return items_[static_cast<std::size_t>(row)]; }
  std::vector<CacheListItem>& Items() { return items_; }

  // Image lists: index i is the same picture in both sizes.
  void ClearImages();
  int AddImage(const QIcon& smallIcon, const QIcon& largeIcon);
  int ImageCount() const { return static_cast<int>(small_.size()); }
  void SetLargeImages(bool large);

 private:
  void ReorderRows(const std::vector<int>& order);

  std::vector<CacheListItem> items_;
  std::vector<QIcon> small_;
  std::vector<QIcon> large_;
  bool useLarge_ = false;
  QStringList headers_;
};

template <typename Less>
void CacheListModel::SortBy(Less less) {
  std::vector<int> order(items_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return less(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
  });
  ReorderRows(order);
}

enum class TViewStyle { LargeIcon = 0, SmallIcon = 1, List = 2, Report = 3 };

class CacheListControl : public QStackedWidget {
  Q_OBJECT
 public:
  explicit CacheListControl(QWidget* parent = nullptr);

  CacheListModel* Model() const { return model_; }
  QItemSelectionModel* Selection() const { return selection_; }
  QTreeView* DetailsView() const { return details_; }
  QListView* IconView() const { return icons_; }
  // The view currently shown.
  QAbstractItemView* CurrentView() const;

  TViewStyle ViewStyle() const { return style_; }
  void SetViewStyle(TViewStyle style);
  bool AutoArrange() const { return autoArrange_; }
  void SetAutoArrange(bool on);
  void Arrange();

  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);

  // Rows whose item is selected, in list order.
  std::vector<int> SelectedRows() const;
  int SelectedCount() const;
  bool IsSelected(int row) const;
  void SetSelected(int row, bool selected);
  void SelectAll();
  void InvertSelection();
  int FocusedRow() const;
  void SetFocusedRow(int row);  // focus state only, the selection is not touched
  int RowAt(const QPoint& posInControl) const;

 signals:
  void ColumnClicked(int column);
  void ItemActivated(int row);     // double-click on an item
  void EnterPressed();
  void SelectionChangedRows();
  void ContextMenuAt(const QPoint& globalPos);
  void FocusEntered();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CacheListModel* model_;
  QItemSelectionModel* selection_;
  QTreeView* details_;
  QListView* icons_;
  TViewStyle style_ = TViewStyle::Report;
  bool autoArrange_ = false;
};

}  // namespace ui
