#include "ui/main/cache_list_control.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

namespace ui {

// ---------------------------------------------------------------------------
// CacheListModel
// ---------------------------------------------------------------------------

CacheListModel::CacheListModel(QObject* parent) : QAbstractTableModel(parent) {
  headers_ << QStringLiteral("名前") << QStringLiteral("URL名")
           << QStringLiteral("タイトル") << QStringLiteral("サイズ")
           << QStringLiteral("種類") << QStringLiteral("更新日時");
}

int CacheListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int CacheListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kListColumnCount;
}

QVariant CacheListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const CacheListItem& item = Item(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return item.text[index.column()];
    case Qt::DecorationRole:
      if (index.column() == 0 && item.image >= 0 && item.image < ImageCount())
        return useLarge_ ? large_[static_cast<std::size_t>(item.image)]
                         : small_[static_cast<std::size_t>(item.image)];
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == 3)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default:
      return {};
  }
}

QVariant CacheListModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || section < 0 || section >= kListColumnCount) return {};
  if (role == Qt::DisplayRole) return headers_[section];
  if (role == Qt::TextAlignmentRole && section == 3)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

void CacheListModel::SetHeaderText(int section, const QString& text) {
  if (section < 0 || section >= kListColumnCount) return;
  headers_[section] = text;
  emit headerDataChanged(Qt::Horizontal, section, section);
}

Qt::ItemFlags CacheListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Read-only items; dragging out is the window's own business.
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void CacheListModel::ReplaceAll(std::vector<CacheListItem> items) {
  beginResetModel();
  items_ = std::move(items);
  endResetModel();
}

void CacheListModel::Append(CacheListItem item) {
  const int row = Count();
  beginInsertRows({}, row, row);
  items_.push_back(std::move(item));
  endInsertRows();
}

void CacheListModel::RemoveRow(int row) {
  if (row < 0 || row >= Count()) return;
  beginRemoveRows({}, row, row);
  items_.erase(items_.begin() + row);
  endRemoveRows();
}

void CacheListModel::Clear() {
  beginResetModel();
  items_.clear();
  endResetModel();
}

void CacheListModel::ForgetNodes() {
  for (CacheListItem& item : items_) item.node = nullptr;
}

void CacheListModel::ReorderRows(const std::vector<int>& order) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRowOf(order.size());
  for (std::size_t newRow = 0; newRow < order.size(); ++newRow)
    newRowOf[static_cast<std::size_t>(order[newRow])] = static_cast<int>(newRow);
  const QModelIndexList oldList = persistentIndexList();
  QModelIndexList newList;
  newList.reserve(oldList.size());
  for (const QModelIndex& idx : oldList) {
    if (idx.isValid() && idx.row() < Count())
      newList.append(index(newRowOf[static_cast<std::size_t>(idx.row())], idx.column()));
    else
      newList.append(QModelIndex());
  }
  std::vector<CacheListItem> sorted;
  sorted.reserve(items_.size());
  for (int from : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(from)]));
  items_ = std::move(sorted);
  changePersistentIndexList(oldList, newList);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CacheListModel::ClearImages() {
  small_.clear();
  large_.clear();
  if (Count() > 0) emit dataChanged(index(0, 0), index(Count() - 1, 0));
}

int CacheListModel::AddImage(const QIcon& smallIcon, const QIcon& largeIcon) {
  small_.push_back(smallIcon);
  large_.push_back(largeIcon);
  return static_cast<int>(small_.size()) - 1;
}

void CacheListModel::SetLargeImages(bool large) {
  if (useLarge_ == large) return;
  useLarge_ = large;
  if (Count() > 0) emit dataChanged(index(0, 0), index(Count() - 1, 0));
}

// ---------------------------------------------------------------------------
// CacheListControl
// ---------------------------------------------------------------------------

namespace {

// The details view.  A rubber band that starts in the blank area right of the last
// column would reach no item at its corner, and the tree view then selects to the end
// of the list; the band is kept inside the columns so that it selects exactly the
// rows it crosses.
class TDetailsView : public QTreeView {
 public:
  using QTreeView::QTreeView;

 protected:
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override {
    QRect band = rect.normalized();
    const int right = header()->length() - header()->offset() - 1;
    if (right >= 0) {
      band.setLeft(std::min(band.left(), right));
      band.setRight(std::min(band.right(), right));
    }
    QTreeView::setSelection(band, command);
  }
};

}  // namespace

CacheListControl::CacheListControl(QWidget* parent)
    : QStackedWidget(parent),
      model_(new CacheListModel(this)),
      selection_(new QItemSelectionModel(model_, this)),
      details_(new TDetailsView(this)),
      icons_(new QListView(this)) {
  details_->setObjectName(QStringLiteral("lvwCacheDetails"));
  icons_->setObjectName(QStringLiteral("lvwCacheIcons"));
  for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(details_),
                               static_cast<QAbstractItemView*>(icons_)}) {
    v->setModel(model_);
    v->setSelectionModel(selection_);
    v->setSelectionMode(QAbstractItemView::ExtendedSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setContextMenuPolicy(Qt::CustomContextMenu);
    v->installEventFilter(this);
    v->viewport()->installEventFilter(this);
    connect(v, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& idx) {
      if (idx.isValid()) emit ItemActivated(idx.row());
    });
    connect(v, &QWidget::customContextMenuRequested, this, [this, v](const QPoint& p) {
      emit ContextMenuAt(v->viewport()->mapToGlobal(p));
    });
  }
  details_->setRootIsDecorated(false);
  details_->setItemsExpandable(false);
  details_->setUniformRowHeights(true);
  details_->setAllColumnsShowFocus(true);
  details_->setSelectionBehavior(QAbstractItemView::SelectRows);
  details_->setSortingEnabled(false);
  details_->header()->setSectionsClickable(true);
  details_->header()->setSectionsMovable(false);
  details_->header()->setStretchLastSection(false);
  details_->header()->setSortIndicatorShown(true);
  connect(details_->header(), &QHeaderView::sectionClicked, this,
          &CacheListControl::ColumnClicked);
  static const int kWidths[kListColumnCount] = {200, 100, 200, 70, 150, 90};
  for (int c = 0; c < kListColumnCount; ++c) details_->setColumnWidth(c, kWidths[c]);

  icons_->setUniformItemSizes(true);
  icons_->setResizeMode(QListView::Adjust);
  icons_->setMovement(QListView::Static);

  addWidget(details_);
  addWidget(icons_);
  connect(selection_, &QItemSelectionModel::selectionChanged, this,
          &CacheListControl::SelectionChangedRows);
  SetViewStyle(TViewStyle::Report);
}

