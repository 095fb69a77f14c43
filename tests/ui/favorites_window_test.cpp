// The favorites in the main window: the list bound to the store, the pane's
// handlers, and the favorite commands (edit, delete, default settings, register
// from the cache, copy and move through a real cache, showing pages), offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <sys/stat.h>

#include "cache/netscape_cache.h"
#include "favorites/favorites.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "support/netscape_fixture.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/favorites/browser_launch.h"
#include "ui/favorites/edit_favorite_dialog.h"
#include "ui/favorites/favorite_messages.h"
#include "ui/favorites/favorites_list_view.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_text.h"
#include "ui_fixture.h"

using ui::TfrmMain;

namespace {

const char kFavoritesDat[] =
    "[Favorites]\r\nCount=3\r\n"
    "[FavoriteDefault]\r\nPathName=/default/\r\nDefault=index.html\r\n"
    "[Favorite0001]\r\nTitle=Docs\r\nUrlName=http://www.example.com/docs/\r\nDefault=top.html\r\n"
    "PathName=/d/\r\nDate=2001/01/03 10:00:00\r\n"
    "[Favorite0002]\r\nTitle=api\r\nUrlName=http://www.example.com/docs/api/\r\nPathName=/a/\r\n"
    "Default=index.html\r\nDate=2001/01/02 10:00:00\r\n"
    "[Favorite0003]\r\nTitle=News\r\nUrlName=http://news.example.org/today/\r\nPathName=/n/\r\n"
    "Default=index.html\r\nDate=2001/01/04 10:00:00\r\n";

// Runs `step` on the modal dialog that the next command opens.
void OnModal(std::function<void(QWidget*)> step) {
  QTimer::singleShot(0, [step] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    step(modal);
  });
}

struct Hooks {
  Hooks() {
    ui::SetFavoriteMessageHook([this](const ui::TFavoriteMessage& m) {
      messages.push_back(m.text);
      return answer;
    });
    ui::SetMessageHook([this](const QString& text, const QString&, QMessageBox::Icon) {
      messages.push_back(text);
    });
    ui::SetBrowserHook([this](const QString& program, const QString& parameter) {
      started.push_back(program + "|" + parameter);
      return browserWorks;
    });
  }
  ~Hooks() {
    ui::SetFavoriteMessageHook(nullptr);
    ui::SetBrowserHook(nullptr);
    ui::SetMessageHook(nullptr);
  }
  QStringList messages;
  QStringList started;
  int answer = 6;
  bool browserWorks = true;
};

class FavoritesWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    platform::SetSettingsFolder(settings_.path() + "/");
    platform::AtomicWriteFile(settings_.File("favorites.dat"), kFavoritesDat);
    w = std::make_unique<TfrmMain>(uitest::MakeSampleSource(bodies_.path()));
    w->FormCreate();
  }
  void TearDown() override {
    w.reset();
    platform::SetSettingsFolder("");
  }
  QTreeWidget* List() const { return w->Ui().lvwFavorites; }
  QStringList Titles() const {
    QStringList out;
    for (int i = 0; i < List()->topLevelItemCount(); ++i) out << List()->topLevelItem(i)->text(0);
    return out;
  }
  QTreeWidgetItem* Row(const char* title) const {
    auto rows = List()->findItems(QString::fromUtf8(title), Qt::MatchExactly);
    return rows.isEmpty() ? nullptr : rows.front();
  }
  void SelectRows(std::initializer_list<const char*> titles) {
    List()->clearSelection();
    for (const char* t : titles) {
      List()->setCurrentItem(Row(t), 0, QItemSelectionModel::Select);
    }
  }
  TFavoriteItem* Fav(const char* title) const { return ui::TFavoritesListView::FavoriteOf(Row(title)); }
  QString RootCaption() const { return w->TreePane()->RootItem()->text(0); }

  uitest::TempDir settings_;
  uitest::TempDir bodies_;
  std::unique_ptr<TfrmMain> w;
  Hooks hooks;
};

