// The find window's commands on its hits: opening, properties, deleting through the
// model (the main window follows through the handler it had set), and the copies of
// the drag and the clipboard, which put hits flat into a temporary folder.
#include <QAbstractItemView>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QUrl>
#include <cerrno>

#include "cache/cache_entry.h"
#include "common/binary_search.h"
#include "common/file_utils.h"
#include "common/url.h"
#include "find/find_engine.h"
#include "platform/files.h"
#include "tree/copy_engine.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/confirm_delete_dialog.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/dialogs/property_dialog.h"
#include "ui/dragdrop/drag_start_filter.h"
#include "ui/dragdrop/file_drag_source.h"
#include "ui/find/browse_dialog.h"
#include "ui/find/find_window.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

TfrmFind::TOpenHook& OpenHook() {
  static TfrmFind::TOpenHook hook;
  return hook;
}

platform::FILETIME TimeOf(const TWebCacheTreeNode* node) {
  platform::FILETIME t = 0;
  platform::SystemTimeToFileTime(node->EntryInfo().LastModified, t);
  return t;
}

void ShowStop(QWidget* owner, const std::string& text, const std::string& caption) {
  ShowMessage(owner, ToQ(text), ToQ(caption), QMessageBox::Critical);
}

}  // namespace

TfrmFind::TOpenHook TfrmFind::SetOpenHook(TOpenHook hook) {
  TOpenHook old = std::move(OpenHook());
  OpenHook() = std::move(hook);
  return old;
}

void TfrmFind::OpenCachedFile(const std::string& path) {
  if (path.empty()) return;
  if (OpenHook()) {
    OpenHook()(path);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(platform::HostPath(path))));
}

std::vector<TWebCacheTreeNode*> TfrmFind::SelectedNodes() const {
  std::vector<TWebCacheTreeNode*> nodes;
  for (int row : W.lvwList->SelectedRows())
    if (TWebCacheTreeNode* node = W.lvwList->Model()->Item(row).node) nodes.push_back(node);
  return nodes;
}

void TfrmFind::actFileShowPropertyExecute() {
  std::vector<TWebCacheTreeNode*> nodes = SelectedNodes();
  if (nodes.empty()) return;
  auto* dialog = new TfrmProperty(this, std::move(nodes));
  dialog->show();
}

void TfrmFind::actFileDeleteExecute() {
  // The walk reads the model: nothing is deleted until it has ended.
  if (SearchThread_ || !FCacheTree) return;
  const std::vector<TWebCacheTreeNode*> nodes = SelectedNodes();
  if (nodes.empty()) return;
  std::vector<std::string> urls;
  for (const TWebCacheTreeNode* node : nodes)
    urls.push_back(node->GetUrlText());
  {
    TfrmConfirmDelete confirm(this, nodes);
    if (confirm.exec() != 6) return;
  }
  PreviousNodeRemoved = FCacheTree->OnNodeRemoved;
  FCacheTree->OnNodeRemoved = [this](const std::string& url) { OnHitRemoved(url); };
  // A URL may be gone already with a folder deleted before it.
  for (const std::string& url : urls) FCacheTree->DeleteUrl(url);
  FCacheTree->OnNodeRemoved = PreviousNodeRemoved;
  PreviousNodeRemoved = nullptr;
  lvwListSelectItem();
}

void TfrmFind::OnHitRemoved(const std::string& url) {
  if (BrowseDialog_ && !url.empty() && url.back() == '/')
    BrowseDialog_->FindFolderTree()->RemoveFolderUrl(url);
  const int pos = BinarySearchList(ResultIndex_, url,
                                   [](const std::string& key, const TFindItemData& item) {
                                     return platform::AnsiCompareText(key, item.Url);
                                   });
  if (pos >= 0) {
    const int row = RowOfNode(ResultIndex_[static_cast<std::size_t>(pos)].Row);
    ResultIndex_.erase(ResultIndex_.begin() + pos);
    if (row >= 0) W.lvwList->Model()->RemoveRow(row);
    ShowFoundCount(W.lvwList->Model()->Count());
  }
  if (PreviousNodeRemoved) PreviousNodeRemoved(url);
}

// ---------------------------------------------------------------------------
// Drag and clipboard copies
// ---------------------------------------------------------------------------

void TfrmFind::AddToFindCopyList(TWebCacheTreeNode* node) {
  auto compare = [](const TWebCacheTreeNode* key, const TWebCacheTreeNode* item) {
    return CompareNodesForHits(key, item);
  };
  int pos = BinarySearchList(CopyList_, node, compare);
  if (pos < 0) {
    CopyList_.insert(CopyList_.begin() + ~pos, node);
    return;
  }
  while (pos > 0 && compare(node, CopyList_[static_cast<std::size_t>(pos - 1)]) == 0) --pos;
  TWebCacheTreeNode*& there = CopyList_[static_cast<std::size_t>(pos)];
  if (node->IsFolder()) {
    CopyList_.insert(CopyList_.begin() + pos, node);
  } else if (TimeOf(node) > TimeOf(there)) {
    // One file per name goes into the flat folder: the newest.
    there = node;
  }
}

