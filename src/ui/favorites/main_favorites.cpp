// The main window's favorites: the list bound to the store, the favorites pane's
// handlers (which actions are enabled, rooting the tree at a favorite, sorting by
// column) and the favorite commands of the menu and the context menus.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QStatusBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "cache/netscape_cache.h"
#include "common/url.h"
#include "favorites/copy_favorites.h"
#include "favorites/favorites.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/confirm_overwrite_dialog.h"
#include "ui/favorites/browser_launch.h"
#include "ui/favorites/edit_favorite_dialog.h"
#include "ui/favorites/favorite_messages.h"
#include "ui/favorites/favorites_list_view.h"
#include "ui/favorites/import_favorites_dialog.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_text.h"
#include "ui/main/window_copy_callbacks.h"

namespace ui {

namespace {

// Presses and double-clicks on the favorites list (its viewport receives them).
class TFavoritesMouse : public QObject {
 public:
  explicit TFavoritesMouse(TfrmMain* window) : QObject(window), window_(window) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress ||
        event->type() == QEvent::MouseButtonDblClick) {
      window_->lvwFavoritesMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
      if (event->type() == QEvent::MouseButtonDblClick) window_->lvwFavoritesDblClick();
    } else if (event->type() == QEvent::FocusIn) {
      window_->lvwFavoritesEnter();
    }
    return false;
  }

 private:
  TfrmMain* window_;
};

}  // namespace

void TfrmMain::ConnectFavorites() {
  D.frmEditFavorite = new TfrmEditFavorite(this);
  D.frmImportFavorites = new TfrmImportFavorites(this);
  // The bookmarks of the profile whose cache is shown (Windows or Unix).
  if (auto* netscape = dynamic_cast<TNetscapeCacheSource*>(&FCacheTree->WebCache().Source()))
    D.frmImportFavorites->BookmarkFile = [netscape] { return netscape->Location().BookmarkFile; };
  FFavoritesView = std::make_unique<TFavoritesListView>(W.lvwFavorites);
  FFavorites->SetFavoritesView(FFavoritesView.get());

  auto* mouse = new TFavoritesMouse(this);
  W.lvwFavorites->viewport()->installEventFilter(mouse);
  W.lvwFavorites->installEventFilter(mouse);
  connect(W.lvwFavorites, &QTreeWidget::itemSelectionChanged, this,
          [this] { lvwFavoritesSelectItem(); });
  W.lvwFavorites->header()->setSectionsClickable(true);
  connect(W.lvwFavorites->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { lvwFavoritesColumnClick(column); });
  W.lvwFavorites->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(W.lvwFavorites, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    M.mnuPopupFavorites->popup(W.lvwFavorites->viewport()->mapToGlobal(pos));
  });
  // Del reaches the favorites through actFileDelete while their list has the focus;
  // Alt+Enter edits (the menu shows the keypad name, both Enter keys work).
  A.actFavoritesUpdate->setShortcuts(
      {QKeySequence(Qt::ALT | Qt::Key_Enter), QKeySequence(Qt::ALT | Qt::Key_Return)});

  Connect(A.actFavoritesNew, &TfrmMain::actFavoritesNewExecute);
  Connect(A.actFavoritesUpdate, &TfrmMain::actFavoritesUpdateExecute);
  Connect(A.actFavoritesDelete, &TfrmMain::actFavoritesDeleteExecute);
  Connect(A.actFavoritesSetupDefault, &TfrmMain::actFavoritesSetupDefaultExecute);
  Connect(A.actFavoritesImport, &TfrmMain::actFavoritesImportExecute);
  Connect(A.actFavoritesFromCache, &TfrmMain::actFavoritesFromCacheExecute);
  Connect(A.actFavoritesCopyFile, &TfrmMain::actFavoritesCopyFileExecute);
  Connect(A.actFavoritesMoveFile, &TfrmMain::actFavoritesMoveFileExecute);
  Connect(A.actFavoritesDisplayLocal, &TfrmMain::actFavoritesDisplayLocalExecute);
  Connect(A.actFavoritesDisplayInternet, &TfrmMain::actFavoritesDisplayInternetExecute);
  // These need no selection.
  for (QAction* a : {A.actFavoritesNew, A.actFavoritesSetupDefault, A.actFavoritesImport})
    a->setEnabled(true);
}

std::vector<TFavoriteItem*> TfrmMain::SelectedFavorites() const {
  return FFavoritesView->SelectedFavorites();
}

// ---------------------------------------------------------------------------
// The favorites pane
// ---------------------------------------------------------------------------

void TfrmMain::lvwFavoritesMouseDown(const QPoint& pos) {
  FFavMouseX = pos.x();
  FFavMouseY = pos.y();
}

void TfrmMain::lvwFavoritesDblClick() {
  // On empty space: the whole cache again.
  QTreeWidgetItem* row = W.lvwFavorites->itemAt(QPoint(FFavMouseX, FFavMouseY));
  ShowFavoriteInTree(TFavoritesListView::FavoriteOf(row));
}

