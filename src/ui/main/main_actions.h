// The main window's actions and menus, made from tables: one row per action
// (member, object name, category, caption, shortcut, tool-bar picture) and one
// list per menu.  Later windows and commands find their actions here and give them
// handlers through TfrmMain::SetActionHandler.
#pragma once

#include <QString>
#include <span>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace ui {

struct TMainActions {
  QAction* actCacheRefresh = nullptr;
  QAction* actCacheRefresh2 = nullptr;
  QAction* actCacheFind = nullptr;
  QAction* actCacheFind2 = nullptr;
  QAction* actFileShowProperty = nullptr;
  QAction* actFileDelete = nullptr;
  QAction* actFileDelete2 = nullptr;
  QAction* actFileCopy = nullptr;
  QAction* actFileCopy2 = nullptr;
  QAction* actFileCopyToDefaultFolder = nullptr;
  QAction* actFileCopyToFolder = nullptr;
  QAction* actTreeUpLevel = nullptr;
  QAction* actListLargeIcon = nullptr;
  QAction* actListSmallIcon = nullptr;
  QAction* actListListIcon = nullptr;
  QAction* actListDetailIcon = nullptr;
  QAction* actListRoolIcon = nullptr;
  QAction* actListSortByName = nullptr;
  QAction* actListSortByCacheName = nullptr;
  QAction* actListSortByTitle = nullptr;
  QAction* actListSortBySize = nullptr;
  QAction* actListSortByType = nullptr;
  QAction* actListSortByDate = nullptr;
  QAction* actListArrangeIconAuto = nullptr;
  QAction* actListLineUp = nullptr;
  QAction* actListSelectAll = nullptr;
  QAction* actListItemChange = nullptr;
  QAction* actFavoritesNew = nullptr;
  QAction* actFavoritesUpdate = nullptr;
  QAction* actFavoritesDelete = nullptr;
  QAction* actFavoritesSetupDefault = nullptr;
  QAction* actFavoritesImport = nullptr;
  QAction* actFavoritesFromCache = nullptr;
  QAction* actFavoritesCopyFile = nullptr;
  QAction* actFavoritesMoveFile = nullptr;
  QAction* actFavoritesDisplayLocal = nullptr;
  QAction* actFavoritesDisplayInternet = nullptr;
  // Menu items of their own (no category: they are not in the action list).
  QAction* mnuExit = nullptr;
  QAction* mnuViewToolBar = nullptr;
  QAction* mnuViewStatusBar = nullptr;
  QAction* mnuRefreshAtWakeup = nullptr;
  QAction* mnuOptSetupDefExtName = nullptr;
  QAction* mnuEnableScheme = nullptr;
  QAction* mnuHelpContent = nullptr;
  QAction* mnuHelpAbout = nullptr;

  // The actions with a category, in table order.
  std::vector<QAction*> ActionList1;
  QActionGroup* ViewStyles = nullptr;  // the four view styles, one checked
};

struct TActionSpec {
  QAction* TMainActions::*member;
  const char* name;
  const char* category;  // "" for menu items
  const char* caption;
  const char* shortcut;  // QKeySequence text, "" for none
  const char* icon;      // freedesktop icon name for the tool bar, "" for none
};
std::span<const TActionSpec> MainActionTable();

struct TMainMenus {
  QMenu* mnuFile = nullptr;
  QMenu* mnuEdit = nullptr;
  QMenu* mnuView = nullptr;
  QMenu* mnuFavorites = nullptr;
  QMenu* mnuTool = nullptr;
  QMenu* mnuOption = nullptr;
  QMenu* mnuHelp = nullptr;
  QMenu* mnuArrange = nullptr;
  QMenu* mnuPopupTree = nullptr;
  QMenu* mnuPopupList1 = nullptr;
  QMenu* mnuPopupList2 = nullptr;
  QMenu* mnuPopupIcon = nullptr;
  QMenu* mnuPopupFavorites = nullptr;
};

// Creates every action of the table as a child of `owner` (which also receives
// them, so that their shortcuts work without a menu bar).
void CreateMainActions(QWidget* owner, TMainActions& a);
// Creates the menus of the window from the actions.
void CreateMainMenus(QWidget* owner, const TMainActions& a, TMainMenus& m);

// A caption as a hint: without "(&X)" accelerators and '&' markers.
QString HintOf(const QString& caption);

}  // namespace ui
