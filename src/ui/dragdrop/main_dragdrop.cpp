// The main window's drag of cache objects out to other programs and its clipboard
// copy: the selection is gathered and given paths in a fresh temporary folder, and
// the objects are copied there with the copy engine only when the drop is confirmed
// (or at once for the clipboard).  The panes themselves refuse every drop.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTreeWidget>

#include "common/url.h"
#include "tree/copy_engine.h"
#include "ui/dialogs/confirm_overwrite_dialog.h"
#include "ui/dragdrop/drag_start_filter.h"
#include "ui/dragdrop/file_drag_source.h"
#include "ui/dragdrop/file_drop_target.h"
#include "ui/dragdrop/main_drag.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui/main/window_copy_callbacks.h"

namespace ui {

void TfrmMain::CreateDragDrop() {
  drag_ = std::make_unique<TMainDrag>();
  TMainDrag& d = *drag_;
  d.dfsCache = new TFileDragSource(this);
  d.dfsCache->setObjectName(QStringLiteral("dfsCache"));
  d.dfsCache->Source().OnDrop = [this](TDropSource&, TDragType type, bool& go) {
    dfsCacheDrop(type, go);
  };
  d.dfsCache->Source().OnFeedback = [this](TDropSource&, std::uint32_t effect, bool& useDefault) {
    dfsCacheFeedback(effect, useDefault);
  };

  // Nothing can be dropped onto the panes: both targets answer no effect.
  auto refuse = [](TDropTarget&, std::uint32_t, TDropPoint, std::uint32_t& effect) {
    effect = ole::DROPEFFECT_NONE;
  };
  d.dftCacheTree = new TFileDropTarget(this);
  d.dftCacheTree->setObjectName(QStringLiteral("dftCacheTree"));
  d.dftCacheTree->Target().OnGetDropEffect = refuse;
  d.dftCacheTree->Register(W.tvwCache);
  d.dftCacheList = new TFileDropTarget(this);
  d.dftCacheList->setObjectName(QStringLiteral("dftCacheList"));
  d.dftCacheList->Target().OnGetDropEffect = refuse;
  d.dftCacheList->Register(W.lvwCache, [list = W.lvwCache] { return list->CurrentView(); });

  d.Press = new TDragStartFilter(
      [this](QWidget* pane, QPoint press) {
        return pane == W.tvwCache->viewport() ? tvwCacheStartDrag(press) : lvwCacheStartDrag(press);
      },
      this);
  d.Press->Watch(W.tvwCache->viewport());
  d.Press->Watch(W.lvwCache->DetailsView()->viewport());
  d.Press->Watch(W.lvwCache->IconView()->viewport());

  SetActionHandler(A.actFileCopy, [this] { actFileCopyExecute(); });
  SetActionHandler(A.actFileCopy2, [this] { actFileCopyExecute(); });
}

void TfrmMain::DestroyDragDrop() {
  if (!drag_) return;
  // The targets let go of the panes; the last temporary folder goes with the state.
  for (TFileDropTarget* target : {drag_->dftCacheTree, drag_->dftCacheList}) {
    try {
      target->Unregister();
    } catch (const EDropTargetError&) {
      // The pane is going anyway; a destructor has nobody to tell.
    }
  }
  drag_.reset();
}

void TfrmMain::ForgetDragNodes() {
  if (drag_) drag_->ForgetNodes();
}

bool TfrmMain::tvwCacheStartDrag(QPoint press) {
  TMainDrag& d = *drag_;
  if (d.FDragging || W.tvwCache->topLevelItemCount() == 0) return false;
  QTreeWidgetItem* root = W.tvwCache->topLevelItem(0);
  if (W.tvwCache->topLevelItemCount() == 1 && root->childCount() == 0) return false;
  QTreeWidgetItem* item = W.tvwCache->itemAt(press);
  if (!item || item != W.tvwCache->currentItem()) return false;
  PrepareDragFiles();
  StartDrag();
  return true;
}

bool TfrmMain::lvwCacheStartDrag(QPoint press) {
  TMainDrag& d = *drag_;
  if (d.FDragging) return false;
  // A press beside the items draws a selection rectangle; with nothing selected there
  // is nothing to drag.
  QAbstractItemView* view = W.lvwCache->CurrentView();
  if (!view->indexAt(press).isValid() || W.lvwCache->SelectedRows().empty()) return false;
  PrepareDragFiles();
  StartDrag();
  return true;
}

void TfrmMain::PrepareDragFiles() {
  TMainDrag& d = *drag_;
  d.FDragNodes.clear();
  QTreeWidgetItem* selected = W.tvwCache->currentItem();
  if (!TreeHasFocus()) {
    for (int row : W.lvwCache->SelectedRows())
      if (TWebCacheTreeNode* node = W.lvwCache->Model()->Item(row).node)
        d.FDragNodes.push_back(node);
    d.FDragBaseUrl = FListPane->FolderUrl();
  } else if (selected && !selected->parent() && FTreePane->RootUrl().empty()) {
    // The whole cache: one entry per scheme or host.
    if (TWebCacheTreeNode* root = TCacheTreeView::NodeOf(selected))
      for (std::size_t i = 0; i < root->Count(); ++i) d.FDragNodes.push_back(root->Items(i));
    d.FDragBaseUrl.clear();
  } else {
    if (TWebCacheTreeNode* node = TCacheTreeView::NodeOf(selected)) d.FDragNodes.push_back(node);
    d.FDragBaseUrl = selected && selected->parent() ? FTreePane->GetNodeUrl(selected->parent())
                                                    : std::string();
  }
  d.FCopyList.Clear();
  for (TWebCacheTreeNode* node : d.FDragNodes) CollectFiles(node, d.FCopyList);
  d.FNodesValid = true;

  const std::string& folder = d.FTempFolder.Renew();
  std::vector<std::string>& files = d.dfsCache->Source().Files;
  files.clear();
  if (folder.empty()) return;  // no temporary folder: nothing is offered
  for (const TWebCacheTreeNode* node : d.FDragNodes)
    files.push_back(folder + EscapeFileName(node->GetDisplayName()));
}

void TfrmMain::StartDrag() {
  TMainDrag& d = *drag_;
  d.FDragging = true;
  d.Press->SetBusy(true);
  d.dfsCache->Execute(W.tvwCache->hasFocus() ? static_cast<QWidget*>(W.tvwCache)
                                             : W.lvwCache->CurrentView());
  d.Press->SetBusy(false);
  d.FDragging = false;
}

void TfrmMain::dfsCacheDrop(TDragType, bool& continueDrop) {
  TMainDrag& d = *drag_;
  if (!d.FNodesValid || d.FTempFolder.Path().empty()) {
    continueDrop = false;
    return;
  }
  BeginLongOperation();
  W.ProgressBar->setMaximum(static_cast<int>(std::max<std::size_t>(d.FCopyList.Count(), 1)));
  W.ProgressBar->setValue(0);
  W.ProgressBar->show();
  W.pnlStatus0->setText(QStringLiteral("テンポラリへコピー中..."));
  statusBar()->repaint();
  TWindowCopyCallbacks rest(this, W.ProgressBar);
  TOverwriteQuestion callbacks(*D.frmConfirmOverwrite, rest);
  int answer = kOverwriteYes;
  if (!CopyNodes(d.FTempFolder.Path(), d.FDragBaseUrl, answer, kCopyMethodBelowUrl,
                 kFolderCreationBelowUrl, d.FCopyList, callbacks))
    continueDrop = false;
  W.ProgressBar->hide();
  EndLongOperation();
  UpdateStatusBar();
}

void TfrmMain::dfsCacheFeedback(std::uint32_t, bool&) {
  // No second drag starts from the same press.
  drag_->Press->Reset();
}

void TfrmMain::actFileCopyExecute() {
  if (FavoritesHaveFocus()) return;
  PrepareDragFiles();
  bool go = true;
  dfsCacheDrop(dtCopy, go);
  if (go) drag_->dfsCache->CopyToClipboard();
}

}  // namespace ui
