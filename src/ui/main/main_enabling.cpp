// Which actions are enabled when: every rule of the main window in one place.
// An action whose command is not built yet stays disabled whatever a rule says.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTreeWidget>

#include "cache/cache_entry.h"
#include "tree/web_cache_tree.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"

namespace ui {

void TfrmMain::SetEnabledIfHandled(QAction* action, bool enabled) {
  action->setEnabled(enabled && HasHandler(action));
}

void TfrmMain::Enable(std::initializer_list<QAction*> actions, bool enabled) {
  for (QAction* a : actions) SetEnabledIfHandled(a, enabled);
}

TfrmMain::TPane TfrmMain::PaneOf(const QWidget* w) const {
  if (!w) return TPane::None;
  if (w == W.tvwCache) return TPane::Tree;
  if (w == W.lvwCache || W.lvwCache->isAncestorOf(w)) return TPane::List;
  if (w == W.lvwFavorites || W.lvwFavorites->isAncestorOf(w)) return TPane::Favorites;
  return TPane::None;
}

void TfrmMain::FocusChanged(QWidget* now) {
  const TPane pane = PaneOf(now);
  if (pane != TPane::None) focusPane_ = pane;
}

// The window's own focus child counts even while a menu or dialog is active.
TfrmMain::TPane TfrmMain::FocusPane() const {
  const TPane pane = PaneOf(focusWidget());
  return pane != TPane::None ? pane : focusPane_;
}

// The favorites selection handler with no favorite selected.
void TfrmMain::FormShow() {
  Enable({A.actFavoritesUpdate, A.actFavoritesDelete, A.actFavoritesCopyFile,
          A.actFavoritesMoveFile, A.actFavoritesDisplayLocal, A.actFavoritesDisplayInternet,
          A.actCacheFind, A.actCacheFind2, A.actFileDelete, A.actFileDelete2, A.actFileCopy,
          A.actFileCopy2},
         false);
}

void TfrmMain::tvwCacheEnter() {
  Enable({A.actCacheFind, A.actCacheFind2, A.actFileDelete, A.actFileDelete2,
          A.actFileShowProperty, A.actFileCopy, A.actFileCopy2},
         true);
}

// A host node or deeper (the root of a favorite's tree counts as deep).
bool TfrmMain::TreeNodeDeepEnough(const QTreeWidgetItem* item) const {
  if (!item) return false;
  const int level = TCacheTreeView::LevelOf(item);
  return FTreePane->RootUrl().empty() ? level > FSchemeLevel : level > 0;
}

void TfrmMain::mnuPopupTreePopup() {
  FPopupNode = W.tvwCache->currentItem();
  Enable({A.actFavoritesFromCache, A.actFileCopyToDefaultFolder, A.actFileCopyToFolder},
         TreeNodeDeepEnough(FPopupNode));
  Enable({A.actFileCopy, A.actFileDelete, A.actFileShowProperty},
         TCacheTreeView::NodeOf(FTreePane->RootItem()) != nullptr);
}

void TfrmMain::lvwCacheSelectItem() {
  FSelectedCount = 0;
  FSelectedSize = 0;
  bool oneFolder = false;
  CacheListModel* model = W.lvwCache->Model();
  for (int row : W.lvwCache->SelectedRows()) {
    const CacheListItem& item = model->Item(row);
    if (!item.node) continue;
    ++FSelectedCount;
    if (!item.folder) FSelectedSize += item.size;
    oneFolder = item.folder;
  }
  UpdateStatusBar();
  const bool any = FSelectedCount > 0;
  listPopup_ = any ? M.mnuPopupList1 : M.mnuPopupList2;
  Enable({A.actCacheFind, A.actCacheFind2}, !any || (FSelectedCount == 1 && oneFolder));
  Enable({A.actFileDelete, A.actFileDelete2, A.actFileCopy, A.actFileCopy2}, any);
}

void TfrmMain::lvwCacheEnter() {
  const std::vector<int> rows = W.lvwCache->SelectedRows();
  const bool oneFolder = rows.size() == 1 && W.lvwCache->Model()->Item(rows.front()).folder;
  Enable({A.actCacheFind, A.actCacheFind2}, rows.empty() || oneFolder);
  Enable({A.actFileDelete, A.actFileDelete2, A.actFileCopy, A.actFileCopy2}, !rows.empty());
  Enable({A.actFileShowProperty}, true);
}

void TfrmMain::mnuPopupList1Popup() {
  const bool deep = !FTreePane->RootUrl().empty() ||
                    (W.tvwCache->currentItem() &&
                     TCacheTreeView::LevelOf(W.tvwCache->currentItem()) >= FSchemeLevel);
  Enable({A.actFileCopyToDefaultFolder, A.actFileCopyToFolder}, deep);
  bool fav = false;
  const std::vector<int> rows = W.lvwCache->SelectedRows();
  if (deep && rows.size() == 1) {
    const CacheListItem& item = W.lvwCache->Model()->Item(rows.front());
    if (item.node) {
      fav = item.folder || IsHtmlEntry(item.node->EntryInfo());
    }
  }
  Enable({A.actFavoritesFromCache}, fav);
}

void TfrmMain::mnuPopupList2Popup() {
  Enable({A.actFavoritesFromCache}, TreeNodeDeepEnough(W.tvwCache->currentItem()));
}

void TfrmMain::ExecuteViewStyle(int style) {
  static const TViewStyle kStyles[] = {TViewStyle::LargeIcon, TViewStyle::SmallIcon,
                                       TViewStyle::List, TViewStyle::Report};
  QAction* const actions[] = {A.actListLargeIcon, A.actListSmallIcon, A.actListListIcon,
                              A.actListDetailIcon};
  if (style < 0 || style > 3) return;
  W.lvwCache->SetViewStyle(kStyles[style]);
  actions[style]->setChecked(true);
  // Arranging icons means something in the two icon styles only.
  Enable({A.actListArrangeIconAuto, A.actListLineUp}, style <= 1);
}

}  // namespace ui
