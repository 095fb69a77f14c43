// The main window on the offscreen platform: start-up and settings, loading the
// cache into the tree, the list's columns and sorting, the keyboard delay of the
// tree, opening folders from the list and keeping both panes in step with deletes.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "tree/web_cache_tree.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_text.h"
#include "ui_fixture.h"

using ui::TfrmMain;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    ui::SetApplicationTitle(QStringLiteral("Tollhaven"));
    platform::SetSettingsFolder(settings_.path() + "/");
  }
  void TearDown() override { platform::SetSettingsFolder(""); }

  std::unique_ptr<TfrmMain> MakeWindow(bool start = true) {
    auto w = std::make_unique<TfrmMain>(uitest::MakeSampleSource(bodies_.path()));
    if (start) w->FormCreate();
    return w;
  }

  void WriteSettings(const std::string& text) {
    std::FILE* f = std::fopen(settings_.File("screen.dat").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }

  static QStringList ChildTexts(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
    return texts;
  }

  static QStringList Column(const TfrmMain& w, int column) {
    QStringList texts;
    const ui::CacheListModel* m = w.Ui().lvwCache->Model();
    for (int row = 0; row < m->Count(); ++row) texts << m->Item(row).text[column];
    return texts;
  }

  // The local name of .../docs/run.cgi?q=1 (a query gives a name of its own).
  static QString RunName(TfrmMain& w) {
    return uitest::LocalNameOf(w.CacheTree()->FindNodeByUrl("http://www.example.com/docs/"),
                               "http://www.example.com/docs/run.cgi?q=1");
  }

  static bool Select(TfrmMain& w, const std::string& url) {
    QTreeWidgetItem* item = w.TreePane()->FindTreeNode(url);
    if (!item) return false;
    w.Ui().tvwCache->setCurrentItem(item);
    return true;
  }

  uitest::TempDir settings_;
  uitest::TempDir bodies_;
};

TEST_F(MainWindowTest, FirstStartWithoutSettingsUsesTheDefaults) {
  auto w = MakeWindow();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tollhaven for Netscape"));
  EXPECT_EQ(ui::ApplicationTitle(), QStringLiteral("Tollhaven for Netscape"));
  // A second window in the same process keeps the same title.
  EXPECT_EQ(MakeWindow(false)->windowTitle(), QStringLiteral("Tollhaven for Netscape"));
  EXPECT_EQ(w->size(), QSize(963, 313));
  EXPECT_TRUE(w->Ui().tbrCommand->isVisible());
  EXPECT_TRUE(w->statusBar()->isVisible());
  EXPECT_TRUE(w->Actions().mnuViewToolBar->isChecked());
  EXPECT_TRUE(w->Actions().mnuViewStatusBar->isChecked());
  // One third of the client height and width (the splitter may trim a pixel or two).
  EXPECT_NEAR(w->Ui().lvwFavorites->height(), w->height() / 3, 3);
  EXPECT_NEAR(w->Ui().pnlTreeView->width(), w->width() / 3, 3);
  // The list's columns fit the contents of the first folder shown (stored widths
  // are kept once there are some).
  for (int c = 0; c < 6; ++c) EXPECT_NE(w->Ui().lvwCache->ColumnWidth(c), 100) << c;
  for (int c = 0; c < 3; ++c) EXPECT_EQ(w->Ui().lvwFavorites->columnWidth(c), 100) << c;
  EXPECT_EQ(w->ListPane()->SortType(), ui::stName);
  EXPECT_EQ(w->ListPane()->SortOrder(), 0);
  EXPECT_EQ(w->Ui().lvwCache->ViewStyle(), ui::TViewStyle::Report);
  EXPECT_TRUE(w->Actions().actListDetailIcon->isChecked());
  EXPECT_FALSE(w->Actions().actListLineUp->isEnabled());
  EXPECT_TRUE(w->Actions().mnuRefreshAtWakeup->isChecked());
  EXPECT_TRUE(w->Actions().mnuEnableScheme->isChecked());
  EXPECT_EQ(w->SchemeLevel(), 1);
  // Refreshed at start: the schemes are there and the root is selected.
  QTreeWidgetItem* root = w->TreePane()->RootItem();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0), QStringLiteral("Web Cache"));
  EXPECT_EQ(ChildTexts(root), (QStringList{"ftp:", "http:"}));
  EXPECT_EQ(w->Ui().tvwCache->currentItem(), root);
  EXPECT_EQ(w->Ui().txtFolder->text(), QStringLiteral(" 開いているフォルダ: Web Cache"));
  EXPECT_EQ(w->Ui().pnlStatus0->text(), QStringLiteral("2 個のオブジェクト"));
  EXPECT_FALSE(w->Ui().ProgressBar->isVisible());
  EXPECT_TRUE(w->isEnabled());
}

