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
#include <QPainter>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/startup.h"
#include "cache/cache_source.h"
#include "cache/web_cache.h"
#include "common/format.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "tree/web_cache_tree.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/help_viewer.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

QString gApplicationTitle = QStringLiteral("Tollhaven");

const char kGeneral[] = "General";
const char kFavorites[] = "Favorites";
const char kCache[] = "Cache";
const char kOption[] = "Option";

std::string ColKey(int i) {
  return std::string("Col0") + static_cast<char>('1' + i);
}

// Tool-bar pictures: grey at rest, coloured under the mouse.
QIcon ToolIcon(QStyle::StandardPixmap which) {
  QIcon base = QApplication::style()->standardIcon(which);
  QPixmap colour = base.pixmap(QSize(22, 20));
  QImage grey = colour.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < grey.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
    for (int x = 0; x < grey.width(); ++x) {
      const int g = qGray(line[x]);
      line[x] = qRgba(g, g, g, qAlpha(line[x]));
    }
  }
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(grey), QIcon::Normal);
  icon.addPixmap(colour, QIcon::Active);
  icon.addPixmap(colour, QIcon::Selected);
  return icon;
}

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
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("IPAPゴシック")});
  font.setPointSize(9);
  setFont(font);
  resize(963, 313);
  setWindowIcon(ProgramIcon());

  CreateActions();
  CreateMenus();
  CreateLayout();

  // The model and its events.
  FCacheTree = source ? std::make_unique<TWebCacheTree>(std::move(source))
                      : std::make_unique<TWebCacheTree>();
  FCacheTree->OnLoadProgress = [this](const TWebCacheEntryInfoEx&) { LoadProgressTick(); };
  FCacheTree->OnNodeRemoved = [this](const std::string& url) { NodeRemoved(url); };
  UseSettingsFiles(*FCacheTree);

  // The panes: control first, then the model.
  FListPane = std::make_unique<TCacheListView>();
  FListPane->SetListView(lvwCache);
  FListPane->SetCacheTree(FCacheTree.get());
  FTreePane = std::make_unique<TCacheTreeView>();
  FTreePane->SetTreeView(tvwCache);
  FTreePane->SetCacheTree(FCacheTree.get());

  FKeyHeld = false;
  FPopupNode = nullptr;

  setWindowTitle(ApplicationTitle() + QStringLiteral(" for Netscape"));
  SetApplicationTitle(windowTitle());

  PlaceProgressBar();
  ProgressBar->hide();
}

TfrmMain::~TfrmMain() {
  if (helpViewer_) delete helpViewer_;
  // The list must never point into a freed model.
  lvwCache->Model()->ForgetNodes();
  FTreePane.reset();
  FListPane.reset();
  FCacheTree.reset();
}

