// TfrmMain: the main window.  Top to bottom: the menu tool bar (seven buttons that
// open the top-level menus; no menu bar is attached), the command tool bar, the
// favorites list, and the tree and list panes side by side above the status bar.
// The window owns the cache tree model and the two pane controllers, keeps the
// settings file "screen.dat" and reloads the cache with a progress display.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cache/cache_source.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TWebCacheTree;
class TWebCacheTreeNode;

namespace ui {

class CacheListControl;
class TCacheListView;
class TCacheTreeView;
class THelpViewer;

// The application title ("Tollhaven" at start, the main window's caption once the
// window exists).
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  // Reads the cache through `source`, or through the Netscape cache found on this
  // host when none is given.
  explicit TfrmMain(std::unique_ptr<TWebCacheSource> source = nullptr,
                    QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Settings, showing the window and the optional refresh at start.
  void FormCreate();

  // Loading and showing.
  void RefreshCache();
  void ShowSelectedFolder();
  void UpdateStatusBar();
  void LoadWindowBounds();
  void LoadSettings();
  void SaveSettings();
  QString SettingsFile() const;

  // Handlers that tests and the other panes reach.
  void tvwCacheChange();
  void tmrNodeChangeTimer();
  void tvwCacheEnter();
  void mnuPopupTreePopup();
  void lvwCacheColumnClick(int column);
  void lvwCacheDblClick();
  void lvwCacheSelectItem();
  void lvwCacheEnter();
  void mnuPopupList1Popup();
  void mnuPopupList2Popup();
  void FormShow();
  void LoadProgressTick();
  void NodeRemoved(const std::string& url);
  void SetListViewStyle(int style);
  void ExecuteViewStyle(int style);

  // Parts.
  TWebCacheTree* CacheTree() const { return FCacheTree.get(); }
  TCacheListView* ListPane() const { return FListPane.get(); }
  TCacheTreeView* TreePane() const { return FTreePane.get(); }
  QTreeWidget* tvwCache;
  CacheListControl* lvwCache;
  QTreeWidget* lvwFavorites;
  QToolBar* tbrMenu;
  QToolBar* tbrCommand;
  QSplitter* splFavorites;
  QSplitter* splTree;
  QWidget* pnlTreeView;
  QWidget* pnlListView;
  QLabel* txtTree;
  QLabel* txtFolder;
  QLabel* pnlStatus0;
  QLabel* pnlStatus1;
  QProgressBar* ProgressBar;
  QTimer* tmrNodeChange;
  QString HelpFile;

  // Menus.
  QMenu* mnuFile;
  QMenu* mnuEdit;
  QMenu* mnuView;
  QMenu* mnuFavorites;
  QMenu* mnuTool;
  QMenu* mnuOption;
  QMenu* mnuHelp;
  QMenu* mnuArrange;
  QMenu* mnuPopupTree;
  QMenu* mnuPopupList1;
  QMenu* mnuPopupList2;
  QMenu* mnuPopupIcon;
  QMenu* mnuPopupFavorites;
  QAction* mnuExit;
  QAction* mnuViewToolBar;
  QAction* mnuViewStatusBar;
  QAction* mnuRefreshAtWakeup;
  QAction* mnuDefExt;
  QAction* mnuEnableScheme;
  QAction* mnuHelpContent;
  QAction* mnuHelpAbout;

  // Actions.
  QAction* actCacheRefresh;
  QAction* actCacheRefresh2;
  QAction* actCacheFind;
  QAction* actCacheFind2;
  QAction* actFileShowProperty;
  QAction* actFileDelete;
  QAction* actFileDelete2;
  QAction* actFileCopy;
  QAction* actFileCopy2;
  QAction* actFileCopyToDefaultFolder;
  QAction* actFileCopyToFolder;
  QAction* actTreeUpLevel;
  QAction* actListLargeIcon;
  QAction* actListSmallIcon;
  QAction* actListListIcon;
  QAction* actListDetailIcon;
  QAction* actListRoolIcon;
  QAction* actListSortByName;
  QAction* actListSortByCacheName;
  QAction* actListSortByTitle;
  QAction* actListSortBySize;
  QAction* actListSortByType;
  QAction* actListSortByDate;
  QAction* actListArrangeIconAuto;
  QAction* actListLineUp;
  QAction* actListSelectAll;
  QAction* actListItemChange;
  QAction* actFavoritesNew;
  QAction* actFavoritesUpdate;
  QAction* actFavoritesDelete;
  QAction* actFavoritesSetupDefault;
  QAction* actFavoritesImport;
  QAction* actFavoritesFromCache;
  QAction* actFavoritesCopyFile;
  QAction* actFavoritesMoveFile;
  QAction* actFavoritesDisplayLocal;
  QAction* actFavoritesDisplayInternet;
  // Every action of the window, in the order of the action list.
  std::vector<QAction*> ActionList1;

  // State.
  bool FKeyHeld = false;
  int FSelectedCount = 0;
  std::uint64_t FSelectedSize = 0;
  std::uint64_t FTotalSize = 0;
  QTreeWidgetItem* FPopupNode = nullptr;
  int FSchemeLevel = 1;
  // How often a load tick let pending events through (every 100 ticks).
  int PendingEventRounds() const { return pendingRounds_; }
  // Whether an action has a handler yet; actions without one stay disabled.
  bool HasHandler(const QAction* action) const;
  // Gives a command of later work its handler: the action runs it and from now on
  // follows the window's enabling rules.
  void SetActionHandler(QAction* action, std::function<void()> handler);
  // Which list context menu a right-click opens now (mnuPopupList1 or 2).
  QMenu* ListPopupMenu() const { return listPopup_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* MakeAction(const char* name, const QString& category, const QString& caption,
                      bool implemented);
  void CreateActions();
  void CreateMenus();
  void CreateLayout();
  void PlaceProgressBar();
  void SetEnabledIfHandled(QAction* action, bool enabled);
  bool TreeNodeDeepEnough(const QTreeWidgetItem* item) const;
  void ShowHelp();
  void mnuViewToolBarClick();
  void mnuViewStatusBarClick();
  void mnuEnableSchemeClick();
  void actCacheRefreshExecute();
  void actTreeUpLevelExecute();
  void actListRoolIconExecute();
  void actListArrangeIconAutoExecute();
  void actListSelectAllExecute();
  void actListItemChangeExecute();
  void ShowListPopup(const QPoint& globalPos);
  void ShowTreePopup(const QPoint& pos);

  std::unique_ptr<TWebCacheTree> FCacheTree;
  std::unique_ptr<TCacheListView> FListPane;
  std::unique_ptr<TCacheTreeView> FTreePane;
  QActionGroup* viewStyleGroup_ = nullptr;
  QMenu* listPopup_ = nullptr;
  QPointer<THelpViewer> helpViewer_;
  std::vector<const QAction*> handled_;
  int pendingRounds_ = 0;
  bool refreshing_ = false;
  bool shownOnce_ = false;
};

}  // namespace ui
