#include "ui/main/main_actions.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QRegularExpression>
#include <QStyle>
#include <initializer_list>

namespace ui {

namespace {

using A = TMainActions;

constexpr char kCache[] = "Cache操作";
constexpr char kFile[] = "ﾌｧｲﾙ操作";
constexpr char kTree[] = "TreeView操作";
constexpr char kList[] = "ListView操作";
constexpr char kFav[] = "お気に入り操作";

const TActionSpec kActions[] = {
    {&A::actCacheRefresh, "actCacheRefresh", kCache, "最新の情報に更新(&R)", "F5", ""},
    {&A::actCacheRefresh2, "actCacheRefresh2", kCache, "最新の情報に更新", "", "view-refresh"},
    {&A::actCacheFind, "actCacheFind", kCache, "検索(&F)...", "Ctrl+F", ""},
    {&A::actCacheFind2, "actCacheFind2", kCache, "検索", "", "edit-find"},
    {&A::actFileShowProperty, "actFileShowProperty", kFile, "プロパティ(&R)", "",
     "document-properties"},
    {&A::actFileDelete, "actFileDelete", kFile, "削除(&D)", "Del", ""},
    {&A::actFileDelete2, "actFileDelete2", kFile, "削除", "", "edit-delete"},
    {&A::actFileCopy, "actFileCopy", kFile, "コピー(&C)", "Ctrl+C", ""},
    {&A::actFileCopy2, "actFileCopy2", kFile, "コピー", "", "edit-copy"},
    {&A::actFileCopyToDefaultFolder, "actFileCopyToDefaultFolder", kFile,
     "デフォルトフォルダへコピー(&O)", "", ""},
    {&A::actFileCopyToFolder, "actFileCopyToFolder", kFile, "フォルダを指定してコピー(&S)...", "",
     ""},
    {&A::actTreeUpLevel, "actTreeUpLevel", kTree, "上へ", "", "go-up"},
    {&A::actListLargeIcon, "actListLargeIcon", kList, "大きいアイコン(&G)", "", ""},
    {&A::actListSmallIcon, "actListSmallIcon", kList, "小さいアイコン(&M)", "", ""},
    {&A::actListListIcon, "actListListIcon", kList, "一覧(&L)", "", ""},
    {&A::actListDetailIcon, "actListDetailIcon", kList, "詳細(&D)", "", ""},
    {&A::actListRoolIcon, "actListRoolIcon", kList, "表示", "", "view-list-icons"},
    {&A::actListSortByName, "actListSortByName", kList, "名前順(&N)", "", ""},
    {&A::actListSortByCacheName, "actListSortByCacheName", kList, "キャッシュ名順(&C)", "", ""},
    {&A::actListSortByTitle, "actListSortByTitle", kList, "タイトル順(&I)", "", ""},
    {&A::actListSortBySize, "actListSortBySize", kList, "サイズ順(&Z)", "", ""},
    {&A::actListSortByType, "actListSortByType", kList, "種類順(&T)", "", ""},
    {&A::actListSortByDate, "actListSortByDate", kList, "日付順(&D)", "", ""},
    {&A::actListArrangeIconAuto, "actListArrangeIconAuto", kList, "アイコンの自動整列(&A)", "",
     ""},
    {&A::actListLineUp, "actListLineUp", kList, "等間隔に整列(&U)", "", ""},
    {&A::actListSelectAll, "actListSelectAll", kList, "すべて選択(&A)", "Ctrl+A", ""},
    {&A::actListItemChange, "actListItemChange", kList, "選択の切り替え(&I)", "", ""},
    {&A::actFavoritesNew, "actFavoritesNew", kFav, "新規(&N)...", "", ""},
    {&A::actFavoritesUpdate, "actFavoritesUpdate", kFav, "修正(&U)...", "Alt+Enter", ""},
    {&A::actFavoritesDelete, "actFavoritesDelete", kFav, "削除(&D)", "Del", ""},
    {&A::actFavoritesSetupDefault, "actFavoritesSetupDefault", kFav, "デフォルト設定(&S)...", "",
     ""},
    {&A::actFavoritesImport, "actFavoritesImport", kFav, "インポート(&I)...", "", ""},
    {&A::actFavoritesFromCache, "actFavoritesFromCache", kFav, "お気に入りへ登録(&A)...", "", ""},
    {&A::actFavoritesCopyFile, "actFavoritesCopyFile", kFav, "ローカルへコピー(&C)", "", ""},
    {&A::actFavoritesMoveFile, "actFavoritesMoveFile", kFav, "ローカルへ移動(&M)", "", ""},
    {&A::actFavoritesDisplayLocal, "actFavoritesDisplayLocal", kFav, "ローカルページの表示(&V)",
     "", ""},
    {&A::actFavoritesDisplayInternet, "actFavoritesDisplayInternet", kFav,
     "インターネットページの表示(&N)", "", ""},
    {&A::mnuExit, "mnuExit", "", "終了(&X)", "", ""},
    {&A::mnuViewToolBar, "mnuViewToolBar", "", "ツールバー(&T)", "", ""},
    {&A::mnuViewStatusBar, "mnuViewStatusBar", "", "ステータスバー(&S)", "", ""},
    {&A::mnuRefreshAtWakeup, "mnuRefreshAtWakeup", "", "起動時に更新(&W)", "", ""},
    {&A::mnuOptSetupDefExtName, "mnuOptSetupDefExtName", "", "デフォルト拡張子設定(&E)...", "",
     ""},
    {&A::mnuEnableScheme, "mnuEnableScheme", "", "スキームの区別(&C)", "", ""},
    {&A::mnuHelpContent, "mnuHelpContent", "", "目次とキーワード(&C)...", "", ""},
    {&A::mnuHelpAbout, "mnuHelpAbout", "", "バージョン情報(&A)...", "", ""},
};

// Stand-ins from the Qt style where the icon theme lacks a picture.
QStyle::StandardPixmap FallbackFor(const QString& name) {
  if (name == QLatin1String("view-refresh")) return QStyle::SP_BrowserReload;
  if (name == QLatin1String("edit-find")) return QStyle::SP_FileDialogContentsView;
  if (name == QLatin1String("document-properties")) return QStyle::SP_FileDialogInfoView;
  if (name == QLatin1String("edit-delete")) return QStyle::SP_TrashIcon;
  if (name == QLatin1String("edit-copy")) return QStyle::SP_DialogSaveButton;
  if (name == QLatin1String("go-up")) return QStyle::SP_FileDialogToParent;
  return QStyle::SP_FileDialogDetailedView;
}

QIcon ToolIcon(const char* name) {
  const QString n = QString::fromLatin1(name);
  QIcon icon = QIcon::fromTheme(n);
  if (icon.isNull()) icon = QApplication::style()->standardIcon(FallbackFor(n));
  return icon;
}

// Entries of a menu: an action, or null for a separator.
using Entries = std::initializer_list<QAction* TMainActions::*>;

void Fill(QMenu* menu, const TMainActions& a, Entries entries) {
  for (QAction* TMainActions::*entry : entries) {
    if (entry) {
      menu->addAction(a.*entry);
    } else {
      menu->addSeparator();
    }
  }
}

const Entries kViewStyles = {&A::actListLargeIcon, &A::actListSmallIcon, &A::actListListIcon,
                             &A::actListDetailIcon};
const Entries kArrange = {&A::actListSortByName, &A::actListSortByCacheName,
                          &A::actListSortByTitle, &A::actListSortBySize,
                          &A::actListSortByType,  &A::actListSortByDate,
                          nullptr,                &A::actListArrangeIconAuto};
// The tree's and the selected list's context menus.
const Entries kFileEntries = {&A::actCacheFind,          nullptr,
                              &A::actFavoritesFromCache, nullptr,
                              &A::actFileCopyToDefaultFolder, &A::actFileCopyToFolder,
                              nullptr,                   &A::actFileCopy,
                              nullptr,                   &A::actFileDelete,
                              nullptr,                   &A::actFileShowProperty};

QMenu* NewMenu(QWidget* owner, const char* title, const char* name) {
  auto* menu = new QMenu(QString::fromUtf8(title), owner);
  menu->setObjectName(QString::fromLatin1(name));
  return menu;
}

}  // namespace

std::span<const TActionSpec> MainActionTable() { return kActions; }

QString HintOf(const QString& caption) {
  static const QRegularExpression accelerator(QStringLiteral("\\s*\\(&.\\)"));
  QString hint = caption;
  hint.remove(accelerator);
  hint.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  hint.remove(QLatin1Char('&'));
  hint.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return hint;
}

void CreateMainActions(QWidget* owner, TMainActions& a) {
  for (const TActionSpec& spec : kActions) {
    auto* action = new QAction(QString::fromUtf8(spec.caption), owner);
    action->setObjectName(QString::fromLatin1(spec.name));
    if (*spec.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(spec.shortcut)));
    if (*spec.icon) action->setIcon(ToolIcon(spec.icon));
    action->setToolTip(HintOf(action->text()));
    if (*spec.category) {
      action->setProperty("category", QString::fromUtf8(spec.category));
      a.ActionList1.push_back(action);
    }
    owner->addAction(action);  // shortcuts work although no menu bar is attached
    a.*spec.member = action;
  }
  // Del is the file delete's key; the favorites' delete shows it in its menus and
  // is reached through actFileDelete when the favorites list has the focus (two
  // window shortcuts on one key would make Qt fire neither).
  a.actFavoritesDelete->setShortcutContext(Qt::WidgetShortcut);
  owner->removeAction(a.actFavoritesDelete);