QAction* TfrmMain::MakeAction(const char* name, const QString& category,
                              const QString& caption, bool implemented) {
  auto* action = new QAction(caption, this);
  action->setObjectName(QString::fromLatin1(name));
  action->setProperty("category", category);
  if (implemented) {
    handled_.push_back(action);
  } else {
    action->setEnabled(false);
  }
  addAction(action);  // shortcuts work although no menu bar is attached
  ActionList1.push_back(action);
  return action;
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

void TfrmMain::SetEnabledIfHandled(QAction* action, bool enabled) {
  action->setEnabled(enabled && HasHandler(action));
}

void TfrmMain::CreateActions() {
  const QString cache = QStringLiteral("Cache操作");
  const QString file = QStringLiteral("ﾌｧｲﾙ操作");
  const QString treeCat = QStringLiteral("TreeView操作");
  const QString list = QStringLiteral("ListView操作");
  const QString fav = QStringLiteral("お気に入り操作");

  actCacheRefresh = MakeAction("actCacheRefresh", cache, QStringLiteral("最新の情報に更新(&R)"), true);
  actCacheRefresh->setShortcut(QKeySequence(Qt::Key_F5));
  actCacheRefresh2 = MakeAction("actCacheRefresh2", cache, QStringLiteral("最新の情報に更新"), true);
  actCacheRefresh2->setIcon(ToolIcon(QStyle::SP_BrowserReload));
  actCacheFind = MakeAction("actCacheFind", cache, QStringLiteral("検索(&F)..."), false);
  actCacheFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  actCacheFind2 = MakeAction("actCacheFind2", cache, QStringLiteral("検索"), false);
  actCacheFind2->setIcon(ToolIcon(QStyle::SP_FileDialogContentsView));

  actFileShowProperty = MakeAction("actFileShowProperty", file, QStringLiteral("プロパティ(&R)"), false);
  actFileShowProperty->setToolTip(QStringLiteral("プロパティ"));
  actFileShowProperty->setIcon(ToolIcon(QStyle::SP_FileDialogInfoView));
  actFileDelete = MakeAction("actFileDelete", file, QStringLiteral("削除(&D)"), false);
  actFileDelete->setShortcut(QKeySequence(Qt::Key_Delete));
  actFileDelete2 = MakeAction("actFileDelete2", file, QStringLiteral("削除"), false);
  actFileDelete2->setIcon(ToolIcon(QStyle::SP_TrashIcon));
  actFileCopy = MakeAction("actFileCopy", file, QStringLiteral("コピー(&C)"), false);
  actFileCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  actFileCopy2 = MakeAction("actFileCopy2", file, QStringLiteral("コピー"), false);
  actFileCopy2->setIcon(ToolIcon(QStyle::SP_DialogSaveButton));
  actFileCopyToDefaultFolder = MakeAction("actFileCopyToDefaultFolder", file,
                                          QStringLiteral("デフォルトフォルダへコピー(&O)"), false);
  actFileCopyToFolder = MakeAction("actFileCopyToFolder", file,
                                   QStringLiteral("フォルダを指定してコピー(&S)..."), false);

  actTreeUpLevel = MakeAction("actTreeUpLevel", treeCat, QStringLiteral("上へ"), true);
  actTreeUpLevel->setIcon(ToolIcon(QStyle::SP_FileDialogToParent));

  actListLargeIcon = MakeAction("actListLargeIcon", list, QStringLiteral("大きいアイコン(&G)"), true);
  actListSmallIcon = MakeAction("actListSmallIcon", list, QStringLiteral("小さいアイコン(&M)"), true);
  actListListIcon = MakeAction("actListListIcon", list, QStringLiteral("一覧(&L)"), true);
  actListDetailIcon = MakeAction("actListDetailIcon", list, QStringLiteral("詳細(&D)"), true);
  viewStyleGroup_ = new QActionGroup(this);
  viewStyleGroup_->setExclusive(true);
  for (QAction* a : {actListLargeIcon, actListSmallIcon, actListListIcon, actListDetailIcon}) {
    a->setCheckable(true);
    viewStyleGroup_->addAction(a);
  }
  actListDetailIcon->setChecked(true);
  actListRoolIcon = MakeAction("actListRoolIcon", list, QStringLiteral("表示"), true);
  actListRoolIcon->setIcon(ToolIcon(QStyle::SP_FileDialogDetailedView));

  actListSortByName = MakeAction("actListSortByName", list, QStringLiteral("名前順(&N)"), true);
  actListSortByCacheName = MakeAction("actListSortByCacheName", list, QStringLiteral("キャッシュ名順(&C)"), true);
  actListSortByTitle = MakeAction("actListSortByTitle", list, QStringLiteral("タイトル順(&I)"), true);
  actListSortBySize = MakeAction("actListSortBySize", list, QStringLiteral("サイズ順(&Z)"), true);
  actListSortByType = MakeAction("actListSortByType", list, QStringLiteral("種類順(&T)"), true);
  actListSortByDate = MakeAction("actListSortByDate", list, QStringLiteral("日付順(&D)"), true);
  actListArrangeIconAuto = MakeAction("actListArrangeIconAuto", list,
                                      QStringLiteral("アイコンの自動整列(&A)"), true);
  actListArrangeIconAuto->setCheckable(true);
  actListArrangeIconAuto->setEnabled(false);
  actListLineUp = MakeAction("actListLineUp", list, QStringLiteral("等間隔に整列(&U)"), true);
  actListLineUp->setEnabled(false);
  actListSelectAll = MakeAction("actListSelectAll", list, QStringLiteral("すべて選択(&A)"), true);
  actListSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  actListItemChange = MakeAction("actListItemChange", list, QStringLiteral("選択の切り替え(&I)"), true);

  actFavoritesNew = MakeAction("actFavoritesNew", fav, QStringLiteral("新規(&N)..."), false);
  actFavoritesUpdate = MakeAction("actFavoritesUpdate", fav, QStringLiteral("修正(&U)..."), false);
  actFavoritesDelete = MakeAction("actFavoritesDelete", fav, QStringLiteral("削除(&D)"), false);
  // Del belongs to actFileDelete as a window shortcut (it deletes favorites when
  // their list has the focus); here it is only shown in the menu.
  actFavoritesDelete->setShortcut(QKeySequence(Qt::Key_Delete));
  actFavoritesDelete->setShortcutContext(Qt::WidgetShortcut);
  removeAction(actFavoritesDelete);
  actFavoritesSetupDefault = MakeAction("actFavoritesSetupDefault", fav, QStringLiteral("デフォルト設定(&S)..."), false);
  actFavoritesImport = MakeAction("actFavoritesImport", fav, QStringLiteral("インポート(&I)..."), false);
  actFavoritesFromCache = MakeAction("actFavoritesFromCache", fav, QStringLiteral("お気に入りへ登録(&A)..."), false);
  actFavoritesCopyFile = MakeAction("actFavoritesCopyFile", fav, QStringLiteral("ローカルへコピー(&C)"), false);
  actFavoritesMoveFile = MakeAction("actFavoritesMoveFile", fav, QStringLiteral("ローカルへ移動(&M)"), false);
  actFavoritesDisplayLocal = MakeAction("actFavoritesDisplayLocal", fav, QStringLiteral("ローカルページの表示(&V)"), false);
  actFavoritesDisplayInternet = MakeAction("actFavoritesDisplayInternet", fav,
                                           QStringLiteral("インターネットページの表示(&N)"), false);
  actFavoritesUpdate->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Return));

  connect(actCacheRefresh, &QAction::triggered, this, [this] { actCacheRefreshExecute(); });
  connect(actCacheRefresh2, &QAction::triggered, this, [this] { actCacheRefreshExecute(); });
  connect(actTreeUpLevel, &QAction::triggered, this, [this] { actTreeUpLevelExecute(); });
  connect(actListLargeIcon, &QAction::triggered, this, [this] { ExecuteViewStyle(0); });
  connect(actListSmallIcon, &QAction::triggered, this, [this] { ExecuteViewStyle(1); });
  connect(actListListIcon, &QAction::triggered, this, [this] { ExecuteViewStyle(2); });
  connect(actListDetailIcon, &QAction::triggered, this, [this] { ExecuteViewStyle(3); });
  connect(actListRoolIcon, &QAction::triggered, this, [this] { actListRoolIconExecute(); });
  const std::pair<QAction*, int> sorts[] = {
      {actListSortByName, stName}, {actListSortByCacheName, stCacheName},
      {actListSortByTitle, stTitle}, {actListSortBySize, stSize},
      {actListSortByType, stType}, {actListSortByDate, stDate}};
  for (const auto& [action, key] : sorts) {
    const int k = key;
    connect(action, &QAction::triggered, this, [this, k] { FListPane->SetSort(0, k); });
  }
  connect(actListArrangeIconAuto, &QAction::triggered, this,
          [this] { actListArrangeIconAutoExecute(); });
  connect(actListLineUp, &QAction::triggered, this, [this] { lvwCache->Arrange(); });
  connect(actListSelectAll, &QAction::triggered, this, [this] { actListSelectAllExecute(); });
  connect(actListItemChange, &QAction::triggered, this, [this] { actListItemChangeExecute(); });
}

