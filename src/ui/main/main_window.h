// TfrmMain: the main window.  Top to bottom: the menu tool bar (seven buttons that
// open the top-level menus; no menu bar is attached), the command tool bar, the
// favorites list, and the tree and list panes side by side above the status bar.
// The window owns the cache tree model and the two pane controllers, keeps the
// settings file "screen.dat" and reloads the cache with a progress display.
//
// Files: main_window.cpp (layout, settings, loading, panes), main_actions.cpp (the
// action and menu tables), main_commands.cpp (the commands on the selection and the
// dialogs), main_enabling.cpp (which actions are enabled when), screen_settings.cpp.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cache/cache_source.h"
#include "dragdrop/drop_types.h"
#include "ui/main/main_actions.h"

class QLabel;
class QProgressBar;
class QSplitter;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TFavoriteItem;
class TFavorites;
class TWebCacheTree;
class TWebCacheTreeNode;

namespace ui {

class CacheListControl;
class TCacheListView;
class TCacheTreeView;
class THelpViewer;
class TfrmAboutBox;
class TfrmConfirmOverwrite;
class TfrmCopyToFolder;
class TfrmDefExtName;
class TfrmEditFavorite;
class TfrmFind;
class TfrmImportFavorites;
class TFavoritesListView;
struct TMainDrag;

// The application title ("Tollhaven" at start, the main window's caption once the
// window exists).
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// The controls of the main window.
struct TMainWidgets {
  QTreeWidget* tvwCache = nullptr;
  CacheListControl* lvwCache = nullptr;
  QTreeWidget* lvwFavorites = nullptr;
  QToolBar* tbrMenu = nullptr;
  QToolBar* tbrCommand = nullptr;
  QSplitter* splFavorites = nullptr;
  QSplitter* splTree = nullptr;
  QWidget* pnlTreeView = nullptr;
  QWidget* pnlListView = nullptr;
  QLabel* txtTree = nullptr;
  QLabel* txtFolder = nullptr;
  QLabel* pnlStatus0 = nullptr;
  QLabel* pnlStatus1 = nullptr;
  QProgressBar* ProgressBar = nullptr;
  QTimer* tmrNodeChange = nullptr;
};

// The dialogs made at start and used again and again.
struct TMainDialogs {
  TfrmConfirmOverwrite* frmConfirmOverwrite = nullptr;
  TfrmDefExtName* frmDefExtName = nullptr;
  TfrmAboutBox* frmAboutBox = nullptr;
  TfrmFind* frmFind = nullptr;
  TfrmCopyToFolder* frmCopyToFolder = nullptr;
  TfrmEditFavorite* frmEditFavorite = nullptr;
  TfrmImportFavorites* frmImportFavorites = nullptr;
};

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
  void DeleteProgressTick();
  void NodeRemoved(const std::string& url);
  void ExecuteViewStyle(int style);

  // Commands on the selection.
  std::vector<TWebCacheTreeNode*> CollectSelectedNodes() const;
  void DeleteSelection();
  // False when nothing was copied or the copy stopped.
  bool CopySelectionToFolder(const std::string& destination);
  void actFileShowPropertyExecute();
  void actFileDeleteExecute();
  void actFileCopyToFolderExecute();
  void actFileCopyToDefaultFolderExecute();
  void mnuOptSetupDefExtNameClick();
  void mnuHelpAboutClick();
  // The find window, modal, once for each selected folder (ui/find/main_find.cpp).
  void actCacheFindExecute();

  // The favorites pane and the favorite commands (ui/favorites/main_favorites.cpp).
  void lvwFavoritesMouseDown(const QPoint& pos);
  void lvwFavoritesDblClick();
  void lvwFavoritesSelectItem();
  void lvwFavoritesEnter();
  void lvwFavoritesColumnClick(int column);
  // Roots the tree at the favorite's URL, or at the whole cache for none.
  void ShowFavoriteInTree(TFavoriteItem* favorite);
  TFavoriteItem* ShownFavorite() const { return FShownFavorite; }
  // The favorites of the selected rows of the favorites list, in row order.
  std::vector<TFavoriteItem*> SelectedFavorites() const;
  // Where the copy of a favorite puts its page.
  std::string FavoriteLocalFile(const TFavoriteItem& favorite) const;
  void actFavoritesNewExecute();
  void actFavoritesUpdateExecute();
  void actFavoritesDeleteExecute();
  void actFavoritesSetupDefaultExecute();
  void actFavoritesImportExecute();
  void actFavoritesFromCacheExecute();
  void actFavoritesCopyFileExecute();
  void actFavoritesMoveFileExecute();
  void actFavoritesDisplayLocalExecute();
  void actFavoritesDisplayInternetExecute();

  // Drag out and the clipboard (ui/dragdrop/main_dragdrop.cpp).
  void PrepareDragFiles();
  void StartDrag();
  void dfsCacheDrop(TDragType dragType, bool& continueDrop);
  void dfsCacheFeedback(std::uint32_t effect, bool& useDefaultCursors);
  void actFileCopyExecute();
  // The drag's state and components.
  TMainDrag& Drag() const { return *drag_; }