TEST_F(FavoritesWindowTest, ListFollowsTheStoreAndSortsByColumn) {
  EXPECT_EQ(List()->columnCount(), 3);
  EXPECT_EQ(Titles(), (QStringList{"api", "Docs", "News"})) << "by title, case ignored";
  EXPECT_EQ(Row("Docs")->text(1), QStringLiteral("http://www.example.com/docs/"));
  EXPECT_EQ(Row("Docs")->text(2), QStringLiteral("2001/01/03 10:00"));
  SelectRows({"Docs"});
  w->lvwFavoritesColumnClick(2);
  EXPECT_EQ(Titles(), (QStringList{"News", "Docs", "api"})) << "latest first";
  w->lvwFavoritesColumnClick(2);
  EXPECT_EQ(Titles(), (QStringList{"api", "Docs", "News"})) << "order flipped";
  EXPECT_EQ(w->Favorites()->SortOrder(), 1);
  w->lvwFavoritesColumnClick(1);
  EXPECT_EQ(w->Favorites()->SortColumn(), 1);
  EXPECT_EQ(w->Favorites()->SortOrder(), 0);
  EXPECT_EQ(Titles(), (QStringList{"News", "Docs", "api"}));
  EXPECT_TRUE(Row("Docs")->isSelected()) << "the selection stays across sorting";
  EXPECT_EQ(List()->selectedItems().size(), 1);

  // The sort is kept in screen.dat.
  w->close();
  platform::IniFile screen(settings_.File("screen.dat"));
  EXPECT_EQ(screen.ReadInteger("Favorites", "SortType", -1), 1);
  EXPECT_EQ(screen.ReadInteger("Favorites", "SortOrder", -1), 0);
}

TEST_F(FavoritesWindowTest, SelectionEnablesTheActionsOfThePane) {
  const ui::TMainActions& a = w->Actions();
  struct Case {
    std::initializer_list<const char*> rows;
    bool any, one;
  };
  for (const Case& c : {Case{{"Docs"}, true, true}, Case{{"Docs", "News"}, true, false},
                        Case{{}, false, false}}) {
    SelectRows(c.rows);
    w->lvwFavoritesSelectItem();
    for (QAction* x : {a.actFavoritesUpdate, a.actFavoritesDelete, a.actFavoritesCopyFile,
                       a.actFavoritesMoveFile, a.actFileDelete})
      EXPECT_EQ(x->isEnabled(), c.any) << x->objectName().toStdString() << c.rows.size();
    for (QAction* x : {a.actFavoritesDisplayLocal, a.actFavoritesDisplayInternet})
      EXPECT_EQ(x->isEnabled(), c.one) << x->objectName().toStdString() << c.rows.size();
    EXPECT_FALSE(a.actFileCopy->isEnabled());
  }
  EXPECT_EQ(a.actFavoritesUpdate->shortcut().toString(QKeySequence::NativeText),
            QStringLiteral("Alt+Enter"));
  // Del with the favorites list focused deletes favorites, not cache objects.
  SelectRows({"News"});
  w->lvwFavoritesSelectItem();
  List()->setFocus();
  QApplication::processEvents();
  const std::size_t files = TWebCacheTree::CountFiles(w->CacheTree()->Root());
  a.actFileDelete->trigger();
  EXPECT_EQ(Titles(), (QStringList{"api", "Docs"}));
  EXPECT_EQ(TWebCacheTree::CountFiles(w->CacheTree()->Root()), files);
}