void TfrmMain::CreateMenus() {
  mnuFile = new QMenu(QStringLiteral("ファイル(&F)"), this);
  mnuFile->addAction(actFileDelete);
  mnuFile->addAction(actFileShowProperty);
  mnuFile->addSeparator();
  mnuExit = mnuFile->addAction(QStringLiteral("終了(&X)"));
  connect(mnuExit, &QAction::triggered, this, &QWidget::close);

  mnuEdit = new QMenu(QStringLiteral("編集(&E)"), this);
  mnuEdit->addAction(actFileCopy);
  mnuEdit->addSeparator();
  mnuEdit->addAction(actListSelectAll);
  mnuEdit->addAction(actListItemChange);

  mnuArrange = new QMenu(QStringLiteral("アイコンの整列(&I)"), this);
  for (QAction* a : {actListSortByName, actListSortByCacheName, actListSortByTitle,
                     actListSortBySize, actListSortByType, actListSortByDate})
    mnuArrange->addAction(a);
  mnuArrange->addSeparator();
  mnuArrange->addAction(actListArrangeIconAuto);

  mnuView = new QMenu(QStringLiteral("表示(&V)"), this);
  mnuViewToolBar = mnuView->addAction(QStringLiteral("ツールバー(&T)"));
  mnuViewToolBar->setCheckable(true);
  mnuViewToolBar->setChecked(true);
  mnuViewStatusBar = mnuView->addAction(QStringLiteral("ステータスバー(&S)"));
  mnuViewStatusBar->setCheckable(true);
  mnuViewStatusBar->setChecked(true);
  mnuView->addSeparator();
  for (QAction* a : {actListLargeIcon, actListSmallIcon, actListListIcon, actListDetailIcon})
    mnuView->addAction(a);
  mnuView->addSeparator();
  mnuView->addMenu(mnuArrange);
  mnuView->addAction(actListLineUp);
  mnuView->addSeparator();
  mnuView->addAction(actCacheRefresh);
  mnuRefreshAtWakeup = mnuView->addAction(QStringLiteral("起動時に更新(&W)"));
  mnuRefreshAtWakeup->setCheckable(true);
  mnuRefreshAtWakeup->setChecked(true);
  // The check is the whole state of these toggles; a click flips it before the
  // handler runs, as the menu item's own auto-check would.
  connect(mnuViewToolBar, &QAction::triggered, this, [this] {
    tbrCommand->setVisible(mnuViewToolBar->isChecked());
  });
  connect(mnuViewStatusBar, &QAction::triggered, this, [this] {
    statusBar()->setVisible(mnuViewStatusBar->isChecked());
  });

  mnuFavorites = new QMenu(QStringLiteral("お気に入り(&A)"), this);
  mnuFavorites->addAction(actFavoritesDisplayLocal);
  mnuFavorites->addAction(actFavoritesDisplayInternet);
  mnuFavorites->addSeparator();
  mnuFavorites->addAction(actFavoritesCopyFile);
  mnuFavorites->addAction(actFavoritesMoveFile);
  mnuFavorites->addSeparator();
  mnuFavorites->addAction(actFavoritesNew);
  mnuFavorites->addSeparator();
  mnuFavorites->addAction(actFavoritesUpdate);
  mnuFavorites->addAction(actFavoritesDelete);
  mnuFavorites->addSeparator();
  mnuFavorites->addAction(actFavoritesSetupDefault);
  mnuFavorites->addSeparator();
  mnuFavorites->addAction(actFavoritesImport);

  mnuTool = new QMenu(QStringLiteral("ツール(&T)"), this);
  mnuTool->addAction(actCacheFind);

  mnuOption = new QMenu(QStringLiteral("オプション(&O)"), this);
  mnuDefExt = mnuOption->addAction(QStringLiteral("デフォルト拡張子設定(&E)..."));
  mnuDefExt->setEnabled(false);  // the default-extension dialog is not part of this window yet
  mnuOption->addSeparator();
  mnuEnableScheme = mnuOption->addAction(QStringLiteral("スキームの区別(&C)"));
  mnuEnableScheme->setCheckable(true);
  mnuEnableScheme->setChecked(true);
  connect(mnuEnableScheme, &QAction::triggered, this, [this] { mnuEnableSchemeClick(); });

  mnuHelp = new QMenu(QStringLiteral("ヘルプ(&H)"), this);
  mnuHelpContent = mnuHelp->addAction(QStringLiteral("目次とキーワード(&C)..."));
  connect(mnuHelpContent, &QAction::triggered, this, [this] { ShowHelp(); });
  mnuHelp->addSeparator();
  mnuHelpAbout = mnuHelp->addAction(QStringLiteral("バージョン情報(&A)..."));
  mnuHelpAbout->setEnabled(false);  // the about box comes with the dialogs

  for (QAction* a : {mnuExit, mnuViewToolBar, mnuViewStatusBar, mnuRefreshAtWakeup, mnuDefExt,
                     mnuEnableScheme, mnuHelpContent, mnuHelpAbout})
    addAction(a);
  mnuExit->setObjectName(QStringLiteral("mnuExit"));
  mnuViewToolBar->setObjectName(QStringLiteral("mnuViewToolBar"));
  mnuViewStatusBar->setObjectName(QStringLiteral("mnuViewStatusBar"));
  mnuRefreshAtWakeup->setObjectName(QStringLiteral("mnuRefreshAtWakeup"));
  mnuDefExt->setObjectName(QStringLiteral("mnuDefExt"));
  mnuEnableScheme->setObjectName(QStringLiteral("mnuEnableScheme"));
  mnuHelpContent->setObjectName(QStringLiteral("mnuHelpContent"));
  mnuHelpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));

  // Context menus.
  auto fileEntries = [this](QMenu* m) {
    m->addAction(actCacheFind);
    m->addSeparator();
    m->addAction(actFavoritesFromCache);
    m->addSeparator();
    m->addAction(actFileCopyToDefaultFolder);
    m->addAction(actFileCopyToFolder);
    m->addSeparator();
    m->addAction(actFileCopy);
    m->addSeparator();
    m->addAction(actFileDelete);
    m->addSeparator();
    m->addAction(actFileShowProperty);
  };
  mnuPopupTree = new QMenu(this);
  fileEntries(mnuPopupTree);
  mnuPopupList1 = new QMenu(this);
  fileEntries(mnuPopupList1);

  mnuPopupList2 = new QMenu(this);
  mnuPopupList2->addAction(actCacheFind);
  mnuPopupList2->addSeparator();
  mnuPopupList2->addAction(actFavoritesFromCache);
  mnuPopupList2->addSeparator();
  QMenu* viewSub = mnuPopupList2->addMenu(QStringLiteral("表示(&V)"));
  for (QAction* a : {actListLargeIcon, actListSmallIcon, actListListIcon, actListDetailIcon})
    viewSub->addAction(a);
  mnuPopupList2->addSeparator();
  QMenu* arrangeSub = mnuPopupList2->addMenu(QStringLiteral("アイコンの整列(&I)"));
  for (QAction* a : {actListSortByName, actListSortByCacheName, actListSortByTitle,
                     actListSortBySize, actListSortByType, actListSortByDate})
    arrangeSub->addAction(a);
  arrangeSub->addSeparator();
  arrangeSub->addAction(actListArrangeIconAuto);
  mnuPopupList2->addAction(actListLineUp);
  mnuPopupList2->addSeparator();
  mnuPopupList2->addAction(actCacheRefresh);
  mnuPopupList2->addSeparator();
  mnuPopupList2->addAction(actFileShowProperty);

  mnuPopupIcon = new QMenu(this);
  for (QAction* a : {actListLargeIcon, actListSmallIcon, actListListIcon, actListDetailIcon})
    mnuPopupIcon->addAction(a);

  mnuPopupFavorites = new QMenu(this);
  for (QAction* a : {actFavoritesDisplayLocal, actFavoritesDisplayInternet})
    mnuPopupFavorites->addAction(a);
  mnuPopupFavorites->addSeparator();
  for (QAction* a : {actFavoritesCopyFile, actFavoritesMoveFile})
    mnuPopupFavorites->addAction(a);
  mnuPopupFavorites->addSeparator();
  mnuPopupFavorites->addAction(actFavoritesNew);
  mnuPopupFavorites->addSeparator();
  for (QAction* a : {actFavoritesUpdate, actFavoritesDelete}) mnuPopupFavorites->addAction(a);
  listPopup_ = mnuPopupList2;
}

