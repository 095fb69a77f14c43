// The main window's favorites list as the favorites store sees it: the rows of a
// tree control with three columns (title, URL, date), each row carrying the
// favorite it shows.  Sorting keeps the selection and the focused row.
#pragma once

#include <vector>

#include "favorites/favorites.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

class TFavoritesListView : public TFavoritesViewIntf {
 public:
  explicit TFavoritesListView(QTreeWidget* list) : list_(list) {}

  void Clear() override;
  int AddRow(const std::string& caption, const std::string& sub1, const std::string& sub2,
             TFavoriteItem* item) override;
  int FindRow(const TFavoriteItem* item) const override;
  void SetRow(int row, const std::string& caption, const std::string& sub1,
              const std::string& sub2) override;
  void DeleteRow(int row) override;
  void Sort(const Compare& compare) override;
  void SelectOnly(int row) override;

  static TFavoriteItem* FavoriteOf(const QTreeWidgetItem* row);
  // The favorites of the selected rows in row order.
  std::vector<TFavoriteItem*> SelectedFavorites() const;

 private:
  QTreeWidget* list_;
};

}  // namespace ui