TEST_F(FavoritesWindowTest, DoubleClickRootsTheTreeAndDeletingTheShownFavoriteReturnsIt) {
  const QRect docs = List()->visualItemRect(Row("Docs"));
  w->lvwFavoritesMouseDown(docs.center());
  w->lvwFavoritesDblClick();
  EXPECT_EQ(w->ShownFavorite(), Fav("Docs"));
  EXPECT_EQ(RootCaption(), QStringLiteral("Docs"));
  EXPECT_EQ(w->CacheTree()->DefaultFileName, "top.html");
  EXPECT_EQ(w->TreePane()->RootUrl(), "http://www.example.com/docs/");
  // Empty space below the rows: the whole cache.
  w->lvwFavoritesMouseDown(QPoint(5, List()->viewport()->height() - 2));
  w->lvwFavoritesDblClick();
  EXPECT_EQ(w->ShownFavorite(), nullptr);
  EXPECT_EQ(RootCaption(), QStringLiteral("Web Cache"));
  EXPECT_EQ(w->CacheTree()->DefaultFileName, "index.html");

  w->ShowFavoriteInTree(Fav("api"));
  SelectRows({"api", "News"});
  hooks.answer = 7;
  w->actFavoritesDeleteExecute();
  EXPECT_EQ(hooks.messages.last(),
            QStringLiteral("これら 2 のお気に入りを削除してもよろしいですか？"));
  EXPECT_EQ(Titles().size(), 3) << "No keeps them";
  hooks.answer = 6;
  SelectRows({"api"});
  w->actFavoritesDeleteExecute();
  EXPECT_EQ(hooks.messages.last(), QStringLiteral("'api' を削除してもよろしいですか？"));
  EXPECT_EQ(Titles(), (QStringList{"Docs", "News"}));
  EXPECT_EQ(w->ShownFavorite(), nullptr);
  EXPECT_EQ(RootCaption(), QStringLiteral("Web Cache"));
  TFavorites reread;
  reread.SetFavoritesPath(settings_.File("favorites.dat"));
  EXPECT_EQ(reread.Count(), 2);
}