void TfrmMain::CreateLayout() {
  // Band 1: the menu tool bar.
  tbrMenu = new QToolBar(QStringLiteral("tbrMenu"), this);
  tbrMenu->setObjectName(QStringLiteral("tbrMenu"));
  tbrMenu->setMovable(false);
  tbrMenu->setFloatable(false);
  tbrMenu->setToolButtonStyle(Qt::ToolButtonTextOnly);
  for (QMenu* menu : {mnuFile, mnuEdit, mnuView, mnuFavorites, mnuTool, mnuOption, mnuHelp}) {
    auto* button = new QToolButton(tbrMenu);
    button->setText(menu->title());
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setAutoRaise(true);
    button->setFixedHeight(20);
    button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    tbrMenu->addWidget(button);
  }
  addToolBar(Qt::TopToolBarArea, tbrMenu);
  addToolBarBreak(Qt::TopToolBarArea);

  // Band 2: the command tool bar.
  tbrCommand = new QToolBar(QStringLiteral("tbrCommand"), this);
  tbrCommand->setObjectName(QStringLiteral("tbrCommand"));
  tbrCommand->setMovable(false);
  tbrCommand->setFloatable(false);
  tbrCommand->setIconSize(QSize(22, 20));
  tbrCommand->setToolButtonStyle(Qt::ToolButtonIconOnly);
  tbrCommand->addAction(actCacheRefresh2);
  tbrCommand->addSeparator();
  tbrCommand->addAction(actTreeUpLevel);
  tbrCommand->addSeparator();
  tbrCommand->addAction(actFileCopy2);
  tbrCommand->addSeparator();
  tbrCommand->addAction(actFileDelete2);
  tbrCommand->addAction(actFileShowProperty);
  tbrCommand->addSeparator();
  tbrCommand->addAction(actCacheFind2);
  tbrCommand->addSeparator();
  tbrCommand->addAction(actListRoolIcon);
  if (auto* rool = qobject_cast<QToolButton*>(tbrCommand->widgetForAction(actListRoolIcon))) {
    rool->setMenu(mnuPopupIcon);
    rool->setPopupMode(QToolButton::MenuButtonPopup);
  }
  // Each button's caption is its hint; the buttons are 29 x 26.
  for (QAction* a : tbrCommand->actions()) {
    if (a->isSeparator()) continue;
    a->setToolTip(a->text());
    if (QWidget* w = tbrCommand->widgetForAction(a)) w->setMinimumSize(29, 26);
  }
  addToolBar(Qt::TopToolBarArea, tbrCommand);

  // Favorites list.
  lvwFavorites = new QTreeWidget;
  lvwFavorites->setObjectName(QStringLiteral("lvwFavorites"));
  lvwFavorites->setColumnCount(3);
  lvwFavorites->setHeaderLabels({QStringLiteral("タイトル"), QStringLiteral("URL"),
                                 QStringLiteral("最終更新日")});
  lvwFavorites->setColumnWidth(0, 150);
  lvwFavorites->setColumnWidth(1, 200);
  lvwFavorites->setColumnWidth(2, 100);
  lvwFavorites->setRootIsDecorated(false);
  lvwFavorites->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvwFavorites->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvwFavorites->setAllColumnsShowFocus(true);
  lvwFavorites->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvwFavorites->header()->setStretchLastSection(false);

  // Tree panel.
  pnlTreeView = new QWidget;
  pnlTreeView->setObjectName(QStringLiteral("pnlTreeView"));
  auto* treeLayout = new QVBoxLayout(pnlTreeView);
  treeLayout->setContentsMargins(0, 0, 0, 0);
  treeLayout->setSpacing(0);
  txtTree = SunkenCaption(QStringLiteral(" Web Cache フォルダ"));
  tvwCache = new QTreeWidget;
  tvwCache->setObjectName(QStringLiteral("tvwCache"));
  tvwCache->setHeaderHidden(true);
  tvwCache->setIndentation(19);
  tvwCache->setRootIsDecorated(false);
  tvwCache->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tvwCache->setContextMenuPolicy(Qt::CustomContextMenu);
  tvwCache->installEventFilter(this);
  treeLayout->addWidget(txtTree);
  treeLayout->addWidget(tvwCache);

  // List panel.
  pnlListView = new QWidget;
  pnlListView->setObjectName(QStringLiteral("pnlListView"));
  auto* listLayout = new QVBoxLayout(pnlListView);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->setSpacing(0);
  txtFolder = SunkenCaption(QStringLiteral(" 開いているフォルダ:"));
  txtFolder->setObjectName(QStringLiteral("txtFolder"));
  lvwCache = new CacheListControl;
  lvwCache->setObjectName(QStringLiteral("lvwCache"));
  listLayout->addWidget(txtFolder);
  listLayout->addWidget(lvwCache);

  splTree = new QSplitter(Qt::Horizontal);
  splTree->setObjectName(QStringLiteral("splTree"));
  splTree->setHandleWidth(5);
  splTree->setChildrenCollapsible(false);
  splTree->addWidget(pnlTreeView);
  splTree->addWidget(pnlListView);
  splTree->setStretchFactor(1, 1);

  splFavorites = new QSplitter(Qt::Vertical);
  splFavorites->setObjectName(QStringLiteral("splFavorites"));
  splFavorites->setHandleWidth(5);
  splFavorites->setChildrenCollapsible(false);
  splFavorites->addWidget(lvwFavorites);
  splFavorites->addWidget(splTree);
  splFavorites->setStretchFactor(1, 1);
  setCentralWidget(splFavorites);

  // Status bar: two panels and the progress bar laid over the space behind them.
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setSizeGripEnabled(true);
  pnlStatus0 = new QLabel;
  pnlStatus0->setFixedWidth(240);
  pnlStatus0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnlStatus1 = new QLabel;
  pnlStatus1->setFixedWidth(50);
  pnlStatus1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bar->addWidget(pnlStatus0);
  bar->addWidget(pnlStatus1);
  ProgressBar = new QProgressBar(bar);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setRange(0, 100);
  ProgressBar->setTextVisible(false);

  tmrNodeChange = new QTimer(this);
  tmrNodeChange->setObjectName(QStringLiteral("tmrNodeChange"));
  tmrNodeChange->setInterval(1000);
  connect(tmrNodeChange, &QTimer::timeout, this, [this] { tmrNodeChangeTimer(); });

  connect(tvwCache, &QTreeWidget::currentItemChanged, this, [this] { tvwCacheChange(); });
  connect(tvwCache, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { ShowTreePopup(p); });
  connect(mnuPopupTree, &QMenu::aboutToShow, this, [this] { mnuPopupTreePopup(); });
  connect(mnuPopupList1, &QMenu::aboutToShow, this, [this] { mnuPopupList1Popup(); });
  connect(mnuPopupList2, &QMenu::aboutToShow, this, [this] { mnuPopupList2Popup(); });
  connect(lvwCache, &CacheListControl::ColumnClicked, this,
          [this](int c) { lvwCacheColumnClick(c); });
  connect(lvwCache, &CacheListControl::ItemActivated, this, [this](int) { lvwCacheDblClick(); });
  connect(lvwCache, &CacheListControl::EnterPressed, this, [this] { lvwCacheDblClick(); });
  connect(lvwCache, &CacheListControl::SelectionChangedRows, this,
          [this] { lvwCacheSelectItem(); });
  connect(lvwCache, &CacheListControl::ContextMenuAt, this,
          [this](const QPoint& p) { ShowListPopup(p); });
  connect(lvwCache, &CacheListControl::FocusEntered, this, [this] { lvwCacheEnter(); });
}