TEST_F(MainWindowTest, MenusActionsAndShortcutsAreInPlace) {
  auto w = MakeWindow(false);
  QStringList menuButtons;
  for (QAction* a : w->Ui().tbrMenu->actions())
    if (auto* b = w->Ui().tbrMenu->widgetForAction(a)) menuButtons << b->property("text").toString();
  EXPECT_EQ(menuButtons, (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "お気に入り(&A)",
                                      "ツール(&T)", "オプション(&O)", "ヘルプ(&H)"}));
  EXPECT_EQ(w->Actions().actCacheRefresh->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(w->Actions().actFileDelete->shortcut(), QKeySequence(Qt::Key_Delete));
  EXPECT_EQ(w->Actions().actFileCopy->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
  EXPECT_EQ(w->Actions().actListSelectAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
  EXPECT_EQ(w->Actions().actCacheFind->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
  EXPECT_EQ(w->Actions().actFavoritesUpdate->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Enter));
  // Shortcuts live on the window itself, since no menu bar carries them.
  EXPECT_TRUE(w->actions().contains(w->Actions().actCacheRefresh));
  EXPECT_EQ(w->Actions().actCacheRefresh->property("category").toString(), QStringLiteral("Cache操作"));
  EXPECT_EQ(w->Actions().actFileDelete->property("category").toString(), QStringLiteral("ﾌｧｲﾙ操作"));
  EXPECT_EQ(w->Actions().actFavoritesImport->text(), QStringLiteral("インポート(&I)..."));
  // Tool-bar buttons take their caption as hint.
  EXPECT_EQ(w->Actions().actCacheRefresh2->toolTip(), QStringLiteral("最新の情報に更新"));
  // Commands of later work are there but cannot be run yet.
  EXPECT_TRUE(w->HasHandler(w->Actions().actFileCopyToFolder));
  w->tvwCacheEnter();
  for (QAction* a : w->Actions().ActionList1) {
    if (!w->HasHandler(a)) {
      EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    }
  }
  EXPECT_EQ(w->Actions().ActionList1.size(), 37u);
  // Once a command gets its handler the enabling rules apply to it.
  int copies = 0;
  w->SetActionHandler(w->Actions().actFileCopy, [&copies] { ++copies; });
  w->lvwCacheSelectItem();  // nothing selected: copy is off
  EXPECT_FALSE(w->Actions().actFileCopy->isEnabled());
  w->tvwCacheEnter();
  EXPECT_TRUE(w->Actions().actFileCopy->isEnabled());
  w->Actions().actFileCopy->trigger();
  EXPECT_EQ(copies, 1);
}

TEST_F(MainWindowTest, SettingsSurviveCloseAndRestart) {
  {
    auto w = MakeWindow();
    w->move(40, 30);
    w->resize(800, 500);
    w->Ui().lvwCache->SetColumnWidth(2, 333);
    w->Ui().lvwFavorites->setColumnWidth(1, 222);
    w->Actions().actListSmallIcon->trigger();
    w->lvwCacheColumnClick(3);  // size, ascending
    w->lvwCacheColumnClick(3);  // size, descending
    w->Actions().mnuViewToolBar->trigger();
    w->Actions().mnuRefreshAtWakeup->trigger();
    w->close();
  }
  platform::IniFile ini(settings_.File("screen.dat"));
  EXPECT_EQ(ini.ReadInteger("General", "Width", 0), 800);
  EXPECT_EQ(ini.ReadInteger("General", "Height", 0), 500);
  EXPECT_FALSE(ini.ReadBool("General", "ToolBar", true));
  EXPECT_TRUE(ini.ReadBool("General", "StatusBar", false));
  EXPECT_EQ(ini.ReadInteger("Cache", "Col03", 0), 333);
  EXPECT_EQ(ini.ReadInteger("Favorites", "Col02", 0), 222);
  EXPECT_EQ(ini.ReadInteger("Cache", "SortType", -1), ui::stSize);
  EXPECT_EQ(ini.ReadInteger("Cache", "SortOrder", -1), 1);
  EXPECT_EQ(ini.ReadInteger("Cache", "ViewStyle", -1), 1);
  EXPECT_FALSE(ini.ReadBool("Cache", "Refresh", true));
  EXPECT_TRUE(ini.ReadBool("Option", "EnableScheme", false));
  // Keys in the order of the settings table.
  const std::vector<std::string> keys = ini.ReadSection("General");
  EXPECT_EQ(keys, (std::vector<std::string>{"Top", "Left", "Width", "Height", "ToolBar",
                                            "StatusBar", "FavoriteSplit", "CacheSplit"}));
  EXPECT_EQ(ini.ReadSection("Cache"),
            (std::vector<std::string>{"Col01", "Col02", "Col03", "Col04", "Col05", "Col06",
                                      "SortType", "SortOrder", "AutoArrange", "ViewStyle",
                                      "Refresh"}));
  EXPECT_EQ(ini.ReadSections(),
            (std::vector<std::string>{"General", "Favorites", "Cache", "Option"}));

  auto again = MakeWindow();
  EXPECT_EQ(again->size(), QSize(800, 500));
  EXPECT_FALSE(again->Ui().tbrCommand->isVisible());
  EXPECT_FALSE(again->Actions().mnuViewToolBar->isChecked());
  EXPECT_EQ(again->Ui().lvwCache->ColumnWidth(2), 333);
  EXPECT_EQ(again->Ui().lvwFavorites->columnWidth(1), 222);
  EXPECT_EQ(again->Ui().lvwCache->ViewStyle(), ui::TViewStyle::SmallIcon);
  EXPECT_TRUE(again->Actions().actListSmallIcon->isChecked());
  EXPECT_TRUE(again->Actions().actListLineUp->isEnabled());
  EXPECT_EQ(again->ListPane()->SortType(), ui::stSize);
  EXPECT_EQ(again->ListPane()->SortOrder(), 1);
  EXPECT_FALSE(again->Actions().mnuRefreshAtWakeup->isChecked());
}

TEST_F(MainWindowTest, UnknownViewStyleKeepsTheDetailsView) {
  WriteSettings("[Cache]\r\nViewStyle=7\r\nSortType=9\r\n");
  auto w = MakeWindow();
  EXPECT_EQ(w->Ui().lvwCache->ViewStyle(), ui::TViewStyle::Report);
  EXPECT_TRUE(w->Actions().actListDetailIcon->isChecked());
  // An unknown sort key sorts nothing but loses nothing either.
  EXPECT_EQ(w->Ui().lvwCache->Model()->Count(), 2);
}

TEST_F(MainWindowTest, WithoutRefreshAtStartOnlyTheRootShowsUntilF5) {
  WriteSettings("[Cache]\r\nRefresh=0\r\n");
  auto w = MakeWindow();
  QTreeWidgetItem* root = w->TreePane()->RootItem();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(w->Ui().tvwCache->topLevelItemCount(), 1);
  EXPECT_EQ(root->childCount(), 0);
  EXPECT_EQ(w->Ui().lvwCache->Model()->Count(), 0);
  w->Actions().actCacheRefresh->trigger();
  root = w->TreePane()->RootItem();
  EXPECT_EQ(ChildTexts(root), (QStringList{"ftp:", "http:"}));
  EXPECT_EQ(w->Ui().lvwCache->Model()->Count(), 2);
}

TEST_F(MainWindowTest, TreeShowsSchemesHostsAndFoldersAndReselectsAfterRefresh) {
  auto w = MakeWindow();
  QTreeWidgetItem* root = w->TreePane()->RootItem();
  QTreeWidgetItem* http = w->TreePane()->FindChildNode(root, "http:");
  ASSERT_NE(http, nullptr);
  EXPECT_EQ(ChildTexts(http), (QStringList{"news.example.org", "www.example.com"}));
  QTreeWidgetItem* docs = w->TreePane()->FindTreeNode("http://www.example.com/docs/");
  ASSERT_NE(docs, nullptr);
  EXPECT_EQ(ChildTexts(docs), (QStringList{"api"}));  // files stay out of the tree
  EXPECT_EQ(w->TreePane()->GetNodeUrl(docs), "http://www.example.com/docs/");

  ASSERT_TRUE(Select(*w, "http://www.example.com/docs/api/"));
  w->Actions().actCacheRefresh->trigger();
  EXPECT_EQ(w->TreePane()->GetSelectedUrl(), "http://www.example.com/docs/api/");
  EXPECT_EQ(w->Ui().txtFolder->text(), QStringLiteral(" 開いているフォルダ: api"));

  // Without schemes the hosts come first, and a refresh follows the switch at once;
  // the old selection no longer exists, so the root is selected.
  w->Actions().mnuEnableScheme->trigger();
  EXPECT_EQ(w->SchemeLevel(), 0);
  root = w->TreePane()->RootItem();
  EXPECT_EQ(ChildTexts(root),
            (QStringList{"ftp.example.net", "news.example.org", "www.example.com"}));
  EXPECT_EQ(w->Ui().tvwCache->currentItem(), root);
  QTreeWidgetItem* api = w->TreePane()->FindTreeNode("www.example.com/docs/api/");
  ASSERT_NE(api, nullptr);
  EXPECT_EQ(w->TreePane()->GetNodeUrl(api), "www.example.com/docs/api/");

  // Up one level from a host reaches the root.
  ASSERT_TRUE(Select(*w, "www.example.com/"));
  w->Actions().actTreeUpLevel->trigger();
  EXPECT_EQ(w->Ui().tvwCache->currentItem(), root);
  w->Actions().actTreeUpLevel->trigger();  // the root has no parent: nothing happens
  EXPECT_EQ(w->Ui().tvwCache->currentItem(), root);
}

TEST_F(MainWindowTest, ListShowsSixColumnsForAFolder) {
  auto w = MakeWindow();
  ASSERT_TRUE(Select(*w, "http://www.example.com/docs/"));
  const QString run = RunName(*w);
  ASSERT_FALSE(run.isEmpty());
  // Sorted by name: the folder first, then the files.
  EXPECT_EQ(Column(*w, 0), (QStringList{"api", "guide.html", "logo.gif", run}));
  const QStringList urlNames = Column(*w, 1);
  EXPECT_EQ(urlNames[0], QString());
  EXPECT_EQ(urlNames[1], QStringLiteral("guide.html"));
  EXPECT_EQ(urlNames[3], QStringLiteral("run.cgi?q=1"));
  EXPECT_EQ(Column(*w, 2), (QStringList{"", "Guide", "", ""}));
  EXPECT_EQ(Column(*w, 3), (QStringList{"", "2KB", "2KB", "1KB"}));
  const QStringList types = Column(*w, 4);
  EXPECT_EQ(types[0], ui::ToQ(w->ListPane()->FolderTypeName()));
  EXPECT_FALSE(types[0].isEmpty());
  EXPECT_FALSE(types[2].isEmpty());
  EXPECT_NE(types[1], types[2]);
  // Local time in Tokyo; the folder shows its newest file's date.
  const QStringList dates = Column(*w, 5);
  EXPECT_EQ(dates[1], QStringLiteral("2001/01/02 9:00"));
  EXPECT_EQ(dates[2], QStringLiteral("2001/01/03 9:00"));
  EXPECT_EQ(dates[0], QStringLiteral("2001/01/06 9:00"));
  // Status: four objects, the files' total size.
  EXPECT_EQ(w->Ui().pnlStatus0->text(), QStringLiteral("4 個のオブジェクト"));
  EXPECT_EQ(w->TotalSize(), 1559u + 2048u + 6u);
  // The first item has the focus but is not selected.
  EXPECT_EQ(w->Ui().lvwCache->FocusedRow(), 0);
  EXPECT_EQ(w->Ui().lvwCache->SelectedCount(), 0);

  // Selecting counts objects and sums the files' sizes.
  w->Ui().lvwCache->SetSelected(1, true);
  w->Ui().lvwCache->SetSelected(2, true);
  EXPECT_EQ(w->SelectedCount(), 2);
  EXPECT_EQ(w->SelectedSize(), 1559u + 2048u);
  EXPECT_EQ(w->Ui().pnlStatus0->text(), QStringLiteral("2 個のオブジェクトを選択"));
  EXPECT_EQ(w->Ui().pnlStatus1->text(), QStringLiteral("3.52KB"));
  EXPECT_EQ(w->ListPopupMenu(), w->Menus().mnuPopupList1);
  w->Actions().actListItemChange->trigger();
  EXPECT_EQ(w->Ui().lvwCache->SelectedRows(), (std::vector<int>{0, 3}));
  w->Actions().actListSelectAll->trigger();
  EXPECT_EQ(w->SelectedCount(), 4);
}

TEST_F(MainWindowTest, ColumnClicksSortAsTheListExpects) {
  auto w = MakeWindow();
  ASSERT_TRUE(Select(*w, "http://www.example.com/docs/"));
  const QString run = RunName(*w);
  ASSERT_FALSE(run.isEmpty());
  // Name ascending -> clicking "名前" sorts descending, the folder after the files.
  w->lvwCacheColumnClick(0);
  EXPECT_EQ(w->ListPane()->SortOrder(), 1);
  EXPECT_EQ(Column(*w, 0), (QStringList{run, "logo.gif", "guide.html", "api"}));
  // "サイズ" while sorted by name descending: size ascending.
  w->lvwCacheColumnClick(3);
  EXPECT_EQ(w->ListPane()->SortType(), ui::stSize);
  EXPECT_EQ(w->ListPane()->SortOrder(), 0);
  EXPECT_EQ(Column(*w, 0), (QStringList{"api", run, "guide.html", "logo.gif"}));
  // "更新日時" ascending puts the newest first.
  w->lvwCacheColumnClick(5);
  EXPECT_EQ(Column(*w, 0), (QStringList{"api", run, "logo.gif", "guide.html"}));
  // "タイトル": untitled files by name after the titled one.
  w->lvwCacheColumnClick(2);
  EXPECT_EQ(Column(*w, 0), (QStringList{"api", "logo.gif", run, "guide.html"}));
  // The view-style cycle from details goes to large icons.
  w->Actions().actListRoolIcon->trigger();
  EXPECT_EQ(w->Ui().lvwCache->ViewStyle(), ui::TViewStyle::LargeIcon);
  w->Actions().actListRoolIcon->trigger();
  EXPECT_EQ(w->Ui().lvwCache->ViewStyle(), ui::TViewStyle::SmallIcon);
}

TEST_F(MainWindowTest, KeyboardMovesRefillTheListOnceAfterASecond) {
  auto w = MakeWindow();
  w->Ui().tvwCache->expandAll();
  w->Ui().tvwCache->setCurrentItem(w->TreePane()->RootItem());
  const int before = w->ListPane()->RefillCount();
  for (int i = 0; i < 10; ++i) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(w->Ui().tvwCache, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(w->Ui().tvwCache, &release);
  }
  EXPECT_NE(w->Ui().tvwCache->currentItem(), w->TreePane()->RootItem());
  EXPECT_EQ(w->ListPane()->RefillCount(), before);
  EXPECT_TRUE(w->Ui().tmrNodeChange->isActive());
  uitest::Pump(700);
  EXPECT_EQ(w->ListPane()->RefillCount(), before);
  uitest::Pump(700);
  EXPECT_EQ(w->ListPane()->RefillCount(), before + 1);
  EXPECT_FALSE(w->Ui().tmrNodeChange->isActive());
  EXPECT_EQ(w->Ui().txtFolder->text(),
            QStringLiteral(" 開いているフォルダ: ") + w->Ui().tvwCache->currentItem()->text(0));
  // A mouse-style change (no key down) refills at once.
  w->Ui().tvwCache->setCurrentItem(w->TreePane()->RootItem());
  EXPECT_EQ(w->ListPane()->RefillCount(), before + 2);
}

TEST_F(MainWindowTest, EnterOnAFolderItemOpensItInTheTree) {
  auto w = MakeWindow();
  ASSERT_TRUE(Select(*w, "http://www.example.com/docs/"));
  ASSERT_EQ(w->Ui().lvwCache->Model()->Item(0).text[0], QStringLiteral("api"));
  w->Ui().lvwCache->SetSelected(0, true);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(w->Ui().lvwCache->CurrentView(), &enter);
  EXPECT_EQ(w->TreePane()->GetSelectedUrl(), "http://www.example.com/docs/api/");
  EXPECT_EQ(Column(*w, 0), (QStringList{"ref", "index.txt"}));
  // Nothing selected: Enter does nothing.
  const int refills = w->ListPane()->RefillCount();
  QCoreApplication::sendEvent(w->Ui().lvwCache->CurrentView(), &enter);
  EXPECT_EQ(w->ListPane()->RefillCount(), refills);
}

TEST_F(MainWindowTest, DeletesRemoveListItemsAndEmptiedTreeNodes) {
  auto w = MakeWindow();
  TWebCacheTree* model = w->CacheTree();
  ASSERT_TRUE(Select(*w, "http://www.example.com/docs/"));
  const QString run = RunName(*w);
  ASSERT_FALSE(run.isEmpty());
  // A file of the shown folder leaves the list.
  model->DeleteNode(model->FindNodeByUrl("http://www.example.com/docs/logo.gif"));
  EXPECT_EQ(Column(*w, 0), (QStringList{"api", "guide.html", run}));
  // The last file of api/ref/ takes its folder along; api/ stays for index.txt.
  model->DeleteNode(model->FindNodeByUrl("http://www.example.com/docs/api/ref/part.html"));
  EXPECT_EQ(w->TreePane()->FindTreeNode("http://www.example.com/docs/api/ref/"), nullptr);
  EXPECT_NE(w->TreePane()->FindTreeNode("http://www.example.com/docs/api/"), nullptr);
  // The only file of a host under its own scheme removes host and scheme.
  TWebCacheTreeNode* readme = uitest::FileBySource(
      model->FindNodeByUrl("ftp://ftp.example.net/pub/"), "ftp://ftp.example.net/pub/readme.xyzzy");
  ASSERT_NE(readme, nullptr);
  model->DeleteNode(readme);
  EXPECT_EQ(ChildTexts(w->TreePane()->RootItem()), (QStringList{"http:"}));
  // A folder shown in the list disappears from it with its subtree.
  model->DeleteNode(model->FindNodeByUrl("http://www.example.com/docs/api/"));
  EXPECT_EQ(Column(*w, 0), (QStringList{"guide.html", run}));
  EXPECT_EQ(w->TreePane()->FindTreeNode("http://www.example.com/docs/api/"), nullptr);
}

TEST_F(MainWindowTest, LoadLetsPendingEventsThroughEveryHundredEntries) {
  auto source = std::make_unique<uitest::TMemoryCacheSource>(bodies_.path());
  for (int i = 0; i < 250; ++i)
    source->Add({"http://h" + std::to_string(i % 7) + ".example/p" + std::to_string(i) + ".txt",
                 "text/plain", "x"});
  WriteSettings("[Cache]\r\nRefresh=0\r\n");
  TfrmMain w(std::move(source));
  w.FormCreate();
  const int before = w.PendingEventRounds();
  w.Actions().actCacheRefresh->trigger();
  EXPECT_EQ(w.PendingEventRounds() - before, 2);
  EXPECT_EQ(w.Ui().ProgressBar->value(), 250);
  EXPECT_EQ(w.TreePane()->FindChildNode(w.TreePane()->RootItem(), "http:")->childCount(), 7);
}

TEST_F(MainWindowTest, TreeContextMenuTakesTheSelectedNode) {
  auto w = MakeWindow();
  ASSERT_TRUE(Select(*w, "http://www.example.com/"));
  w->mnuPopupTreePopup();
  EXPECT_EQ(w->PopupNode(), w->Ui().tvwCache->currentItem());
  // A host is deep enough to be copied; a scheme is not.
  EXPECT_TRUE(w->Actions().actFileCopyToFolder->isEnabled());
  EXPECT_TRUE(w->Actions().actFileCopyToDefaultFolder->isEnabled());
  ASSERT_TRUE(Select(*w, "http://"));
  w->mnuPopupTreePopup();
  EXPECT_FALSE(w->Actions().actFileCopyToFolder->isEnabled());
  EXPECT_TRUE(w->Actions().actFileShowProperty->isEnabled());
  // Copy to the clipboard goes with the root's model node.
  EXPECT_TRUE(w->Actions().actFileCopy->isEnabled());
}

}  // namespace
