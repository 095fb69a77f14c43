// TfrmBrowse: picks the folder where a search starts, in a tree of the cache's
// folders of its own.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;
class TWebCacheTree;

namespace ui {

class TCacheTreeView;

class TfrmBrowse : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmBrowse(QWidget* parent = nullptr);
  ~TfrmBrowse() override;

  // Remembers the text to select and fills the tree from the model.
  void SetBrowseStart(TWebCacheTree* tree, const std::string& text);
  // The folder URL of the selected node, "Web Cache" for the root.
  std::string GetBrowseResult() const;

  QTreeWidget* FolderTree() const { return lvwFolder_; }
  TCacheTreeView* FindFolderTree() const { return FindFolderTree_.get(); }
  QPushButton* OkButton() const { return btnOk_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  std::unique_ptr<TCacheTreeView> FindFolderTree_;
  std::string startText_;
  QTreeWidget* lvwFolder_;
  QPushButton* btnOk_;
  QPushButton* btnCancel_;
};

}  // namespace ui
