// TfrmImportFavorites: shows the browser's bookmark file ("bookmark.htm" in the
// user's profile folder, "bookmarks.html" in a Unix one) as a tree of folders and links with check boxes, and adds
// every checked link as a new favorite.  Links that are already favorites are
// marked and cannot be checked.  The file is read again each time the dialog is
// shown.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TFavorites;

namespace ui {

// Check states of the tree's items.
enum TImportState : int {
  isUnchecked = 1,
  isChecked = 2,
  isPartlyChecked = 3,  // a folder whose checkable children differ
  isPresent = 4,        // a favorite already (or imported): cannot be checked
};

class TfrmImportFavorites : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmImportFavorites(QWidget* parent = nullptr);
  ~TfrmImportFavorites() override;

  void SetFavorites(TFavorites* favorites) { favorites_ = favorites; }
  TFavorites* Favorites() const { return favorites_; }
  // The bookmark file to read ("" when no profile is known): the current profile's
  // "bookmark.htm" unless the main window (its cache's profile) or a test replaces it.
  std::function<std::string()> BookmarkFile;

  // Fills the tree from the bookmark file (done on every show).
  void LoadBookmarks();
  // Empties the tree (done on close).
  void ClearBookmarks();
  // A click on the check box or the space key: 1 becomes 2, 2 and 3 become 1, 4
  // stays; the subtree follows and the parents are brought in line.
  void ToggleItem(QTreeWidgetItem* item);
  void btnImportClick();
  // Closing: the tree is emptied (the next show reads the file again).
  void done(int result) override;

  static int StateOf(const QTreeWidgetItem* item);
  // The link's URL; "" for a folder.
  static std::string UrlOf(const QTreeWidgetItem* item);

  QTreeWidget* tvwFavorites;
  QPushButton* btnImport;
  QPushButton* btnClose;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ReadFile(const std::string& path);

  TFavorites* favorites_ = nullptr;
};

}  // namespace ui