void TfrmMain::PlaceProgressBar() {
  QStatusBar* bar = statusBar();
  const int left = pnlStatus0->width() + 2;
  ProgressBar->move(left, 2);
  ProgressBar->resize(std::max(0, bar->width() - left - 16), std::max(8, bar->height() - 4));
}

// ---------------------------------------------------------------------------
// Start, settings and shut-down
// ---------------------------------------------------------------------------

QString TfrmMain::SettingsFile() const {
  return QString::fromStdString(platform::JoinPath(platform::SettingsFolder(), "screen.dat"));
}

void TfrmMain::FormCreate() {
  HelpFile = QString::fromStdString(platform::AnsiToUtf8(
      platform::JoinPath(platform::ExecutableFolder(), "tollhaven.hlp")));
  SetApplicationTitle(windowTitle());
  LoadWindowBounds();
  show();
  LoadSettings();
  QApplication::processEvents();
  if (mnuRefreshAtWakeup->isChecked()) {
    RefreshCache();
    FTreePane->Rebuild();
  }
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shownOnce_) {
    shownOnce_ = true;
    FormShow();
  }
}

void TfrmMain::FormShow() {
  // The favorites selection handler with no favorite selected.
  for (QAction* a : {actFavoritesUpdate, actFavoritesDelete, actFavoritesCopyFile,
                     actFavoritesMoveFile, actFavoritesDisplayLocal,
                     actFavoritesDisplayInternet, actCacheFind, actCacheFind2,
                     actFileDelete, actFileDelete2, actFileCopy, actFileCopy2})
    a->setEnabled(false);
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
  platform::IniFile ini(FromQ(SettingsFile()));
  const int top = ini.ReadInteger(kGeneral, "Top", 0);
  const int left = ini.ReadInteger(kGeneral, "Left", 0);
  const int width = ini.ReadInteger(kGeneral, "Width", 0);
  const int height = ini.ReadInteger(kGeneral, "Height", 0);
  if (top != 0 || left != 0 || width != 0 || height != 0) {
    move(left, top);
    resize(std::max(width, 1), std::max(height, 1));
  }
}