TEST_F(FavoritesWindowTest, UpdateBringsTheShownTreeInLine) {
  w->ShowFavoriteInTree(Fav("Docs"));
  SelectRows({"Docs"});
  struct Case {
    const char* field;
    const char* value;
    const char* rootUrl;
    const char* caption;
    const char* defaultName;
  };
  const Case cases[] = {
      {"edtTitle", "Documents", "http://www.example.com/docs/", "Documents", "top.html"},
      {"edtDefault", "home.html", "http://www.example.com/docs/", "Documents", "home.html"},
      {"edtUrlName", "http://www.example.com/docs/api/", "http://www.example.com/docs/api/",
       "Documents", "home.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const int refills = w->ListPane()->RefillCount();
    OnModal([&c](QWidget* dialog) {
      dialog->findChild<QLineEdit*>(QString::fromLatin1(c.field))->setText(QString::fromUtf8(c.value));
      static_cast<ui::TfrmEditFavorite*>(dialog)->btnEntryClick();
    });
    w->actFavoritesUpdateExecute();
    EXPECT_EQ(w->TreePane()->RootUrl(), c.rootUrl);
    EXPECT_EQ(RootCaption(), QString::fromUtf8(c.caption));
    EXPECT_EQ(w->CacheTree()->DefaultFileName, c.defaultName);
    if (std::string(c.field) == "edtDefault") {
      EXPECT_GT(w->ListPane()->RefillCount(), refills) << "the list shows the new names";
    }
  }
  EXPECT_EQ(w->TreePane()->RootItem()->childCount(), 1) << "api has the folder ref";
}

TEST_F(FavoritesWindowTest, NewDefaultAndRegisterFromTheCache) {
  OnModal([](QWidget* dialog) {
    auto* d = static_cast<ui::TfrmEditFavorite*>(dialog);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("デフォルトのお気に入りの設定"));
    d->edtPathName->setText(QStringLiteral("/save"));
    d->btnEntryClick();
  });
  w->actFavoritesSetupDefaultExecute();
  EXPECT_EQ(w->Favorites()->DefaultFavorite().PathName, "/save/");
  EXPECT_EQ(platform::IniFile(settings_.File("favorites.dat")).ReadString("FavoriteDefault", "PathName", ""),
            "/save/");

  // From the list: the folder shown plus the selected page, titled from the cache.
  ASSERT_TRUE(w->TreePane()->SelectPath("http://www.example.com/docs/"));
  const ui::CacheListModel* m = w->Ui().lvwCache->Model();
  int guide = -1;
  for (int row = 0; row < m->Count(); ++row)
    if (m->Item(row).text[0] == QStringLiteral("guide.html")) guide = row;
  ASSERT_GE(guide, 0);
  w->Ui().lvwCache->SetSelected(guide, true);
  QString url, title;
  OnModal([&](QWidget* dialog) {
    auto* d = static_cast<ui::TfrmEditFavorite*>(dialog);
    url = d->edtUrlName->text();
    title = d->edtTitle->text();
    EXPECT_EQ(d->edtPathName->text(), QStringLiteral("/save/")) << "the default settings";
    d->btnEntryClick();
  });
  w->actFavoritesFromCacheExecute();
  EXPECT_EQ(url, QStringLiteral("http://www.example.com/docs/guide.html"));
  EXPECT_EQ(title, QStringLiteral("Guide"));
  EXPECT_EQ(w->Favorites()->Count(), 4);
  ASSERT_NE(Row("Guide"), nullptr);
  EXPECT_TRUE(Row("Guide")->isSelected()) << "the new favorite is selected";

  // From the tree's context menu: the node's URL; cancelling adds nothing.
  w->Ui().tvwCache->setFocus();
  w->Ui().tvwCache->setCurrentItem(w->TreePane()->FindTreeNode("http://news.example.org/today/"));
  w->mnuPopupTreePopup();
  OnModal([&](QWidget* dialog) {
    url = static_cast<ui::TfrmEditFavorite*>(dialog)->edtUrlName->text();
    static_cast<QDialog*>(dialog)->reject();
  });
  w->actFavoritesFromCacheExecute();
  EXPECT_EQ(url, QStringLiteral("http://news.example.org/today/"));
  EXPECT_EQ(w->PopupNode(), nullptr);
  EXPECT_EQ(w->Favorites()->Count(), 4);
}

// ---------------------------------------------------------------------------

