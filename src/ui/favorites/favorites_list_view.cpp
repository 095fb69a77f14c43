#include "ui/favorites/favorites_list_view.h"

#include <QTreeWidget>
#include <algorithm>

#include "ui/main/ui_text.h"

namespace ui {

namespace {
constexpr int kFavoriteRole = Qt::UserRole;

void SetTexts(QTreeWidgetItem* row, const std::string& caption, const std::string& sub1,
              const std::string& sub2) {
  row->setText(0, ToQ(caption));
  row->setText(1, ToQ(sub1));
  row->setText(2, ToQ(sub2));
}
}  // namespace

TFavoriteItem* TFavoritesListView::FavoriteOf(const QTreeWidgetItem* row) {
  return row ? reinterpret_cast<TFavoriteItem*>(row->data(0, kFavoriteRole).value<quintptr>())
             : nullptr;
}

void TFavoritesListView::Clear() { list_->clear(); }

int TFavoritesListView::AddRow(const std::string& caption, const std::string& sub1,
                               const std::string& sub2, TFavoriteItem* item) {
  auto* row = new QTreeWidgetItem(list_);
  SetTexts(row, caption, sub1, sub2);
  row->setData(0, kFavoriteRole, QVariant::fromValue(reinterpret_cast<quintptr>(item)));
  return list_->topLevelItemCount() - 1;
}

int TFavoritesListView::FindRow(const TFavoriteItem* item) const {
  for (int i = 0; i < list_->topLevelItemCount(); ++i)
    if (FavoriteOf(list_->topLevelItem(i)) == item) return i;
  return -1;
}

void TFavoritesListView::SetRow(int row, const std::string& caption, const std::string& sub1,
                                const std::string& sub2) {
  if (QTreeWidgetItem* item = list_->topLevelItem(row)) SetTexts(item, caption, sub1, sub2);
}

void TFavoritesListView::DeleteRow(int row) { delete list_->takeTopLevelItem(row); }

void TFavoritesListView::Sort(const Compare& compare) {
  const int count = list_->topLevelItemCount();
  if (count < 2) return;
  QTreeWidgetItem* current = list_->currentItem();
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  QList<QTreeWidgetItem*> rows;
  rows.reserve(count);
  const bool signalsWere = list_->blockSignals(true);
  while (list_->topLevelItemCount() > 0) rows.push_back(list_->takeTopLevelItem(0));
  std::stable_sort(rows.begin(), rows.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    return compare(FavoriteOf(a), FavoriteOf(b)) < 0;
  });
  list_->addTopLevelItems(rows);
  if (current) list_->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
  for (QTreeWidgetItem* row : selected) row->setSelected(true);
  list_->blockSignals(signalsWere);
}

void TFavoritesListView::SelectOnly(int row) {
  QTreeWidgetItem* item = list_->topLevelItem(row);
  if (!item) return;
  list_->clearSelection();
  list_->setCurrentItem(item);
  item->setSelected(true);
  list_->scrollToItem(item);
}

std::vector<TFavoriteItem*> TFavoritesListView::SelectedFavorites() const {
  std::vector<TFavoriteItem*> out;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = list_->topLevelItem(i);
    if (row->isSelected()) out.push_back(FavoriteOf(row));
  }
  return out;
}

}  // namespace ui