void TfrmFind::PrepareFindDrag() {
  CopyList_.clear();
  for (TWebCacheTreeNode* node : SelectedNodes()) AddToFindCopyList(node);
  if (!TempFolder_.empty()) DeleteFolderTree(TempFolder_);
  TempFolder_ = CreateWorkFolder();
  dragFiles_.clear();
  if (!TempFolder_.empty())
    for (const TWebCacheTreeNode* node : CopyList_)
      dragFiles_.push_back(TempFolder_ + EscapeFileName(node->GetDisplayName()));
  W.dfsList->Source().Files = dragFiles_;
}

bool TfrmFind::dfsListDrop() {
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  int files = 0;
  for (const TWebCacheTreeNode* node : CopyList_)
    if (!node->IsFolder()) ++files;
  W.ProgressBar->setMaximum(std::max(files, 1));
  W.ProgressBar->setValue(0);
  PlaceProgressBar();
  W.ProgressBar->show();
  W.StatusBar->clearMessage();
  W.pnlStatus0->setText(QStringLiteral("テンポラリへコピー中..."));
  W.StatusBar->repaint();
  bool ok = !TempFolder_.empty();
  if (ok) {
    for (TWebCacheTreeNode* node : CopyList_) {
      if (!CopyHitToFolder(TempFolder_, node)) {
        ok = false;
        break;
      }
    }
  }
  W.ProgressBar->hide();
  ShowFoundCount(HitCount_);
  QApplication::restoreOverrideCursor();
  setEnabled(true);
  return ok;
}

bool TfrmFind::CopyHitToFolder(const std::string& destination, TWebCacheTreeNode* node) {
  // Names go through the same escaping as the drag's file list, so that what the
  // list offers is what was written, and no name can step out of the folder.
  const std::string name = EscapeFileName(node->GetDisplayName());
  if (node->IsFolder()) {
    int files = 0;
    for (std::size_t i = 0; i < node->Count(); ++i)
      if (!node->Items(i)->IsFolder()) ++files;
    W.ProgressBar->setMaximum(W.ProgressBar->maximum() + files);
    const std::string below = destination + name + platform::kPathDelim;
    bool ok = true;
    for (std::size_t i = 0; i < node->Count() && ok; ++i)
      ok = CopyHitToFolder(below, node->Items(i));
    return ok;
  }

  W.ProgressBar->setValue(W.ProgressBar->value() + 1);
  if (W.ProgressBar->value() % 10 == 0) QApplication::processEvents();
  if (!FolderExists(destination) && !CreateFolderPath(destination)) {
    ShowStop(this, FolderCreateFailedText(destination, platform::LastError()),
             FolderCreateCaption());
    return false;
  }
  const TWebCacheEntryView entry = node->EntryInfo();
  const std::string cacheFile(entry.LocalFileName);
  const std::string target = destination + name;
  int code = 0;
  if (IsHtmlEntry(entry)) {
    TWebCacheTreeNodeCopyList none;
    code = RewriteHtmlFile(true, target, kCopyMethodBelowUrl, none, *node, "");
  } else if (!platform::CopyFileReplace(cacheFile, target)) {
    code = platform::LastError();
  }
  if (code > 0) {
    ShowStop(this, FileCopyFailedText(cacheFile, target, code), FileCopyCaption());
    return false;
  }
  platform::FILETIME utc = 0;
  const bool dated = EntryLastModifiedUtc(entry, utc);
  if (!dated) platform::SetLastError(EINVAL);
  if (!dated || !platform::SetFileLastWriteTime(target, utc)) {
    // The copy is there; only its date is wrong.
    ShowStop(this, FileDateFailedText(cacheFile, target, platform::LastError()),
             FileCopyCaption());
  }
  return true;
}

void TfrmFind::actFileCopyExecute() {
  if (W.lvwList->SelectedCount() == 0) return;
  PrepareFindDrag();
  if (dfsListDrop()) W.dfsList->CopyToClipboard();
}

bool TfrmFind::lvwListStartDrag(QPoint press) {
  // A press beside the rows draws a selection rectangle; without a selection there is
  // nothing to drag.
  if (Dragging_ || !W.lvwList->CurrentView()->indexAt(press).isValid() ||
      W.lvwList->SelectedCount() == 0)
    return false;
  PrepareFindDrag();
  Dragging_ = true;
  W.Press->SetBusy(true);
  W.dfsList->Execute(W.lvwList->CurrentView());
  W.Press->SetBusy(false);
  Dragging_ = false;
  return true;
}

}  // namespace ui