  a.ViewStyles = new QActionGroup(owner);
  a.ViewStyles->setExclusive(true);
  for (QAction* s : {a.actListLargeIcon, a.actListSmallIcon, a.actListListIcon,
                     a.actListDetailIcon}) {
    s->setCheckable(true);
    a.ViewStyles->addAction(s);
  }
  a.actListDetailIcon->setChecked(true);
  a.actListArrangeIconAuto->setCheckable(true);
  a.actListArrangeIconAuto->setEnabled(false);
  a.actListLineUp->setEnabled(false);
  for (QAction* check : {a.mnuViewToolBar, a.mnuViewStatusBar, a.mnuRefreshAtWakeup,
                         a.mnuEnableScheme}) {
    check->setCheckable(true);
    check->setChecked(true);
  }
}

void CreateMainMenus(QWidget* owner, const TMainActions& a, TMainMenus& m) {
  m.mnuFile = NewMenu(owner, "ファイル(&F)", "mnuFile");
  Fill(m.mnuFile, a, {&A::actFileDelete, &A::actFileShowProperty, nullptr, &A::mnuExit});
  m.mnuEdit = NewMenu(owner, "編集(&E)", "mnuEdit");
  Fill(m.mnuEdit, a, {&A::actFileCopy, nullptr, &A::actListSelectAll, &A::actListItemChange});

  m.mnuArrange = NewMenu(owner, "アイコンの整列(&I)", "mnuArrange");
  Fill(m.mnuArrange, a, kArrange);
  m.mnuView = NewMenu(owner, "表示(&V)", "mnuView");
  Fill(m.mnuView, a, {&A::mnuViewToolBar, &A::mnuViewStatusBar, nullptr});
  Fill(m.mnuView, a, kViewStyles);
  m.mnuView->addSeparator();
  m.mnuView->addMenu(m.mnuArrange);
  Fill(m.mnuView, a, {&A::actListLineUp, nullptr, &A::actCacheRefresh, &A::mnuRefreshAtWakeup});

  m.mnuFavorites = NewMenu(owner, "お気に入り(&A)", "mnuFavorites");
  Fill(m.mnuFavorites, a,
       {&A::actFavoritesDisplayLocal, &A::actFavoritesDisplayInternet, nullptr,
        &A::actFavoritesCopyFile, &A::actFavoritesMoveFile, nullptr, &A::actFavoritesNew,
        nullptr, &A::actFavoritesUpdate, &A::actFavoritesDelete, nullptr,
        &A::actFavoritesSetupDefault, nullptr, &A::actFavoritesImport});
  m.mnuTool = NewMenu(owner, "ツール(&T)", "mnuTool");
  Fill(m.mnuTool, a, {&A::actCacheFind});
  m.mnuOption = NewMenu(owner, "オプション(&O)", "mnuOption");
  Fill(m.mnuOption, a, {&A::mnuOptSetupDefExtName, nullptr, &A::mnuEnableScheme});
  m.mnuHelp = NewMenu(owner, "ヘルプ(&H)", "mnuHelp");
  Fill(m.mnuHelp, a, {&A::mnuHelpContent, nullptr, &A::mnuHelpAbout});

  m.mnuPopupTree = NewMenu(owner, "", "mnuPopupTree");
  Fill(m.mnuPopupTree, a, kFileEntries);
  m.mnuPopupList1 = NewMenu(owner, "", "mnuPopupList1");
  Fill(m.mnuPopupList1, a, kFileEntries);
  m.mnuPopupList2 = NewMenu(owner, "", "mnuPopupList2");
  Fill(m.mnuPopupList2, a, {&A::actCacheFind, nullptr, &A::actFavoritesFromCache, nullptr});
  QMenu* viewSub = m.mnuPopupList2->addMenu(QStringLiteral("表示(&V)"));
  Fill(viewSub, a, kViewStyles);
  m.mnuPopupList2->addSeparator();
  QMenu* arrangeSub = m.mnuPopupList2->addMenu(QStringLiteral("アイコンの整列(&I)"));
  Fill(arrangeSub, a, kArrange);
  Fill(m.mnuPopupList2, a,
       {&A::actListLineUp, nullptr, &A::actCacheRefresh, nullptr, &A::actFileShowProperty});

  m.mnuPopupIcon = NewMenu(owner, "", "mnuPopupIcon");
  Fill(m.mnuPopupIcon, a, kViewStyles);
  m.mnuPopupFavorites = NewMenu(owner, "", "mnuPopupFavorites");
  Fill(m.mnuPopupFavorites, a,
       {&A::actFavoritesDisplayLocal, &A::actFavoritesDisplayInternet, nullptr,
        &A::actFavoritesCopyFile, &A::actFavoritesMoveFile, nullptr, &A::actFavoritesNew,
        nullptr, &A::actFavoritesUpdate, &A::actFavoritesDelete});
}

}  // namespace ui