void TfrmMain::LoadSettings() {
  platform::IniFile ini(FromQ(SettingsFile()));
  const bool toolBar = ini.ReadBool(kGeneral, "ToolBar", true);
  const bool statusBarOn = ini.ReadBool(kGeneral, "StatusBar", true);
  const int favoriteSplit = ini.ReadInteger(kGeneral, "FavoriteSplit", height() / 3);
  const int cacheSplit = ini.ReadInteger(kGeneral, "CacheSplit", width() / 3);
  {
    const int total = splFavorites->height();
    splFavorites->setSizes({favoriteSplit, std::max(1, total - favoriteSplit)});
    const int across = splTree->width();
    splTree->setSizes({cacheSplit, std::max(1, across - cacheSplit)});
  }
  mnuViewToolBar->setChecked(!toolBar);
  mnuViewToolBarClick();
  mnuViewStatusBar->setChecked(!statusBarOn);
  mnuViewStatusBarClick();

  for (int i = 0; i < 3; ++i)
    lvwFavorites->setColumnWidth(i, ini.ReadInteger(kFavorites, ColKey(i), 100));
  // The favorites' sort order is kept for the favorites store.
  lvwFavorites->setProperty("SortType", ini.ReadInteger(kFavorites, "SortType", 0));
  lvwFavorites->setProperty("SortOrder", ini.ReadInteger(kFavorites, "SortOrder", 0));

  for (int i = 0; i < kListColumnCount; ++i)
    lvwCache->SetColumnWidth(i, ini.ReadInteger(kCache, ColKey(i), 100));
  const int sortType = ini.ReadInteger(kCache, "SortType", stName);
  const int sortOrder = ini.ReadInteger(kCache, "SortOrder", 0);
  FListPane->SetSort(sortOrder == 1 ? 1 : 0, sortType);

  const bool autoArrange = ini.ReadBool(kCache, "AutoArrange", false);
  actListArrangeIconAuto->setChecked(autoArrange);
  lvwCache->SetAutoArrange(autoArrange);

  const int viewStyle = ini.ReadInteger(kCache, "ViewStyle", 3);
  if (viewStyle >= 0 && viewStyle <= 3) ExecuteViewStyle(viewStyle);

  mnuRefreshAtWakeup->setChecked(ini.ReadBool(kCache, "Refresh", true));
  const bool scheme = ini.ReadBool(kOption, "EnableScheme", true);
  mnuEnableScheme->setChecked(scheme);
  FCacheTree->SetEnableScheme(scheme);
  FSchemeLevel = scheme ? 1 : 0;
}

void TfrmMain::SaveSettings() {
  platform::IniFile ini(FromQ(SettingsFile()));
  ini.WriteInteger(kGeneral, "Top", y());
  ini.WriteInteger(kGeneral, "Left", x());
  ini.WriteInteger(kGeneral, "Width", width());
  ini.WriteInteger(kGeneral, "Height", height());
  ini.WriteBool(kGeneral, "ToolBar", mnuViewToolBar->isChecked());
  ini.WriteBool(kGeneral, "StatusBar", mnuViewStatusBar->isChecked());
  ini.WriteInteger(kGeneral, "FavoriteSplit", lvwFavorites->height());
  ini.WriteInteger(kGeneral, "CacheSplit", pnlTreeView->width());
  for (int i = 0; i < 3; ++i) ini.WriteInteger(kFavorites, ColKey(i), lvwFavorites->columnWidth(i));
  ini.WriteInteger(kFavorites, "SortType", lvwFavorites->property("SortType").toInt());
  ini.WriteInteger(kFavorites, "SortOrder", lvwFavorites->property("SortOrder").toInt());
  for (int i = 0; i < kListColumnCount; ++i)
    ini.WriteInteger(kCache, ColKey(i), lvwCache->ColumnWidth(i));
  ini.WriteInteger(kCache, "SortType", FListPane->SortType());
  ini.WriteInteger(kCache, "SortOrder", FListPane->SortOrder());
  ini.WriteBool(kCache, "AutoArrange", actListArrangeIconAuto->isChecked());
  ini.WriteInteger(kCache, "ViewStyle", static_cast<int>(lvwCache->ViewStyle()));
  ini.WriteBool(kCache, "Refresh", mnuRefreshAtWakeup->isChecked());
  ini.WriteBool(kOption, "EnableScheme", mnuEnableScheme->isChecked());
}

void TfrmMain::mnuViewToolBarClick() {
  mnuViewToolBar->setChecked(!mnuViewToolBar->isChecked());
  tbrCommand->setVisible(mnuViewToolBar->isChecked());
}