void TfrmMain::lvwFavoritesSelectItem() {
  const std::size_t n = SelectedFavorites().size();
  Enable({A.actFavoritesUpdate, A.actFavoritesDelete, A.actFavoritesCopyFile,
          A.actFavoritesMoveFile, A.actFileDelete, A.actFileDelete2},
         n > 0);
  Enable({A.actFavoritesDisplayLocal, A.actFavoritesDisplayInternet, A.actCacheFind,
          A.actCacheFind2},
         n == 1);
  Enable({A.actFileCopy, A.actFileCopy2}, false);
}

void TfrmMain::lvwFavoritesEnter() {
  const std::size_t n = SelectedFavorites().size();
  Enable({A.actCacheFind, A.actCacheFind2}, n == 1);
  Enable({A.actFileDelete, A.actFileDelete2}, n > 0);
  Enable({A.actFileShowProperty, A.actFileCopy, A.actFileCopy2}, false);
}

void TfrmMain::lvwFavoritesColumnClick(int column) {
  if (column < 0 || column > 2) return;
  if (column != FFavorites->SortColumn()) {
    FFavorites->SetSortColumn(static_cast<std::uint8_t>(column));
  } else {
    FFavorites->SetSortOrder(FFavorites->SortOrder() == 0 ? 1 : 0);
  }
}

void TfrmMain::ShowFavoriteInTree(TFavoriteItem* favorite) {
  if (favorite == FShownFavorite) return;
  FShownFavorite = favorite;
  W.pnlStatus0->setText(QStringLiteral("重複ファイル名の変更中..."));
  statusBar()->repaint();
  if (favorite) {
    FCacheTree->DefaultFileName = favorite->Default;
    if (TWebCacheTreeNode* node = FCacheTree->FindFolderByUrl(favorite->UrlName))
      FCacheTree->MakeNamesUnique(node);
    FTreePane->SetRoot(favorite->Title, favorite->UrlName);
  } else {
    FCacheTree->DefaultFileName = FFavorites->DefaultFavorite().Default;
    FCacheTree->MakeNamesUnique(FCacheTree->Root());
    FTreePane->SetRoot("Web Cache", "");
  }
  UpdateStatusBar();
}

// ---------------------------------------------------------------------------
// Favorite commands
// ---------------------------------------------------------------------------

void TfrmMain::actFavoritesNewExecute() {
  auto item = std::make_unique<TFavoriteItem>();
  item->AssignFavorite(FFavorites->DefaultFavorite());
  D.frmEditFavorite->EditFavorite(item.get(), false);
  if (D.frmEditFavorite->exec() == 1) FFavorites->AddFavorite(std::move(item));
}

void TfrmMain::actFavoritesUpdateExecute() {
  const std::vector<TFavoriteItem*> selected = SelectedFavorites();
  if (selected.size() == 1) {
    D.frmEditFavorite->EditFavorite(selected.front(), false);
    if (D.frmEditFavorite->exec() == 1) FFavorites->UpdateFavorite(selected.front());
  } else if (selected.size() > 1) {
    // The focused favorite first: the dialog shows the others against it.
    std::vector<TFavoriteItem*> list;
    TFavoriteItem* focused = TFavoritesListView::FavoriteOf(W.lvwFavorites->currentItem());
    if (std::find(selected.begin(), selected.end(), focused) != selected.end())
      list.push_back(focused);
    for (TFavoriteItem* f : selected)
      if (f != focused) list.push_back(f);
    D.frmEditFavorite->EditFavorites(list);
    if (D.frmEditFavorite->exec() == 1)
      for (TFavoriteItem* f : list) FFavorites->UpdateFavorite(f);
  }

  // The tree follows the changed settings of the favorite it shows.
  const std::vector<TFavoriteItem*> now = SelectedFavorites();
  TFavoriteItem* shown = FShownFavorite;
  if (now.empty() || !shown || now.front() != shown) return;
  if (!platform::AnsiSameText(FTreePane->RootUrl(), shown->UrlName)) {
    FCacheTree->DefaultFileName = shown->Default;
    if (TWebCacheTreeNode* node = FCacheTree->FindFolderByUrl(shown->UrlName))
      FCacheTree->MakeNamesUnique(node);
    FTreePane->SetRoot(shown->Title, shown->UrlName);
  } else if (FCacheTree->DefaultFileName != shown->Default) {
    FCacheTree->DefaultFileName = shown->Default;
    if (TWebCacheTreeNode* node = FCacheTree->FindFolderByUrl(shown->UrlName))
      FCacheTree->MakeNamesUnique(node);
    FListPane->Refill();
  } else if (FTreePane->RootCaption() != shown->Title) {
    FTreePane->SetRootCaption(shown->Title);
  }
}