QAbstractItemView* CacheListControl::CurrentView() const {
  return style_ == TViewStyle::Report ? static_cast<QAbstractItemView*>(details_)
                                      : static_cast<QAbstractItemView*>(icons_);
}

void CacheListControl::SetViewStyle(TViewStyle style) {
  const bool hadFocus = CurrentView()->hasFocus();
  style_ = style;
  switch (style) {
    case TViewStyle::LargeIcon:
      icons_->setViewMode(QListView::IconMode);
      icons_->setFlow(QListView::LeftToRight);
      icons_->setWrapping(true);
      icons_->setIconSize(QSize(32, 32));
      icons_->setGridSize(QSize(96, 64));
      icons_->setWordWrap(true);
      model_->SetLargeImages(true);
      break;
    case TViewStyle::SmallIcon:
      icons_->setViewMode(QListView::ListMode);
      icons_->setFlow(QListView::LeftToRight);
      icons_->setWrapping(true);
      icons_->setIconSize(QSize(16, 16));
      icons_->setGridSize(QSize(160, 20));
      icons_->setWordWrap(false);
      model_->SetLargeImages(false);
      break;
    case TViewStyle::List:
      icons_->setViewMode(QListView::ListMode);
      icons_->setFlow(QListView::TopToBottom);
      icons_->setWrapping(true);
      icons_->setIconSize(QSize(16, 16));
      icons_->setGridSize(QSize(200, 20));
      icons_->setWordWrap(false);
      model_->SetLargeImages(false);
      break;
    case TViewStyle::Report:
      details_->setIconSize(QSize(16, 16));
      model_->SetLargeImages(false);
      break;
  }
  icons_->setMovement(QListView::Static);
  setCurrentWidget(CurrentView());
  if (hadFocus) CurrentView()->setFocus();
}

void CacheListControl::SetAutoArrange(bool on) {
  autoArrange_ = on;
  icons_->setResizeMode(on ? QListView::Adjust : QListView::Fixed);
  if (on) Arrange();
}

void CacheListControl::Arrange() { icons_->doItemsLayout(); }

int CacheListControl::ColumnWidth(int column) const { return details_->columnWidth(column); }

void CacheListControl::SetColumnWidth(int column, int width) {
  details_->setColumnWidth(column, width);
}

bool CacheListControl::IsSelected(int row) const {
  return selection_->isSelected(model_->index(row, 0));
}

std::vector<int> CacheListControl::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& idx : selection_->selectedIndexes())
    if (idx.column() == 0) rows.push_back(idx.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int CacheListControl::SelectedCount() const {
  int n = 0;
  for (const QModelIndex& idx : selection_->selectedIndexes())
    if (idx.column() == 0) ++n;
  return n;
}

void CacheListControl::SetSelected(int row, bool selected) {
  if (row < 0 || row >= model_->Count()) return;
  // Selecting a row that is selected already would split the selection's range
  // around it; thousands of such pieces make every repaint of the list crawl.
  if (selection_->isRowSelected(row) == selected) return;
  selection_->select(model_->index(row, 0),
                     (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                         QItemSelectionModel::Rows);
}

void CacheListControl::SelectAll() {
  if (model_->Count() == 0) return;
  QItemSelection all(model_->index(0, 0),
                     model_->index(model_->Count() - 1, kListColumnCount - 1));
  selection_->select(all, QItemSelectionModel::Select);
}

void CacheListControl::InvertSelection() {
  if (model_->Count() == 0) return;
  QItemSelection all(model_->index(0, 0),
                     model_->index(model_->Count() - 1, kListColumnCount - 1));
  selection_->select(all, QItemSelectionModel::Toggle);
}

int CacheListControl::FocusedRow() const {
  QModelIndex cur = selection_->currentIndex();
  return cur.isValid() ? cur.row() : -1;
}

void CacheListControl::SetFocusedRow(int row) {
  if (row < 0 || row >= model_->Count()) {
    selection_->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  selection_->setCurrentIndex(model_->index(row, 0), QItemSelectionModel::NoUpdate);
}

int CacheListControl::RowAt(const QPoint& posInControl) const {
  QAbstractItemView* v = CurrentView();
  QPoint p = v->viewport()->mapFrom(this, posInControl);
  QModelIndex idx = v->indexAt(p);
  return idx.isValid() ? idx.row() : -1;
}

bool CacheListControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == details_ || watched == icons_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        emit EnterPressed();
        return true;  // consumed: Enter acts as a double-click
      }
    } else if (event->type() == QEvent::FocusIn) {
      emit FocusEntered();
    }
  }
  return QStackedWidget::eventFilter(watched, event);
}

}  // namespace ui
