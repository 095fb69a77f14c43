#include "ui/main/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/startup.h"
#include "cache/cache_source.h"
#include "cache/netscape_cache.h"
#include "cache/netscape_location.h"
#include "cache/web_cache.h"
#include "common/format.h"
#include "favorites/favorites.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/confirm_overwrite_dialog.h"
#include "ui/dialogs/copy_to_folder_dialog.h"
#include "ui/dialogs/def_ext_name_dialog.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/find/find_window.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/dragdrop/main_drag.h"
#include "ui/favorites/favorites_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/help_viewer.h"
#include "ui/main/screen_settings.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

QString gApplicationTitle = QStringLiteral("Tollhaven");

QLabel* SunkenCaption(const QString& text) {
  auto* label = new QLabel(text);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

QString ApplicationTitle() { return gApplicationTitle; }

void SetApplicationTitle(const QString& title) {
  gApplicationTitle = title;
  QCoreApplication::setApplicationName(title);
}

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------

TfrmMain::TfrmMain(std::unique_ptr<TWebCacheSource> source, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setFont(DialogFont());
  resize(963, 313);
  setWindowIcon(ProgramIcon());

  CreateMainActions(this, A);
  CreateMainMenus(this, A, M);
  CreateLayout();
  ConnectActions();

  // The model and its events.
  FCacheTree = source ? std::make_unique<TWebCacheTree>(std::move(source))
                      : std::make_unique<TWebCacheTree>();
  FCacheTree->OnLoadProgress = [this](const TWebCacheEntryInfoEx&) { LoadProgressTick(); };
  FCacheTree->OnNodeRemoved = [this](const std::string& url) { NodeRemoved(url); };
  UseSettingsFiles(*FCacheTree);

  // The panes: control first, then the model.
  FListPane = std::make_unique<TCacheListView>();
  FListPane->SetListView(W.lvwCache);
  FListPane->SetCacheTree(FCacheTree.get());
  FTreePane = std::make_unique<TCacheTreeView>();
  FTreePane->SetTreeView(W.tvwCache);
  FTreePane->SetCacheTree(FCacheTree.get());

  FKeyHeld = false;
  FPopupNode = nullptr;

  FFavorites = std::make_unique<TFavorites>();
  FFavorites->SetFavoritesPath(platform::JoinPath(platform::SettingsFolder(), "favorites.dat"));

  // The application takes the window's title; a second window in one process (tests)
  // finds the suffix there already.
  const QString suffix = QStringLiteral(" for Netscape");
  setWindowTitle(ApplicationTitle().endsWith(suffix) ? ApplicationTitle()
                                                     : ApplicationTitle() + suffix);
  SetApplicationTitle(windowTitle());

  // The dialogs that live as long as the window.
  D.frmConfirmOverwrite = new TfrmConfirmOverwrite(this);
  D.frmDefExtName = new TfrmDefExtName(this);
  D.frmAboutBox = new TfrmAboutBox(this);
  D.frmFind = new TfrmFind(this);
  SetActionHandler(A.actCacheFind, [this] { actCacheFindExecute(); });
  SetActionHandler(A.actCacheFind2, [this] { actCacheFindExecute(); });
  D.frmCopyToFolder = new TfrmCopyToFolder(this);
  ConnectFavorites();
  CreateDragDrop();

  PlaceProgressBar();
  W.ProgressBar->hide();
}

TfrmMain::~TfrmMain() {
  // Destroying the controls moves the focus; this window must no longer hear of it.
  disconnect(focusConnection_);
  if (helpViewer_) delete helpViewer_;
  DestroyDragDrop();
  // The list must never point into a freed model.
  W.lvwCache->Model()->ForgetNodes();
  FFavorites.reset();
  FTreePane.reset();
  FListPane.reset();
  FCacheTree.reset();
}

bool TfrmMain::HasHandler(const QAction* action) const {
  return std::find(handled_.begin(), handled_.end(), action) != handled_.end();
}

void TfrmMain::SetActionHandler(QAction* action, std::function<void()> handler) {
  if (!action || !handler) return;
  connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
  if (!HasHandler(action)) handled_.push_back(action);
  action->setEnabled(true);
}

void TfrmMain::Connect(QAction* action, void (TfrmMain::*handler)()) {
  connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  handled_.push_back(action);
}

void TfrmMain::ConnectActions() {
  Connect(A.actCacheRefresh, &TfrmMain::actCacheRefreshExecute);
  Connect(A.actCacheRefresh2, &TfrmMain::actCacheRefreshExecute);
  Connect(A.actTreeUpLevel, &TfrmMain::actTreeUpLevelExecute);
  Connect(A.actFileShowProperty, &TfrmMain::actFileShowPropertyExecute);
  Connect(A.actFileDelete, &TfrmMain::actFileDeleteExecute);
  Connect(A.actFileDelete2, &TfrmMain::actFileDeleteExecute);
  Connect(A.actFileCopyToFolder, &TfrmMain::actFileCopyToFolderExecute);
  Connect(A.actFileCopyToDefaultFolder, &TfrmMain::actFileCopyToDefaultFolderExecute);
  Connect(A.actListRoolIcon, &TfrmMain::actListRoolIconExecute);
  Connect(A.actListArrangeIconAuto, &TfrmMain::actListArrangeIconAutoExecute);
  Connect(A.actListSelectAll, &TfrmMain::actListSelectAllExecute);
  Connect(A.actListItemChange, &TfrmMain::actListItemChangeExecute);
  const QAction* styles[] = {A.actListLargeIcon, A.actListSmallIcon, A.actListListIcon,
                             A.actListDetailIcon};
  for (int i = 0; i < 4; ++i) {
    connect(styles[i], &QAction::triggered, this, [this, i] { ExecuteViewStyle(i); });
    handled_.push_back(styles[i]);
  }
  const std::pair<QAction*, int> sorts[] = {
      {A.actListSortByName, stName}, {A.actListSortByCacheName, stCacheName},
      {A.actListSortByTitle, stTitle}, {A.actListSortBySize, stSize},
      {A.actListSortByType, stType}, {A.actListSortByDate, stDate}};
  for (const auto& [action, key] : sorts) {
    const int k = key;
    connect(action, &QAction::triggered, this, [this, k] { FListPane->SetSort(0, k); });
    handled_.push_back(action);
  }
  connect(A.actListLineUp, &QAction::triggered, this, [this] { W.lvwCache->Arrange(); });
  handled_.push_back(A.actListLineUp);

  connect(A.mnuExit, &QAction::triggered, this, &QWidget::close);
  // The check is the whole state of these toggles; a click flips it before the
  // handler runs, as the menu item's own auto-check would.
  connect(A.mnuViewToolBar, &QAction::triggered, this,
          [this] { W.tbrCommand->setVisible(A.mnuViewToolBar->isChecked()); });
  connect(A.mnuViewStatusBar, &QAction::triggered, this,
          [this] { statusBar()->setVisible(A.mnuViewStatusBar->isChecked()); });
  connect(A.mnuEnableScheme, &QAction::triggered, this, [this] { mnuEnableSchemeClick(); });
  connect(A.mnuOptSetupDefExtName, &QAction::triggered, this,
          [this] { mnuOptSetupDefExtNameClick(); });
  connect(A.mnuHelpContent, &QAction::triggered, this, [this] { ShowHelp(); });
  connect(A.mnuHelpAbout, &QAction::triggered, this, [this] { mnuHelpAboutClick(); });
  // Actions of later work stay disabled until they get a handler.
  for (QAction* a : A.ActionList1)
    if (!HasHandler(a)) a->setEnabled(false);
}

void TfrmMain::CreateLayout() {
  // Band 1: the menu tool bar.
  W.tbrMenu = new QToolBar(QStringLiteral("tbrMenu"), this);
  W.tbrMenu->setObjectName(QStringLiteral("tbrMenu"));
  W.tbrMenu->setMovable(false);
  W.tbrMenu->setFloatable(false);
  W.tbrMenu->setToolButtonStyle(Qt::ToolButtonTextOnly);
  for (QMenu* menu : {M.mnuFile, M.mnuEdit, M.mnuView, M.mnuFavorites, M.mnuTool, M.mnuOption,
                      M.mnuHelp}) {
    auto* button = new QToolButton(W.tbrMenu);
    button->setText(menu->title());
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setAutoRaise(true);
    button->setFixedHeight(20);
    button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    W.tbrMenu->addWidget(button);
  }
  addToolBar(Qt::TopToolBarArea, W.tbrMenu);
  addToolBarBreak(Qt::TopToolBarArea);

  // Band 2: the command tool bar.
  W.tbrCommand = new QToolBar(QStringLiteral("tbrCommand"), this);
  W.tbrCommand->setObjectName(QStringLiteral("tbrCommand"));
  W.tbrCommand->setMovable(false);
  W.tbrCommand->setFloatable(false);
  W.tbrCommand->setIconSize(QSize(22, 20));
  W.tbrCommand->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (QAction* a : {A.actCacheRefresh2, static_cast<QAction*>(nullptr), A.actTreeUpLevel,
                     static_cast<QAction*>(nullptr), A.actFileCopy2,
                     static_cast<QAction*>(nullptr), A.actFileDelete2, A.actFileShowProperty,
                     static_cast<QAction*>(nullptr), A.actCacheFind2,
                     static_cast<QAction*>(nullptr), A.actListRoolIcon}) {
    if (a) {
      W.tbrCommand->addAction(a);
    } else {
      W.tbrCommand->addSeparator();
    }
  }
  if (auto* rool = qobject_cast<QToolButton*>(W.tbrCommand->widgetForAction(A.actListRoolIcon))) {
    rool->setMenu(M.mnuPopupIcon);
    rool->setPopupMode(QToolButton::MenuButtonPopup);
  }
  // Each button's caption is its hint (without accelerator marks); 29 x 26 buttons.
  for (QAction* a : W.tbrCommand->actions()) {
    if (a->isSeparator()) continue;
    a->setToolTip(HintOf(a->text()));
    if (QWidget* w = W.tbrCommand->widgetForAction(a)) w->setMinimumSize(29, 26);
  }
  addToolBar(Qt::TopToolBarArea, W.tbrCommand);

  // Favorites list.
  W.lvwFavorites = new QTreeWidget;
  W.lvwFavorites->setObjectName(QStringLiteral("lvwFavorites"));
  W.lvwFavorites->setColumnCount(3);
  W.lvwFavorites->setHeaderLabels({QStringLiteral("タイトル"), QStringLiteral("URL"),
                                   QStringLiteral("最終更新日")});
  W.lvwFavorites->setColumnWidth(0, 150);
  W.lvwFavorites->setColumnWidth(1, 200);
  W.lvwFavorites->setColumnWidth(2, 100);
  W.lvwFavorites->setRootIsDecorated(false);
  W.lvwFavorites->setSelectionMode(QAbstractItemView::ExtendedSelection);
  W.lvwFavorites->setSelectionBehavior(QAbstractItemView::SelectRows);
  W.lvwFavorites->setAllColumnsShowFocus(true);
  W.lvwFavorites->setEditTriggers(QAbstractItemView::NoEditTriggers);
  W.lvwFavorites->header()->setStretchLastSection(false);

  // Tree panel.
  W.pnlTreeView = new QWidget;
  W.pnlTreeView->setObjectName(QStringLiteral("pnlTreeView"));
  auto* treeLayout = new QVBoxLayout(W.pnlTreeView);
  treeLayout->setContentsMargins(0, 0, 0, 0);
  treeLayout->setSpacing(0);
  W.txtTree = SunkenCaption(QStringLiteral(" Web Cache フォルダ"));
  W.tvwCache = new QTreeWidget;
  W.tvwCache->setObjectName(QStringLiteral("tvwCache"));
  W.tvwCache->setHeaderHidden(true);
  W.tvwCache->setIndentation(19);
  W.tvwCache->setRootIsDecorated(false);
  W.tvwCache->setEditTriggers(QAbstractItemView::NoEditTriggers);
  W.tvwCache->setContextMenuPolicy(Qt::CustomContextMenu);
  W.tvwCache->installEventFilter(this);
  treeLayout->addWidget(W.txtTree);
  treeLayout->addWidget(W.tvwCache);

  // List panel.
  W.pnlListView = new QWidget;
  W.pnlListView->setObjectName(QStringLiteral("pnlListView"));
  auto* listLayout = new QVBoxLayout(W.pnlListView);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->setSpacing(0);
  W.txtFolder = SunkenCaption(QStringLiteral(" 開いているフォルダ:"));
  W.txtFolder->setObjectName(QStringLiteral("txtFolder"));
  W.lvwCache = new CacheListControl;
  W.lvwCache->setObjectName(QStringLiteral("lvwCache"));
  listLayout->addWidget(W.txtFolder);
  listLayout->addWidget(W.lvwCache);

  W.splTree = new QSplitter(Qt::Horizontal);
  W.splTree->setObjectName(QStringLiteral("splTree"));
  W.splTree->setHandleWidth(5);
  W.splTree->setChildrenCollapsible(false);
  W.splTree->addWidget(W.pnlTreeView);
  W.splTree->addWidget(W.pnlListView);
  W.splTree->setStretchFactor(1, 1);

  W.splFavorites = new QSplitter(Qt::Vertical);
  W.splFavorites->setObjectName(QStringLiteral("splFavorites"));
  W.splFavorites->setHandleWidth(5);
  W.splFavorites->setChildrenCollapsible(false);
  W.splFavorites->addWidget(W.lvwFavorites);
  W.splFavorites->addWidget(W.splTree);
  W.splFavorites->setStretchFactor(1, 1);
  setCentralWidget(W.splFavorites);

  // Status bar: two panels and the progress bar laid over the space behind them.
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setSizeGripEnabled(true);
  W.pnlStatus0 = new QLabel;
  W.pnlStatus0->setObjectName(QStringLiteral("pnlStatus0"));
  W.pnlStatus0->setFixedWidth(240);
  W.pnlStatus0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  W.pnlStatus1 = new QLabel;
  W.pnlStatus1->setObjectName(QStringLiteral("pnlStatus1"));
  W.pnlStatus1->setMinimumWidth(50);
  W.pnlStatus1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bar->addWidget(W.pnlStatus0);
  bar->addWidget(W.pnlStatus1);
  W.ProgressBar = new QProgressBar(bar);
  W.ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  W.ProgressBar->setRange(0, 100);
  W.ProgressBar->setTextVisible(false);

  W.tmrNodeChange = new QTimer(this);
  W.tmrNodeChange->setObjectName(QStringLiteral("tmrNodeChange"));
  W.tmrNodeChange->setInterval(1000);
  connect(W.tmrNodeChange, &QTimer::timeout, this, [this] { tmrNodeChangeTimer(); });

  connect(W.tvwCache, &QTreeWidget::currentItemChanged, this, [this] { tvwCacheChange(); });
  connect(W.tvwCache, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { ShowTreePopup(p); });
  connect(M.mnuPopupTree, &QMenu::aboutToShow, this, [this] { mnuPopupTreePopup(); });
  connect(M.mnuPopupList1, &QMenu::aboutToShow, this, [this] { mnuPopupList1Popup(); });
  connect(M.mnuPopupList2, &QMenu::aboutToShow, this, [this] { mnuPopupList2Popup(); });
  connect(W.lvwCache, &CacheListControl::ColumnClicked, this,
          [this](int c) { lvwCacheColumnClick(c); });
  connect(W.lvwCache, &CacheListControl::ItemActivated, this, [this](int) { lvwCacheDblClick(); });
  connect(W.lvwCache, &CacheListControl::EnterPressed, this, [this] { lvwCacheDblClick(); });
  connect(W.lvwCache, &CacheListControl::SelectionChangedRows, this,
          [this] { lvwCacheSelectItem(); });
  connect(W.lvwCache, &CacheListControl::ContextMenuAt, this,
          [this](const QPoint& p) { ShowListPopup(p); });
  connect(W.lvwCache, &CacheListControl::FocusEntered, this, [this] { lvwCacheEnter(); });
  listPopup_ = M.mnuPopupList2;
  // Backspace goes up one level from either pane; Shift+F10 opens the context menu.
  for (QWidget* pane : {static_cast<QWidget*>(W.tvwCache),
                        static_cast<QWidget*>(W.lvwCache->DetailsView()),
                        static_cast<QWidget*>(W.lvwCache->IconView())}) {
    auto* up = new QShortcut(QKeySequence(Qt::Key_Backspace), pane);
    up->setContext(Qt::WidgetShortcut);
    connect(up, &QShortcut::activated, this, [this] { actTreeUpLevelExecute(); });
    auto* menu = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), pane);
    menu->setContext(Qt::WidgetShortcut);
    connect(menu, &QShortcut::activated, this, [this, pane] { ShowPopupByKey(pane); });
  }
  focusConnection_ = connect(qApp, &QApplication::focusChanged, this,
                             [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

void TfrmMain::PlaceProgressBar() {
  QStatusBar* bar = statusBar();
  const int left = W.pnlStatus0->width() + 2;
  W.ProgressBar->move(left, 2);
  W.ProgressBar->resize(std::max(0, bar->width() - left - 16), std::max(8, bar->height() - 4));
}

// ---------------------------------------------------------------------------
// Start, settings and shut-down
// ---------------------------------------------------------------------------

QString TfrmMain::SettingsFile() const {
  return QString::fromStdString(platform::JoinPath(platform::SettingsFolder(), "screen.dat"));
}

void TfrmMain::FormCreate() {
  HelpFile = QString::fromStdString(platform::AnsiToUtf8(
      platform::JoinPath(platform::DataFolder(), "tollhaven.hlp")));
  SetApplicationTitle(windowTitle());
  LoadWindowBounds();
  show();
  LoadSettings();
  QApplication::processEvents();
  if (A.mnuRefreshAtWakeup->isChecked()) {
    RefreshCache();
    FTreePane->Rebuild();
    ShowMissingCache();
  }
  // Arrow keys work at once: the tree has the focus after the first load.
  W.tvwCache->setFocus();
}

void TfrmMain::ShowMissingCache() {
  if (FCacheTree->Root() && FCacheTree->Root()->Count() > 0) return;
  std::string looked;
  if (auto* netscape = dynamic_cast<TNetscapeCacheSource*>(&FCacheTree->WebCache().Source()))
    looked = netscape->Location().IndexFile;
  W.pnlStatus0->setText(
      looked.empty() ? QStringLiteral("Netscape のキャッシュが見つかりません")
                     : QStringLiteral("キャッシュがありません: ") + ToQ(looked));
  W.pnlStatus0->setToolTip(W.pnlStatus0->text());
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shownOnce_) {
    shownOnce_ = true;
    FormShow();
  }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  SaveSettings();
  QMainWindow::closeEvent(event);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  PlaceProgressBar();
}

void TfrmMain::LoadWindowBounds() {
  TScreenSettings s;
  ReadScreenSettings(FromQ(SettingsFile()), s);
  if (s.Top != 0 || s.Left != 0 || s.Width != 0 || s.Height != 0) {
    move(s.Left, s.Top);
    resize(std::max(s.Width, 1), std::max(s.Height, 1));
  }
}

void TfrmMain::LoadSettings() {
  TScreenSettings s;
  s.FavoriteSplit = height() / 3;
  s.CacheSplit = width() / 3;
  ReadScreenSettings(FromQ(SettingsFile()), s);
  {
    const int total = W.splFavorites->height();
    W.splFavorites->setSizes({s.FavoriteSplit, std::max(1, total - s.FavoriteSplit)});
    const int across = W.splTree->width();
    W.splTree->setSizes({s.CacheSplit, std::max(1, across - s.CacheSplit)});
  }
  A.mnuViewToolBar->setChecked(!s.ToolBar);
  mnuViewToolBarClick();
  A.mnuViewStatusBar->setChecked(!s.StatusBar);
  mnuViewStatusBarClick();

  for (int i = 0; i < 3; ++i) W.lvwFavorites->setColumnWidth(i, s.FavoriteCols[i]);
  // The favorites' sort order is kept for the favorites store.
  FFavorites->SetFavoritesSort(static_cast<std::uint8_t>(s.FavoriteSortOrder),
                               static_cast<std::uint8_t>(s.FavoriteSortType));

  for (int i = 0; i < kListColumnCount; ++i) W.lvwCache->SetColumnWidth(i, s.CacheCols[i]);
  // Without stored widths the columns fit their contents once the first folder is shown.
  fitColumns_ = !s.HaveCacheCols;
  FListPane->SetSort(s.SortOrder == 1 ? 1 : 0, s.SortType);

  A.actListArrangeIconAuto->setChecked(s.AutoArrange);
  W.lvwCache->SetAutoArrange(s.AutoArrange);

  if (s.ViewStyle >= 0 && s.ViewStyle <= 3) ExecuteViewStyle(s.ViewStyle);

  A.mnuRefreshAtWakeup->setChecked(s.Refresh);
  A.mnuEnableScheme->setChecked(s.EnableScheme);
  FCacheTree->SetEnableScheme(s.EnableScheme);
  FSchemeLevel = s.EnableScheme ? 1 : 0;
}

void TfrmMain::SaveSettings() {
  TScreenSettings s;
  s.Top = y();
  s.Left = x();
  s.Width = width();
  s.Height = height();
  s.ToolBar = A.mnuViewToolBar->isChecked();
  s.StatusBar = A.mnuViewStatusBar->isChecked();
  s.FavoriteSplit = W.lvwFavorites->height();
  s.CacheSplit = W.pnlTreeView->width();
  for (int i = 0; i < 3; ++i) s.FavoriteCols[i] = W.lvwFavorites->columnWidth(i);
  s.FavoriteSortType = FFavorites->SortColumn();
  s.FavoriteSortOrder = FFavorites->SortOrder();
  for (int i = 0; i < kListColumnCount; ++i) s.CacheCols[i] = W.lvwCache->ColumnWidth(i);
  s.SortType = FListPane->SortType();
  s.SortOrder = FListPane->SortOrder();
  s.AutoArrange = A.actListArrangeIconAuto->isChecked();
  s.ViewStyle = static_cast<int>(W.lvwCache->ViewStyle());
  s.Refresh = A.mnuRefreshAtWakeup->isChecked();
  s.EnableScheme = A.mnuEnableScheme->isChecked();
  WriteScreenSettings(FromQ(SettingsFile()), s);
}

void TfrmMain::mnuViewToolBarClick() {
  A.mnuViewToolBar->setChecked(!A.mnuViewToolBar->isChecked());
  W.tbrCommand->setVisible(A.mnuViewToolBar->isChecked());
}

void TfrmMain::mnuViewStatusBarClick() {
  A.mnuViewStatusBar->setChecked(!A.mnuViewStatusBar->isChecked());
  statusBar()->setVisible(A.mnuViewStatusBar->isChecked());
}

void TfrmMain::mnuEnableSchemeClick() {
  const bool on = A.mnuEnableScheme->isChecked();
  FCacheTree->SetEnableScheme(on);
  FSchemeLevel = on ? 1 : 0;
  actCacheRefreshExecute();
}

void TfrmMain::ShowHelp() {
  if (!helpViewer_) {
    helpViewer_ = new THelpViewer(this);
    helpViewer_->setFont(font());
  }
  helpViewer_->LoadFile(HelpFile);
  helpViewer_->ShowContents();
  helpViewer_->show();
  helpViewer_->raise();
}

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------

void TfrmMain::BeginLongOperation() {
  if (longOperations_++ == 0) {
    // Disabling the window takes the focus away; it is given back at the end.
    switch (FocusPane()) {
      case TPane::Tree:
        focusBefore_ = W.tvwCache;
        break;
      case TPane::List:
        focusBefore_ = W.lvwCache->CurrentView();
        break;
      case TPane::Favorites:
        focusBefore_ = W.lvwFavorites;
        break;
      case TPane::None:
        focusBefore_ = QApplication::focusWidget();
        break;
    }
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
}

void TfrmMain::EndLongOperation() {
  if (--longOperations_ > 0) return;
  W.ProgressBar->hide();
  QApplication::restoreOverrideCursor();
  setEnabled(true);
  QWidget* target = focusBefore_ && focusBefore_->isVisible() && focusBefore_->isEnabled()
                        ? focusBefore_.data()
                        : nullptr;
  if (target && isAncestorOf(target)) target->setFocus();
}

void TfrmMain::RefreshCache() {
  // Nothing may look into the model while it is rebuilt: no delayed refill, and
  // the list keeps its texts but lets go of the nodes.
  W.tmrNodeChange->stop();
  ForgetDragNodes();
  refreshing_ = true;
  W.lvwCache->Model()->ForgetNodes();
  BeginLongOperation();
  QApplication::processEvents();

  W.pnlStatus0->setText(QStringLiteral("初期化中..."));
  statusBar()->repaint();
  W.ProgressBar->setMaximum(std::max(1, FCacheTree->GetCount()));
  W.ProgressBar->setValue(0);
  loadTicks_ = 0;
  W.ProgressBar->show();

  W.pnlStatus0->setText(QStringLiteral("キャッシュ情報の更新中..."));
  statusBar()->repaint();
  FCacheTree->Build();
  // The entries of the last, unfinished round of 100.
  W.ProgressBar->setValue(W.ProgressBar->value() + loadTicks_ % 100);
  loadTicks_ = 0;

  W.pnlStatus0->setText(QStringLiteral("キャッシュ情報のソート中..."));
  statusBar()->repaint();
  FCacheTree->SortAll();

  W.pnlStatus0->setText(QStringLiteral("重複ファイル名の変更中..."));
  statusBar()->repaint();
  FCacheTree->MakeNamesUnique(FCacheTree->Root());

  EndLongOperation();
  refreshing_ = false;
}

void TfrmMain::actCacheRefreshExecute() {
  RefreshCache();
  FTreePane->Rebuild();
  ShowMissingCache();
}

void TfrmMain::LoadProgressTick() {
  // The bar is set once per round of 100 entries: setting it per entry cost a tenth
  // of a load, and it cannot show a step of fewer than a few hundred entries anyway.
  if (++loadTicks_ % 100 != 0) return;
  W.ProgressBar->setValue(W.ProgressBar->value() + 100);
  ++pendingRounds_;
  QApplication::processEvents();
}

void TfrmMain::NodeRemoved(const std::string& url) {
  ForgetDragNodes();
  // A delete of many files refills the list once at its end instead of looking each
  // removed file up among the rows.
  if (deleting_) {
    listStale_ = true;
  } else {
    FListPane->RemoveUrl(url);
  }
  if (!url.empty() && url.back() == '/') {
    FTreePane->RemoveFolderUrl(url);
  } else if (deleting_) {
    DeleteProgressTick();
  } else {
    LoadProgressTick();
  }
}

void TfrmMain::DeleteProgressTick() {
  W.ProgressBar->setValue(W.ProgressBar->value() + 1);
  // A few rounds a second keep the window painted; a round every hundred files made
  // a delete of thousands mostly painting.
  if (deleteRound_.elapsed() >= 200) {
    deleteRound_.start();
    QApplication::processEvents();
  }
}

void TfrmMain::ShowSelectedFolder() {
  if (refreshing_) return;
  if (deleting_) {
    listStale_ = true;
    return;
  }
  QTreeWidgetItem* selected = W.tvwCache->currentItem();
  if (!selected) return;
  W.txtFolder->setText(QStringLiteral(" 開いているフォルダ: ") + selected->text(0));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  FListPane->SetFolder(FTreePane->GetSelectedUrl());
  QApplication::restoreOverrideCursor();
  FSelectedCount = 0;
  FSelectedSize = 0;
  FTotalSize = 0;
  CacheListModel* model = W.lvwCache->Model();
  for (int row = 0; row < model->Count(); ++row) {
    const CacheListItem& item = model->Item(row);
    if (!item.folder) FTotalSize += item.size;
  }
  // A first start without stored widths: the columns fit the first folder shown.
  if (fitColumns_ && model->Count() > 0) {
    fitColumns_ = false;
    for (int c = 0; c < kListColumnCount; ++c) W.lvwCache->DetailsView()->resizeColumnToContents(c);
  }
  UpdateStatusBar();
}

void TfrmMain::UpdateStatusBar() {
  const bool selected = FSelectedCount > 0;
  W.pnlStatus0->setText(
      selected ? QStringLiteral("%1 個のオブジェクトを選択").arg(FSelectedCount)
               : QStringLiteral("%1 個のオブジェクト").arg(W.lvwCache->Model()->Count()));
  const std::uint64_t size = selected ? FSelectedSize : FTotalSize;
  W.pnlStatus1->setText(
      ToQ(FormatSize(static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFFu)))));
}