void TfrmMain::mnuViewStatusBarClick() {
  mnuViewStatusBar->setChecked(!mnuViewStatusBar->isChecked());
  statusBar()->setVisible(mnuViewStatusBar->isChecked());
}

void TfrmMain::mnuEnableSchemeClick() {
  const bool on = mnuEnableScheme->isChecked();
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

void TfrmMain::RefreshCache() {
  // Nothing may look into the model while it is rebuilt: no delayed refill, and
  // the list keeps its texts but lets go of the nodes.
  tmrNodeChange->stop();
  refreshing_ = true;
  lvwCache->Model()->ForgetNodes();
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QApplication::processEvents();

  pnlStatus0->setText(QStringLiteral("初期化中..."));
  statusBar()->repaint();
  ProgressBar->setMaximum(std::max(1, FCacheTree->GetCount()));
  ProgressBar->setValue(0);
  ProgressBar->show();

  pnlStatus0->setText(QStringLiteral("キャッシュ情報の更新中..."));
  statusBar()->repaint();
  FCacheTree->Build();

  pnlStatus0->setText(QStringLiteral("キャッシュ情報のソート中..."));
  statusBar()->repaint();
  FCacheTree->SortAll();

  pnlStatus0->setText(QStringLiteral("重複ファイル名の変更中..."));
  statusBar()->repaint();
  FCacheTree->MakeNamesUnique(FCacheTree->Root());

  ProgressBar->hide();
  QApplication::restoreOverrideCursor();
  setEnabled(true);
  refreshing_ = false;
}

void TfrmMain::actCacheRefreshExecute() {
  RefreshCache();
  FTreePane->Rebuild();
}

void TfrmMain::LoadProgressTick() {
  // setValue repaints at once whenever the bar visibly grows; painting on every
  // one of 100,000 ticks would cost more than the load itself.
  ProgressBar->setValue(ProgressBar->value() + 1);
  if (ProgressBar->value() % 100 == 0) {
    ++pendingRounds_;
    QApplication::processEvents();
  }
}

void TfrmMain::NodeRemoved(const std::string& url) {
  FListPane->RemoveUrl(url);
  if (!url.empty() && url.back() == '/') {
    FTreePane->RemoveFolderUrl(url);
  } else {
    LoadProgressTick();
  }
}

void TfrmMain::ShowSelectedFolder() {
  if (refreshing_) return;
  QTreeWidgetItem* selected = tvwCache->currentItem();
  if (!selected) return;
  txtFolder->setText(QStringLiteral(" 開いているフォルダ: ") + selected->text(0));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  FListPane->SetFolder(FTreePane->GetSelectedUrl());
  QApplication::restoreOverrideCursor();
  FSelectedCount = 0;
  FSelectedSize = 0;
  FTotalSize = 0;
  CacheListModel* model = lvwCache->Model();
  for (int row = 0; row < model->Count(); ++row) {
    const CacheListItem& item = model->Item(row);
    if (!item.folder) FTotalSize += item.size;
  }
  UpdateStatusBar();
}

void TfrmMain::UpdateStatusBar() {
  if (FSelectedCount > 0) {
    pnlStatus0->setText(QStringLiteral("%1 個のオブジェクトを選択").arg(FSelectedCount));
    pnlStatus1->setText(ToQ(FormatSize(static_cast<std::uint32_t>(
        std::min<std::uint64_t>(FSelectedSize, 0xFFFFFFFFu)))));
  } else {
    pnlStatus0->setText(QStringLiteral("%1 個のオブジェクト").arg(lvwCache->Model()->Count()));
    pnlStatus1->setText(ToQ(FormatSize(static_cast<std::uint32_t>(
        std::min<std::uint64_t>(FTotalSize, 0xFFFFFFFFu)))));
  }
}

// ---------------------------------------------------------------------------
// Tree pane
// ---------------------------------------------------------------------------

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tvwCache) {
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
  tmrNodeChange->stop();
  if (FKeyHeld) {
    tmrNodeChange->start(1000);
  } else {
    ShowSelectedFolder();
  }
}

void TfrmMain::tmrNodeChangeTimer() {
  tmrNodeChange->stop();
  ShowSelectedFolder();
}

void TfrmMain::tvwCacheEnter() {
  for (QAction* a : {actCacheFind, actCacheFind2, actFileDelete, actFileDelete2,
                     actFileShowProperty, actFileCopy, actFileCopy2})
    SetEnabledIfHandled(a, true);
}

bool TfrmMain::TreeNodeDeepEnough(const QTreeWidgetItem* item) const {
  if (!item) return false;
  const int level = TCacheTreeView::LevelOf(item);
  return FTreePane->RootUrl().empty() ? level > FSchemeLevel : level > 0;
}

void TfrmMain::mnuPopupTreePopup() {
  FPopupNode = tvwCache->currentItem();
  const bool deep = TreeNodeDeepEnough(FPopupNode);
  for (QAction* a : {actFavoritesFromCache, actFileCopyToDefaultFolder, actFileCopyToFolder})
    SetEnabledIfHandled(a, deep);
  const bool rootHasNode = TCacheTreeView::NodeOf(FTreePane->RootItem()) != nullptr;
  for (QAction* a : {actFileCopy, actFileDelete, actFileShowProperty})
    SetEnabledIfHandled(a, rootHasNode);
}

void TfrmMain::ShowTreePopup(const QPoint& pos) {
  // A right click selects the node under the pointer first.
  if (QTreeWidgetItem* item = tvwCache->itemAt(pos)) tvwCache->setCurrentItem(item);
  mnuPopupTree->popup(tvwCache->viewport()->mapToGlobal(pos));
}