  // Parts.
  TWebCacheTree* CacheTree() const { return FCacheTree.get(); }
  TCacheListView* ListPane() const { return FListPane.get(); }
  TCacheTreeView* TreePane() const { return FTreePane.get(); }
  // The favorites store ("favorites.dat" in the settings folder); its default
  // settings govern the copy commands.
  TFavorites* Favorites() const { return FFavorites.get(); }
  // The controls, actions, menus and dialogs, for tests and the windows that build
  // on this one.
  const TMainWidgets& Ui() const { return W; }
  const TMainActions& Actions() const { return A; }
  const TMainMenus& Menus() const { return M; }
  const TMainDialogs& Dialogs() const { return D; }

  // State.
  int SelectedCount() const { return FSelectedCount; }
  std::uint64_t SelectedSize() const { return FSelectedSize; }
  std::uint64_t TotalSize() const { return FTotalSize; }
  int SchemeLevel() const { return FSchemeLevel; }
  QTreeWidgetItem* PopupNode() const { return FPopupNode; }
  // How often a load tick let pending events through (every 100 ticks).
  int PendingEventRounds() const { return pendingRounds_; }
  // Whether an action has a handler yet; actions without one stay disabled.
  bool HasHandler(const QAction* action) const;
  // Gives a command of later work its handler: the action runs it and from now on
  // follows the window's enabling rules.
  void SetActionHandler(QAction* action, std::function<void()> handler);
  // Which list context menu a right-click opens now (mnuPopupList1 or 2).
  QMenu* ListPopupMenu() const { return listPopup_; }
  QString HelpFile;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Connect(QAction* action, void (TfrmMain::*handler)());
  void ConnectActions();
  void ConnectFavorites();
  void CopySelectedFavorites(bool move);
  void CreateLayout();
  void PlaceProgressBar();
  void SetEnabledIfHandled(QAction* action, bool enabled);
  void Enable(std::initializer_list<QAction*> actions, bool enabled);
  bool TreeNodeDeepEnough(const QTreeWidgetItem* item) const;
  // The pane that had the focus last (menus and dialogs opened from a pane leave
  // it the focused one).
  enum class TPane { None, Tree, List, Favorites };
  void FocusChanged(QWidget* now);
  TPane PaneOf(const QWidget* w) const;
  TPane FocusPane() const;
  bool TreeHasFocus() const { return FocusPane() == TPane::Tree; }
  bool FavoritesHaveFocus() const { return FocusPane() == TPane::Favorites; }
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
  void ShowPopupByKey(QWidget* pane);
  // An empty cache: the status bar tells where the cache was looked for.
  void ShowMissingCache();
  void ShowTreePopup(const QPoint& pos);
  void CreateDragDrop();
  void DestroyDragDrop();
  // The model changes: a drag prepared before must not copy its nodes any more.
  void ForgetDragNodes();
  bool tvwCacheStartDrag(QPoint press);
  bool lvwCacheStartDrag(QPoint press);
  // Long operations: window disabled, hourglass; the focused control comes back.
  void BeginLongOperation();
  void EndLongOperation();
  // Selected count and size, and the total size of the files in the list.
  void RecountList();

  TMainWidgets W;
  TMainActions A;
  TMainMenus M;
  TMainDialogs D;
  std::unique_ptr<TWebCacheTree> FCacheTree;
  std::unique_ptr<TCacheListView> FListPane;
  std::unique_ptr<TCacheTreeView> FTreePane;
  std::unique_ptr<TFavorites> FFavorites;
  std::unique_ptr<TFavoritesListView> FFavoritesView;
  std::unique_ptr<TMainDrag> drag_;
  TFavoriteItem* FShownFavorite = nullptr;
  int FFavMouseX = -1;
  int FFavMouseY = -1;
  bool FKeyHeld = false;
  int FSelectedCount = 0;
  std::uint64_t FSelectedSize = 0;
  std::uint64_t FTotalSize = 0;
  QTreeWidgetItem* FPopupNode = nullptr;
  int FSchemeLevel = 1;
  QMenu* listPopup_ = nullptr;
  QPointer<THelpViewer> helpViewer_;
  QPointer<QWidget> focusBefore_;
  TPane focusPane_ = TPane::None;
  QMetaObject::Connection focusConnection_;
  std::vector<const QAction*> handled_;
  int pendingRounds_ = 0;
  // Entries placed (or removed outside a delete) since the bar was last set.
  int loadTicks_ = 0;
  int longOperations_ = 0;
  bool refreshing_ = false;
  // While a delete runs the list is not refilled; it is once the delete is done.
  bool deleting_ = false;
  QElapsedTimer deleteRound_;  // since events were last let through during a delete
  bool listStale_ = false;
  bool shownOnce_ = false;
  bool firstLoadDone_ = false;
  bool fitColumns_ = false;
};

}  // namespace ui