// ---------------------------------------------------------------------------
// Tree pane
// ---------------------------------------------------------------------------

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == W.tvwCache) {
    switch (event->type()) {
      case QEvent::KeyPress:
        FKeyHeld = true;
        break;
      case QEvent::KeyRelease:
        // Auto-repeat sends release/press pairs while the key stays down.
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) FKeyHeld = false;
        break;
      case QEvent::FocusIn:
        tvwCacheEnter();
        break;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::tvwCacheChange() {
  W.tmrNodeChange->stop();
  if (FKeyHeld) {
    W.tmrNodeChange->start(1000);
  } else {
    ShowSelectedFolder();
  }
}

void TfrmMain::tmrNodeChangeTimer() {
  W.tmrNodeChange->stop();
  ShowSelectedFolder();
}

void TfrmMain::ShowTreePopup(const QPoint& pos) {
  // A right click selects the node under the pointer first.
  if (QTreeWidgetItem* item = W.tvwCache->itemAt(pos)) W.tvwCache->setCurrentItem(item);
  M.mnuPopupTree->popup(W.tvwCache->viewport()->mapToGlobal(pos));
}

void TfrmMain::actTreeUpLevelExecute() {
  QTreeWidgetItem* item = W.tvwCache->currentItem();
  if (item && item->parent()) W.tvwCache->setCurrentItem(item->parent());
}

// ---------------------------------------------------------------------------
// List pane
// ---------------------------------------------------------------------------

void TfrmMain::lvwCacheColumnClick(int column) {
  const int key = SortTypeOfColumn(column);
  if (key < 0) return;
  if (key == FListPane->SortType()) {
    FListPane->SetSortOrder(FListPane->SortOrder() == 0 ? 1 : 0);
  } else {
    FListPane->SetSort(0, key);
  }
}

void TfrmMain::lvwCacheDblClick() {
  const std::vector<int> rows = W.lvwCache->SelectedRows();
  if (rows.empty()) return;
  const CacheListItem& item = W.lvwCache->Model()->Item(rows.front());
  if (!item.node) return;
  if (item.folder) {
    QTreeWidgetItem* parent = W.tvwCache->currentItem();
    if (!parent) return;
    for (int i = 0; i < parent->childCount(); ++i) {
      QTreeWidgetItem* child = parent->child(i);
      if (platform::AnsiSameText(TCacheTreeView::TextOf(child), item.ansiCaption)) {
        W.tvwCache->setCurrentItem(child);
        break;
      }
    }
    return;
  }
  const std::string path(item.node->EntryInfo().LocalFileName);
  if (path.empty()) return;
  QDesktopServices::openUrl(
      QUrl::fromLocalFile(QString::fromStdString(platform::HostPath(path))));
}

void TfrmMain::ShowPopupByKey(QWidget* pane) {
  if (pane == W.tvwCache) {
    QTreeWidgetItem* item = W.tvwCache->currentItem();
    const QRect r = item ? W.tvwCache->visualItemRect(item) : QRect();
    ShowTreePopup(r.isValid() ? r.center() : QPoint(4, 4));
    return;
  }
  auto* view = static_cast<QAbstractItemView*>(pane);
  const QRect r = view->visualRect(view->currentIndex());
  ShowListPopup(view->viewport()->mapToGlobal(r.isValid() ? r.center() : QPoint(4, 4)));
}

void TfrmMain::ShowListPopup(const QPoint& globalPos) {
  listPopup_ = FSelectedCount > 0 ? M.mnuPopupList1 : M.mnuPopupList2;
  listPopup_->popup(globalPos);
}

// ---------------------------------------------------------------------------
// List commands
// ---------------------------------------------------------------------------

void TfrmMain::actListRoolIconExecute() {
  int next = 0;
  if (A.actListLargeIcon->isChecked()) next = 1;
  else if (A.actListSmallIcon->isChecked()) next = 2;
  else if (A.actListListIcon->isChecked()) next = 3;
  ExecuteViewStyle(next);
}

void TfrmMain::actListArrangeIconAutoExecute() {
  // The action's own check has already flipped on the click.
  const bool on = A.actListArrangeIconAuto->isChecked();
  W.lvwCache->setUpdatesEnabled(false);
  W.lvwCache->SetAutoArrange(on);
  if (on) W.lvwCache->Arrange();
  W.lvwCache->setUpdatesEnabled(true);
}

void TfrmMain::actListSelectAllExecute() {
  W.lvwCache->SelectAll();
  W.lvwCache->CurrentView()->setFocus();
}

void TfrmMain::actListItemChangeExecute() {
  W.lvwCache->InvertSelection();
  W.lvwCache->CurrentView()->setFocus();
}

}  // namespace ui
