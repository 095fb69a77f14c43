// The main window's commands on the selection: gathering the selected nodes, the
// properties, the delete with its confirmation, the copies to a folder, and the
// dialogs of the option and help menus.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTreeWidget>

#include "favorites/favorites.h"
#include "tree/copy_engine.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/confirm_delete_dialog.h"
#include "ui/dialogs/confirm_overwrite_dialog.h"
#include "ui/dialogs/copy_to_folder_dialog.h"
#include "ui/dialogs/def_ext_name_dialog.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/dialogs/property_dialog.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_text.h"
#include "ui/main/window_copy_callbacks.h"

namespace ui {

void TWindowCopyCallbacks::ShowError(const std::string& text, const std::string& caption) {
  ShowMessage(owner_, ToQ(text), ToQ(caption), QMessageBox::Critical);
}

void TWindowCopyCallbacks::ProgressStep() {
  bar_->setValue(bar_->value() + 1);
  bar_->repaint();
}

void TWindowCopyCallbacks::ProgressGrow() {
  bar_->setMaximum(bar_->maximum() + 1);
  bar_->repaint();
}

void TWindowCopyCallbacks::ProcessMessages() { QApplication::processEvents(); }

std::vector<TWebCacheTreeNode*> TfrmMain::CollectSelectedNodes() const {
  std::vector<TWebCacheTreeNode*> nodes;
  auto add = [&nodes](TWebCacheTreeNode* node) {
    if (node) nodes.push_back(node);
  };
  if (TreeHasFocus()) {
    add(TCacheTreeView::NodeOf(FPopupNode ? FPopupNode : W.tvwCache->currentItem()));
    return nodes;
  }
  const std::vector<int> rows = W.lvwCache->SelectedRows();
  if (!rows.empty()) {
    for (int row : rows) add(W.lvwCache->Model()->Item(row).node);
    return nodes;
  }
  add(TCacheTreeView::NodeOf(W.tvwCache->currentItem()));
  return nodes;
}

void TfrmMain::actFileShowPropertyExecute() {
  if (FavoritesHaveFocus()) return;
  std::vector<TWebCacheTreeNode*> nodes = CollectSelectedNodes();
  if (nodes.empty()) return;
  // Owned by the window; it keeps its own list and stays independent of later
  // selection changes.
  auto* dialog = new TfrmProperty(this, std::move(nodes));
  dialog->show();
}

void TfrmMain::actFileDeleteExecute() {
  if (FavoritesHaveFocus()) {
    // Del in the favorites list deletes favorites.
    if (A.actFavoritesDelete->isEnabled()) A.actFavoritesDelete->trigger();
  } else {
    DeleteSelection();
  }
  FPopupNode = nullptr;
}

void TfrmMain::RecountList() {
  FSelectedCount = 0;
  FSelectedSize = 0;
  FTotalSize = 0;
  const CacheListModel* model = W.lvwCache->Model();
  const std::vector<int> selected = W.lvwCache->SelectedRows();
  for (int row = 0; row < model->Count(); ++row) {
    const CacheListItem& item = model->Item(row);
    if (!item.folder) FTotalSize += item.size;
  }
  for (int row : selected) {
    const CacheListItem& item = model->Item(row);
    if (!item.node) continue;
    ++FSelectedCount;
    if (!item.folder) FSelectedSize += item.size;
  }
}

void TfrmMain::DeleteSelection() {
  const std::vector<TWebCacheTreeNode*> nodes = CollectSelectedNodes();
  if (nodes.empty()) return;
  {
    TfrmConfirmDelete confirm(this, nodes);
    if (confirm.exec() != 6) return;
  }
  BeginLongOperation();
  std::size_t files = 0;
  for (const TWebCacheTreeNode* node : nodes) files += TWebCacheTree::CountFiles(node);
  W.ProgressBar->setMaximum(static_cast<int>(std::max<std::size_t>(files, 1)));
  W.ProgressBar->setValue(0);
  W.ProgressBar->show();
  W.pnlStatus0->setText(QStringLiteral("削除中..."));
  statusBar()->repaint();
  deleting_ = true;
  deleteRound_.start();
  FCacheTree->DeleteNodes(nodes);
  deleting_ = false;
  // The folder shown may have gone with its last file.
  if (W.tvwCache->topLevelItemCount() == 0 ||
      W.tvwCache->topLevelItem(0)->childCount() == 0 || listStale_) {
    listStale_ = false;
    ShowSelectedFolder();
  }
  EndLongOperation();
  RecountList();
  UpdateStatusBar();
}

bool TfrmMain::CopySelectionToFolder(const std::string& destination) {
  TWebCacheTreeNodeCopyList list;
  std::string baseUrl;
  if (TreeHasFocus()) {
    QTreeWidgetItem* item = FPopupNode ? FPopupNode : W.tvwCache->currentItem();
    TWebCacheTreeNode* node = TCacheTreeView::NodeOf(item);
    if (!node) return false;
    CollectFiles(node, list);
    baseUrl = item->parent() ? FTreePane->GetNodeUrl(item->parent()) : std::string();
  } else {
    for (int row : W.lvwCache->SelectedRows())
      if (TWebCacheTreeNode* node = W.lvwCache->Model()->Item(row).node) CollectFiles(node, list);
    baseUrl = FListPane->FolderUrl();
  }
  if (list.Count() == 0) return false;

  BeginLongOperation();
  W.pnlStatus0->setText(QStringLiteral("フォルダへコピー中..."));
  statusBar()->repaint();
  W.ProgressBar->setMaximum(static_cast<int>(list.Count()));
  W.ProgressBar->setValue(0);
  W.ProgressBar->show();
  const TFavoriteItem& defaults = FFavorites->DefaultFavorite();
  TWindowCopyCallbacks rest(this, W.ProgressBar);
  TOverwriteQuestion callbacks(*D.frmConfirmOverwrite, rest);
  int answer = kOverwriteYes;
  const bool ok = CopyNodes(destination, baseUrl, answer, defaults.Method, defaults.Folder, list,
                            callbacks);
  EndLongOperation();
  UpdateStatusBar();
  return ok;
}

void TfrmMain::actFileCopyToDefaultFolderExecute() {
  CopySelectionToFolder(FFavorites->DefaultFavorite().PathName);
}

void TfrmMain::actFileCopyToFolderExecute() {
  if (D.frmCopyToFolder->exec() != 1) return;
  CopySelectionToFolder(D.frmCopyToFolder->FolderName());
}

void TfrmMain::mnuOptSetupDefExtNameClick() {
  D.frmDefExtName->ShowContentTypes(FCacheTree->ContentTypes());
  // Changed defaults give other local names: the cache is read again.
  if (D.frmDefExtName->exec() == QDialog::Accepted) actCacheRefreshExecute();
}

void TfrmMain::mnuHelpAboutClick() { D.frmAboutBox->exec(); }

}  // namespace ui