void TfrmMain::actFavoritesDeleteExecute() {
  const std::vector<TFavoriteItem*> selected = SelectedFavorites();
  if (selected.empty()) return;
  const QString question =
      selected.size() == 1
          ? QStringLiteral("'%1' を削除してもよろしいですか？").arg(ToQ(selected.front()->Title))
          : QStringLiteral("これら %1 のお気に入りを削除してもよろしいですか？").arg(selected.size());
  if (AskFavoriteQuestion(this, question, QStringLiteral("お気に入りの削除の確認")) != 6) return;
  for (TFavoriteItem* favorite : selected) {
    const bool shown = favorite == FShownFavorite;
    FFavorites->DeleteFavorite(favorite);
    if (shown) ShowFavoriteInTree(nullptr);
  }
}

void TfrmMain::actFavoritesSetupDefaultExecute() {
  D.frmEditFavorite->EditFavorite(&FFavorites->DefaultFavorite(), true);
  if (D.frmEditFavorite->exec() == 1) FFavorites->SaveDefaultFavorite();
}

void TfrmMain::actFavoritesImportExecute() {
  D.frmImportFavorites->SetFavorites(FFavorites.get());
  D.frmImportFavorites->exec();
}

void TfrmMain::actFavoritesFromCacheExecute() {
  auto item = std::make_unique<TFavoriteItem>();
  item->AssignFavorite(FFavorites->DefaultFavorite());
  // The tree's context menu names a node; it may have gone with a rebuild since.
  bool popupAlive = false;
  for (QTreeWidgetItemIterator it(W.tvwCache); *it && FPopupNode; ++it)
    if (*it == FPopupNode) popupAlive = true;
  if (popupAlive) {
    item->UrlName = FTreePane->GetNodeUrl(FPopupNode);
  } else {
    item->UrlName = FListPane->FolderUrl();
    const std::vector<int> rows = W.lvwCache->SelectedRows();
    if (!rows.empty()) {
      if (const TWebCacheTreeNode* node = W.lvwCache->Model()->Item(rows.front()).node) {
        item->UrlName += node->GetDisplayName();
        if (node->IsFolder()) item->UrlName += "/";
      }
    }
  }
  FPopupNode = nullptr;
  item->Title = FCacheTree->GetPageTitle(item->UrlName);
  D.frmEditFavorite->EditFavorite(item.get(), false);
  if (D.frmEditFavorite->exec() == 1) FFavorites->AddFavorite(std::move(item));
}

void TfrmMain::CopySelectedFavorites(bool move) {
  const std::vector<TFavoriteItem*> selected = SelectedFavorites();
  if (selected.empty()) return;
  BeginLongOperation();
  W.pnlStatus0->setText(QStringLiteral("ローカルへコピー中..."));
  statusBar()->repaint();
  W.ProgressBar->setValue(0);
  W.ProgressBar->show();
  TWindowCopyCallbacks rest(this, W.ProgressBar);
  TOverwriteQuestion callbacks(*D.frmConfirmOverwrite, rest);
  TCopyFavoritesHooks hooks;
  hooks.SetProgressMax = [this](std::size_t files) {
    W.ProgressBar->setMaximum(static_cast<int>(std::max<std::size_t>(files, 1)));
  };
  // A move deletes folders: the list is refilled once, after the run.
  deleting_ = move;
  CopyFavorites(*FFavorites, *FCacheTree, selected, move, FShownFavorite, callbacks, hooks);
  deleting_ = false;
  if (listStale_) {
    listStale_ = false;
    ShowSelectedFolder();
  }
  EndLongOperation();
  RecountList();
  UpdateStatusBar();
}

void TfrmMain::actFavoritesCopyFileExecute() { CopySelectedFavorites(false); }

void TfrmMain::actFavoritesMoveFileExecute() { CopySelectedFavorites(true); }

std::string TfrmMain::FavoriteLocalFile(const TFavoriteItem& favorite) const {
  std::string folder, fileName;
  SplitUrl(favorite.UrlName, &folder, &fileName, nullptr);
  if (fileName.empty()) fileName = favorite.Default;
  if (favorite.Folder != 2) return favorite.PathName + fileName;
  if (!FCacheTree->EnableScheme()) {
    const std::size_t scheme = folder.find("://");
    if (scheme != std::string::npos) folder.erase(0, scheme + 3);
  }
  return favorite.PathName + UrlToLocalPath(folder) + fileName;
}

void TfrmMain::actFavoritesDisplayLocalExecute() {
  const std::vector<TFavoriteItem*> selected = SelectedFavorites();
  if (selected.size() != 1) return;
  // A page never copied shows nothing.
  const std::string file = FavoriteLocalFile(*selected.front());
  if (platform::FileExists(file)) StartBrowser(this, file);
}

void TfrmMain::actFavoritesDisplayInternetExecute() {
  const std::vector<TFavoriteItem*> selected = SelectedFavorites();
  if (selected.size() == 1) StartBrowser(this, selected.front()->UrlName);
}

}  // namespace ui