void TfrmMain::actTreeUpLevelExecute() {
  QTreeWidgetItem* item = tvwCache->currentItem();
  if (item && item->parent()) tvwCache->setCurrentItem(item->parent());
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
  const std::vector<int> rows = lvwCache->SelectedRows();
  if (rows.empty()) return;
  const CacheListItem& item = lvwCache->Model()->Item(rows.front());
  if (!item.node) return;
  if (item.folder) {
    QTreeWidgetItem* parent = tvwCache->currentItem();
    if (!parent) return;
    for (int i = 0; i < parent->childCount(); ++i) {
      QTreeWidgetItem* child = parent->child(i);
      if (platform::AnsiSameText(TCacheTreeView::TextOf(child), item.ansiCaption)) {
        tvwCache->setCurrentItem(child);
        break;
      }
    }
    return;
  }
  const std::string& path = item.node->EntryInfo().LocalFileName;
  if (path.empty()) return;
  QDesktopServices::openUrl(
      QUrl::fromLocalFile(QString::fromStdString(platform::HostPath(path))));
}

void TfrmMain::lvwCacheSelectItem() {
  FSelectedCount = 0;
  FSelectedSize = 0;
  bool oneFolder = false;
  CacheListModel* model = lvwCache->Model();
  for (int row : lvwCache->SelectedRows()) {
    const CacheListItem& item = model->Item(row);
    if (!item.node) continue;
    ++FSelectedCount;
    if (!item.folder) FSelectedSize += item.size;
    oneFolder = item.folder;
  }
  UpdateStatusBar();
  if (FSelectedCount > 0) {
    listPopup_ = mnuPopupList1;
    const bool find = FSelectedCount == 1 && oneFolder;
    SetEnabledIfHandled(actCacheFind, find);
    SetEnabledIfHandled(actCacheFind2, find);
    for (QAction* a : {actFileDelete, actFileDelete2, actFileCopy, actFileCopy2})
      SetEnabledIfHandled(a, true);
  } else {
    listPopup_ = mnuPopupList2;
    SetEnabledIfHandled(actCacheFind, true);
    SetEnabledIfHandled(actCacheFind2, true);
    for (QAction* a : {actFileDelete, actFileDelete2, actFileCopy, actFileCopy2})
      SetEnabledIfHandled(a, false);
  }
}

void TfrmMain::lvwCacheEnter() {
  const std::vector<int> rows = lvwCache->SelectedRows();
  const bool oneFolder =
      rows.size() == 1 && lvwCache->Model()->Item(rows.front()).folder;
  SetEnabledIfHandled(actCacheFind, rows.empty() || oneFolder);
  SetEnabledIfHandled(actCacheFind2, rows.empty() || oneFolder);
  for (QAction* a : {actFileDelete, actFileDelete2, actFileCopy, actFileCopy2})
    SetEnabledIfHandled(a, !rows.empty());
  SetEnabledIfHandled(actFileShowProperty, true);
}

void TfrmMain::mnuPopupList1Popup() {
  const bool deep = !FTreePane->RootUrl().empty() ||
                    (tvwCache->currentItem() &&
                     TCacheTreeView::LevelOf(tvwCache->currentItem()) >= FSchemeLevel);
  if (!deep) {
    for (QAction* a : {actFileCopyToDefaultFolder, actFileCopyToFolder, actFavoritesFromCache})
      a->setEnabled(false);
    return;
  }
  SetEnabledIfHandled(actFileCopyToDefaultFolder, true);
  SetEnabledIfHandled(actFileCopyToFolder, true);
  const std::vector<int> rows = lvwCache->SelectedRows();
  bool fav = false;
  if (rows.size() == 1) {
    const CacheListItem& item = lvwCache->Model()->Item(rows.front());
    if (item.node) {
      fav = item.folder || IsHtmlEntry(item.node->EntryInfo());
    }
  }
  SetEnabledIfHandled(actFavoritesFromCache, fav);
}

void TfrmMain::mnuPopupList2Popup() {
  SetEnabledIfHandled(actFavoritesFromCache, TreeNodeDeepEnough(tvwCache->currentItem()));
}

void TfrmMain::ShowListPopup(const QPoint& globalPos) {
  listPopup_ = FSelectedCount > 0 ? mnuPopupList1 : mnuPopupList2;
  listPopup_->popup(globalPos);
}

// ---------------------------------------------------------------------------
// List commands
// ---------------------------------------------------------------------------

void TfrmMain::SetListViewStyle(int style) { ExecuteViewStyle(style); }

void TfrmMain::ExecuteViewStyle(int style) {
  static const TViewStyle kStyles[] = {TViewStyle::LargeIcon, TViewStyle::SmallIcon,
                                       TViewStyle::List, TViewStyle::Report};
  QAction* const actions[] = {actListLargeIcon, actListSmallIcon, actListListIcon,
                              actListDetailIcon};
  if (style < 0 || style > 3) return;
  lvwCache->SetViewStyle(kStyles[style]);
  actions[style]->setChecked(true);
  const bool icons = style <= 1;
  actListArrangeIconAuto->setEnabled(icons);
  actListLineUp->setEnabled(icons);
}

void TfrmMain::actListRoolIconExecute() {
  int next = 0;
  if (actListLargeIcon->isChecked()) next = 1;
  else if (actListSmallIcon->isChecked()) next = 2;
  else if (actListListIcon->isChecked()) next = 3;
  ExecuteViewStyle(next);
}

void TfrmMain::actListArrangeIconAutoExecute() {
  // The action's own check has already flipped on the click.
  const bool on = actListArrangeIconAuto->isChecked();
  lvwCache->setUpdatesEnabled(false);
  lvwCache->SetAutoArrange(on);
  if (on) lvwCache->Arrange();
  lvwCache->setUpdatesEnabled(true);
}

void TfrmMain::actListSelectAllExecute() {
  lvwCache->SelectAll();
  lvwCache->CurrentView()->setFocus();
}

void TfrmMain::actListItemChangeExecute() {
  lvwCache->InvertSelection();
  lvwCache->CurrentView()->setFocus();
}

}  // namespace ui