TEST(FavoritesCopyTest, CopyAndMoveTwoFavoritesThroughARealCache) {
  uitest::App();
  thtest::NetscapeCacheSpec spec;
  auto add = [&spec](const char* url, const char* type, std::uint32_t modified, std::string body) {
    thtest::NetscapeEntry e;
    e.url = url;
    e.contentType = type;
    e.lastModified = modified;
    e.body = std::move(body);
    spec.entries.push_back(std::move(e));
  };
  add("http://www.example.co.jp/products/", "text/html", 978307200,
      "<html><title>P</title><a href=\"a.html#x\">a</a><img src=\"img/p.gif\"></html>");
  add("http://www.example.co.jp/products/a.html", "text/html", 978393600, "<title>A</title>");
  add("http://www.example.co.jp/products/img/p.gif", "image/gif", 978480000, "GIF89a");
  add("http://WWW.Example.co.jp/news/today.html?page=2", "text/html", 978566400, "<p>n</p>");
  add("http://www.example.co.jp/news/", "text/html", 978652800, "<title>News</title>");
  thtest::NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();

  uitest::TempDir settings, dest;
  platform::SetSettingsFolder(settings.path() + "/");
  Hooks hooks;
  {
    TfrmMain w(std::make_unique<TNetscapeCacheSource>(fx.fatDb()));
    w.FormCreate();
    TFavorites& store = *w.Favorites();
    store.AddFavoriteFromUrl("Products", "http://www.example.co.jp/products/");
    store.AddFavoriteFromUrl("News", "http://www.example.co.jp/news/");
    store.GetItem(0)->PathName = dest.path() + "/p/";
    store.GetItem(1)->PathName = dest.path() + "/n/";
    store.GetItem(0)->Date = ParseFavoriteDate("2001/01/01 0:00:00");
    store.GetItem(1)->Date = ParseFavoriteDate("2001/01/01 0:00:00");
    QTreeWidget* list = w.Ui().lvwFavorites;
    list->selectAll();
    w.actFavoritesCopyFileExecute();

    namespace fs = std::filesystem;
    std::vector<std::string> copied;
    for (const auto& e : fs::recursive_directory_iterator(dest.path()))
      if (e.is_regular_file()) copied.push_back(fs::relative(e.path(), dest.path()).string());
    std::sort(copied.begin(), copied.end());
    ASSERT_EQ(copied.size(), 5u) << ::testing::PrintToString(copied);
    // Every file carries its cached date.
    for (const auto& name : copied) {
      struct stat st {};
      ASSERT_EQ(stat((dest.path() + "/" + name).c_str(), &st), 0);
      EXPECT_GE(st.st_mtime, 978307200) << name;
      EXPECT_LE(st.st_mtime, 978652800) << name;
    }
    // Both stamped and saved.
    platform::IniFile saved(settings.File("favorites.dat"));
    for (const char* section : {"Favorite0001", "Favorite0002"})
      EXPECT_NE(saved.ReadString(section, "Date", ""), "2001/01/01 0:00:00") << section;

    // The local page of a copied favorite opens in the browser; its Internet page too.
    list->clearSelection();
    list->setCurrentItem(list->findItems(QStringLiteral("Products"), Qt::MatchExactly).front());
    w.actFavoritesDisplayLocalExecute();
    ASSERT_EQ(hooks.started.size(), 1);
    const QString local = hooks.started.back().section('|', 1);
    EXPECT_TRUE(QFileInfo(local).isFile()) << local.toStdString();
    EXPECT_TRUE(local.endsWith(QStringLiteral("/products/index.html"))) << local.toStdString();
    w.actFavoritesDisplayInternetExecute();
    EXPECT_EQ(hooks.started.back(), QStringLiteral("|http://www.example.co.jp/products/"));
    hooks.browserWorks = false;
    w.actFavoritesDisplayInternetExecute();
    EXPECT_TRUE(hooks.messages.last().startsWith(QStringLiteral("ブラウザを起動できませんでした。")));

    // Moving News: copied again, and its cached files leave the cache and the disk.
    std::vector<std::string> newsBodies;
    for (const char* url : {"http://www.example.co.jp/news/"}) {
      TWebCacheTreeNode* folder = w.CacheTree()->FindFolderByUrl(url);
      ASSERT_NE(folder, nullptr);
      for (std::size_t i = 0; i < folder->Count(); ++i)
        newsBodies.emplace_back(folder->Items(i)->EntryInfo().LocalFileName);
    }
    ASSERT_EQ(newsBodies.size(), 2u);
    list->clearSelection();
    QTreeWidgetItem* newsRow = list->findItems(QStringLiteral("News"), Qt::MatchExactly).front();
    ui::TFavoritesListView::FavoriteOf(newsRow)->PathName = dest.path() + "/moved/";
    list->setCurrentItem(newsRow);
    w.actFavoritesMoveFileExecute();
    EXPECT_TRUE(std::filesystem::exists(dest.path() + "/moved"));
    EXPECT_EQ(w.CacheTree()->FindFolderByUrl("http://www.example.co.jp/news/"), nullptr);
    for (const auto& body : newsBodies) EXPECT_FALSE(platform::FileExists(body)) << body;
    EXPECT_NE(w.CacheTree()->FindFolderByUrl("http://www.example.co.jp/products/"), nullptr);
  }
  platform::SetSettingsFolder("");
  ui::SetApplicationTitle(QStringLiteral("Tollhaven"));
}

}  // namespace
