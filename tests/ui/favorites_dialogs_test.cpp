// The favorite dialog (one favorite, several, the default settings) and the import
// of the browser's bookmark file, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <fstream>

#include "favorites/favorites.h"
#include "platform/codepage.h"
#include "ui/favorites/edit_favorite_dialog.h"
#include "ui/favorites/favorite_messages.h"
#include "ui/favorites/import_favorites_dialog.h"
#include "ui/main/ui_text.h"
#include "ui_fixture.h"

namespace {

using ui::TfrmEditFavorite;
using ui::TfrmImportFavorites;

// Collects every message box instead of showing it.
struct MessageLog {
  MessageLog() {
    previous = ui::SetFavoriteMessageHook([this](const ui::TFavoriteMessage& m) {
      messages.push_back(m);
      return answer;
    });
  }
  ~MessageLog() { ui::SetFavoriteMessageHook(previous); }
  QString LastText() const { return messages.empty() ? QString() : messages.back().text; }
  std::vector<ui::TFavoriteMessage> messages;
  int answer = 6;
  ui::TFavoriteMessageHook previous;
};

TFavoriteItem Favorite(const char* title, const char* url, const char* path,
                       const char* def = "index.html", int folder = 2, int method = 1) {
  TFavoriteItem f;
  f.Title = platform::Utf8ToAnsi(title);
  f.UrlName = url;
  f.PathName = path;
  f.Default = def;
  f.Folder = static_cast<std::uint8_t>(folder);
  f.Method = static_cast<std::uint8_t>(method);
  return f;
}

void Click(QWidget* widget, QPoint at) {
  const QPointF local(at);
  const QPointF global(widget->mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &release);
}

void Key(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QStringLiteral(" "));
  QCoreApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QStringLiteral(" "));
  QCoreApplication::sendEvent(widget, &release);
}

class EditFavoriteTest : public uitest::WithApp, public ::testing::Test {
 protected:
  // Shows the dialog without running its loop, as exec() would show it.
  void Show() {
    dialog.show();
    QApplication::processEvents();
  }
  MessageLog log;
  TfrmEditFavorite dialog;
};

TEST_F(EditFavoriteTest, EveryCheckNamesItsFieldAndKeepsTheDialogOpen) {
  struct Case {
    bool isDefault;
    const char *title, *url, *path, *def;
    const char* message;  // "" = accepted
    const char* focused;
  };
  const Case cases[] = {
      {false, "", "http://h/", "/p/", "i.html", "タイトルが入力されていません。", "edtTitle"},
      {false, "T", "", "/p/", "i.html", "URLが入力されていません。", "edtUrlName"},
      {false, "T", "http://h/", "", "i.html", "保存先が入力されていません。", "edtPathName"},
      {false, "T", "http://h/", "/p/", "", "デフォルトのファイル名が入力されていません。",
       "edtDefault"},
      {false, "T", "http://h/", "/p/", "i.html", "", ""},
      // The default settings have no title and URL to check.
      {true, "", "", "/p/", "i.html", "", ""},
      {true, "", "", "", "i.html", "保存先が入力されていません。", "edtPathName"},
      {true, "", "", "/p/", "", "デフォルトのファイル名が入力されていません。", "edtDefault"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.title) + "|" + c.url + "|" + c.path + "|" + c.def);
    TFavoriteItem item = Favorite(c.title, c.url, c.path, c.def);
    dialog.EditFavorite(&item, c.isDefault);
    Show();
    log.messages.clear();
    dialog.btnEntryClick();
    if (*c.message) {
      ASSERT_EQ(log.messages.size(), 1u);
      EXPECT_EQ(log.messages[0].text, QString::fromUtf8(c.message));
      EXPECT_EQ(log.messages[0].caption, QStringLiteral("項目チェック"));
      EXPECT_EQ(log.messages[0].icon, QMessageBox::Warning);
      EXPECT_TRUE(dialog.isVisible());
      EXPECT_EQ((dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString()), QString::fromLatin1(c.focused));
    } else {
      EXPECT_TRUE(log.messages.empty());
      EXPECT_FALSE(dialog.isVisible());
      EXPECT_EQ(dialog.result(), 1);
    }
    dialog.hide();
  }
}

TEST_F(EditFavoriteTest, CaptionsFieldsAndDatesOfTheTwoModes) {
  TFavoriteItem item = Favorite("サイト", "http://www.example.co.jp/a/", "/save", "top.html", 1, 1);
  dialog.EditFavorite(&item, false);
  Show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("お気に入りの設定"));
  EXPECT_TRUE(dialog.edtTitle->isVisible());
  EXPECT_TRUE(dialog.edtUrlName->isVisible());
  EXPECT_FALSE(dialog.rgpTimer->isVisible());
  EXPECT_EQ(dialog.focusWidget(), dialog.edtTitle);
  EXPECT_EQ(dialog.edtTitle->selectedText(), QStringLiteral("サイト"));
  EXPECT_EQ(dialog.rgpFolder->ItemIndex(), 0);
  EXPECT_EQ(dialog.rgpTimer->ItemIndex(), 1);
  dialog.edtTitle->setText(QStringLiteral("新しい名前"));
  dialog.btnEntryClick();
  EXPECT_EQ(item.Title, platform::Utf8ToAnsi("新しい名前"));
  EXPECT_EQ(item.PathName, "/save/");  // the separator is added
  EXPECT_TRUE(item.HasDate()) << "a favorite without a date gets one";

  const platform::SYSTEMTIME dated = ParseFavoriteDate("2001/02/03 4:05:06");
  item.Date = dated;
  item.PathName = "C:\\save\\";
  dialog.EditFavorite(&item, false);
  Show();
  dialog.btnEntryClick();
  EXPECT_EQ(item.PathName, "C:\\save\\") << "already ends in a separator";
  EXPECT_EQ(item.Date, dated) << "an existing date stays";

  TFavoriteItem def = Favorite("", "", "/def/", "index.html");
  def.Date = dated;
  dialog.EditFavorite(&def, true);
  Show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("デフォルトのお気に入りの設定"));
  EXPECT_FALSE(dialog.edtTitle->isVisible());
  EXPECT_FALSE(dialog.lblUrlName->isVisible());
  EXPECT_EQ(dialog.focusWidget(), dialog.edtPathName);
  dialog.rgpMethod->Button(2)->click();
  dialog.btnEntryClick();
  EXPECT_EQ(def.Method, 3);
  EXPECT_EQ(def.Folder, 2) << "coupled to the method";
  EXPECT_FALSE(def.HasDate()) << "the default settings keep no date";
}

TEST_F(EditFavoriteTest, SeveralFavoritesChangeOnlyWhatWasGiven) {
  TFavoriteItem a = Favorite("A", "http://a/", "/one/", "index.html", 2, 1);
  TFavoriteItem b = Favorite("B", "http://b/", "/two/", "index.html", 2, 2);
  TFavoriteItem c = Favorite("C", "http://c/", "/three/", "index.html", 2, 3);
  c.Date = ParseFavoriteDate("2001/02/03 4:05:06");
  dialog.EditFavorites({&a, &b, &c});
  Show();
  EXPECT_FALSE(dialog.edtTitle->isVisible());
  EXPECT_EQ(dialog.focusWidget(), dialog.edtPathName);
  EXPECT_EQ(dialog.edtPathName->text(), QString()) << "destinations differ";
  EXPECT_EQ(dialog.edtDefault->text(), QStringLiteral("index.html")) << "shared";
  EXPECT_EQ(dialog.rgpFolder->ItemIndex(), 1) << "shared";
  EXPECT_EQ(dialog.rgpMethod->ItemIndex(), -1) << "methods differ";
  EXPECT_EQ(dialog.rgpTimer->ItemIndex(), 1);
  dialog.edtDefault->setText(QStringLiteral("top.htm"));
  dialog.btnEntryClick();
  EXPECT_EQ(dialog.result(), 1);
  EXPECT_EQ(a.PathName, "/one/");
  EXPECT_EQ(c.PathName, "/three/");
  for (const TFavoriteItem* f : {&a, &b, &c}) {
    EXPECT_EQ(f->Default, "top.htm");
    EXPECT_EQ(f->Folder, 2);
    EXPECT_TRUE(f->HasDate());
  }
  EXPECT_EQ(a.Method, 1);
  EXPECT_EQ(b.Method, 2);
  EXPECT_EQ(c.Method, 3);
  EXPECT_EQ(c.Date, ParseFavoriteDate("2001/02/03 4:05:06"));

  // A destination given (with nothing checked) goes to all of them.
  dialog.EditFavorites({&a, &b});
  Show();
  dialog.edtPathName->setText(QStringLiteral("/all"));
  dialog.edtDefault->clear();
  dialog.rgpMethod->Button(1)->click();
  dialog.btnEntryClick();
  EXPECT_EQ(a.PathName, "/all/");
  EXPECT_EQ(b.PathName, "/all/");
  EXPECT_EQ(a.Default, "top.htm");
  EXPECT_EQ(a.Method, 2);
}

TEST_F(EditFavoriteTest, RadioCouplingAndFolderBrowser) {
  TFavoriteItem item = Favorite("T", "http://h/", "/home/taro/save/", "index.html", 2, 1);
  dialog.EditFavorite(&item, false);
  Show();
  dialog.rgpMethod->Button(1)->click();  // 同一ドメイン内
  EXPECT_EQ(dialog.rgpFolder->ItemIndex(), 1);
  dialog.rgpFolder->Button(0)->click();  // URL以下を作成
  EXPECT_EQ(dialog.rgpMethod->ItemIndex(), 0);
  dialog.rgpMethod->Button(2)->click();
  EXPECT_EQ(dialog.rgpFolder->ItemIndex(), 1);
  dialog.rgpFolder->Button(1)->click();
  EXPECT_EQ(dialog.rgpMethod->ItemIndex(), 2) << "only 'below the URL' is coupled";

  QString title, start, answer = QStringLiteral("/mnt/ほぞん");
  dialog.SetBrowse([&](QWidget*, const QString& t, const QString& s) {
    title = t;
    start = s;
    return answer;
  });
  dialog.btnBrowseClick();
  EXPECT_EQ(title, QStringLiteral("保存先フォルダを選択してください"));
  EXPECT_EQ(start, QStringLiteral("/home/taro/save"));
  EXPECT_EQ(dialog.BrowseStartFolder, QStringLiteral("/home/taro/save/"));
  EXPECT_EQ(dialog.edtPathName->text(), QStringLiteral("/mnt/ほぞん/"));
  answer.clear();  // cancelled
  dialog.btnBrowseClick();
  EXPECT_EQ(dialog.edtPathName->text(), QStringLiteral("/mnt/ほぞん/"));
}

// ---------------------------------------------------------------------------

// A bookmark file as Netscape 4 writes it (Shift_JIS), with what real ones hold:
// nested and empty folders, an entity in an address, a comment with an apostrophe,
// a link without an address, a link already a favorite in another letter case.
const char kBookmarks[] =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<!-- This is an automatically generated file.\nIt's read and overwritten. -->\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=Shift_JIS\">\n"
    "<TITLE>Bookmarks for 山田</TITLE>\n<H1>Bookmarks for 山田</H1>\n<DL><p>\n"
    "  <DT><H3 ADD_DATE=\"920548800\">仕事</H3>\n  <DL><p>\n"
    "    <DT><A HREF=\"http://WWW.Example.co.jp/\" ADD_DATE=\"1\">サンプル商事</A>\n"
    "    <DT><A HREF=\"http://www.example.co.jp/products/?page=2#top\">製品 &amp; 価格</A>\n"
    "    <DT><H3>ニュース</H3>\n    <DL><p>\n"
    "      <DT><a href='http://www.example.co.jp/news/0304.html'>ニュース</a>\n"
    "      <DT><H3>空</H3>\n      <DL><p>\n      </DL><p>\n"
    "    </DL><p>\n"
    "  </DL><p>\n"
    "  <DT><H3 FOLDED>検索</H3>\n  <DL><p>\n"
    "    <DT><A HREF=\"http://cgi.example.ne.jp/s.cgi?q=%93%FA&amp;lang=ja\">検索</A>\n"
    "    <DT><A NAME=\"x\">名前だけ</A>\n"
    "  </DL><p>\n"
    "  <DT><H3>登録済み</H3>\n  <DL><p>\n"
    "    <DT><A HREF=\"http://img.example.com/\">画像</A>\n"
    "  </DL><p>\n"
    "  <HR>\n  <DT><A HREF=\"http://home.netscape.com/ja/\">Netscape</A>\n"
    "</DL><p>\n";

class ImportTest : public uitest::WithApp, public ::testing::Test {
 protected:
  void SetUp() override {
    favorites.ProgramFolder = dir.path() + "/";
    favorites.SetFavoritesPath(dir.File("favorites.dat"));
    favorites.AddFavoriteFromUrl("Sample", "http://www.example.co.jp/");
    favorites.AddFavoriteFromUrl("Images", "http://IMG.example.com/");
    WriteBookmarks(kBookmarks);
    dialog.SetFavorites(&favorites);
    dialog.BookmarkFile = [this] { return dir.File("bookmark.htm"); };
  }
  void WriteBookmarks(const std::string& utf8) {
    std::ofstream(dir.File("bookmark.htm"), std::ios::binary) << platform::Utf8ToAnsi(utf8);
  }
  // "caption:state" of every item, depth first, nesting shown by indentation.
  std::vector<std::string> Tree() const {
    std::vector<std::string> out;
    for (QTreeWidgetItemIterator it(dialog.tvwFavorites); *it; ++it) {
      int depth = 0;
      for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) ++depth;
      out.push_back(std::string(depth * 2, ' ') + (*it)->text(0).toStdString() + ":" +
                    std::to_string(TfrmImportFavorites::StateOf(*it)));
    }
    return out;
  }
  QTreeWidgetItem* Find(const char* caption) const {
    auto items = dialog.tvwFavorites->findItems(QString::fromUtf8(caption),
                                                Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.front();
  }

  uitest::TempDir dir;
  TFavorites favorites;
  MessageLog log;
  TfrmImportFavorites dialog;
};

TEST_F(ImportTest, ReadsFoldersAndLinksAndMarksThoseAlreadyPresent) {
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("お気に入りのインポート"));
  EXPECT_EQ(Tree(), (std::vector<std::string>{
                        "仕事:1", "  サンプル商事:4", "  製品 & 価格:1", "  ニュース:1",
                        "    ニュース:1", "検索:1", "  検索:1", "登録済み:1", "  画像:4",
                        "Netscape:1"}));
  EXPECT_EQ(TfrmImportFavorites::UrlOf(Find("検索")->child(0)),
            "http://cgi.example.ne.jp/s.cgi?q=%93%FA&lang=ja");
  EXPECT_EQ(TfrmImportFavorites::UrlOf(Find("製品 & 価格")),
            "http://www.example.co.jp/products/?page=2#top");
  EXPECT_EQ(TfrmImportFavorites::UrlOf(Find("仕事")), "");

  // Closing empties the tree; the next show reads the file as it is then.
  dialog.done(2);
  EXPECT_EQ(dialog.tvwFavorites->topLevelItemCount(), 0);
  std::string cut(kBookmarks);
  cut.resize(cut.find("<H3>ニュース</H3>") + 4);  // a folder tag with no text after it
  WriteBookmarks(cut);
  dialog.show();
  EXPECT_EQ(Tree(), (std::vector<std::string>{"仕事:1", "  サンプル商事:4", "  製品 & 価格:1"}));
  dialog.done(2);
  dialog.BookmarkFile = [] { return std::string(); };  // no profile known
  dialog.show();
  EXPECT_EQ(dialog.tvwFavorites->topLevelItemCount(), 0);
}

TEST_F(ImportTest, ChecksFollowTheTreeDownAndUp) {
  dialog.show();
  QTreeWidgetItem* work = Find("仕事");
  dialog.ToggleItem(work);
  EXPECT_EQ(Tree()[0], "仕事:2");
  EXPECT_EQ(Tree()[1], "  サンプル商事:4") << "a favorite already cannot be checked";
  EXPECT_EQ(Tree()[2], "  製品 & 価格:2");
  EXPECT_EQ(Tree()[4], "    ニュース:2") << "down the whole subtree";
  dialog.ToggleItem(Find("製品 & 価格"));
  EXPECT_EQ(Tree()[0], "仕事:3");
  dialog.ToggleItem(Find("製品 & 価格"));
  EXPECT_EQ(Tree()[0], "仕事:2");
  dialog.ToggleItem(Find("ニュース")->child(0));
  EXPECT_EQ(Tree()[3], "  ニュース:1");
  EXPECT_EQ(Tree()[0], "仕事:3") << "up through every parent";
  dialog.ToggleItem(work);  // partly checked becomes unchecked, all the way down
  EXPECT_EQ(Tree(), (std::vector<std::string>{
                        "仕事:1", "  サンプル商事:4", "  製品 & 価格:1", "  ニュース:1",
                        "    ニュース:1", "検索:1", "  検索:1", "登録済み:1", "  画像:4",
                        "Netscape:1"}));
  // A folder whose links are all favorites stays unchecked.
  dialog.ToggleItem(Find("登録済み"));
  EXPECT_EQ(Tree()[7], "登録済み:1");
  dialog.ToggleItem(Find("画像"));
  EXPECT_EQ(Tree()[8], "  画像:4");

  // The mouse on the check box and the space key toggle; a press beside it does not.
  QTreeWidget* tree = dialog.tvwFavorites;
  QTreeWidgetItem* netscape = Find("Netscape");
  tree->setCurrentItem(netscape);
  const QRect row = tree->visualItemRect(netscape);
  Click(tree->viewport(), QPoint(row.right() - 2, row.center().y()));
  EXPECT_EQ(TfrmImportFavorites::StateOf(netscape), 1);
  int x = row.left();
  while (x < row.right() && TfrmImportFavorites::StateOf(netscape) == 1) {
    Click(tree->viewport(), QPoint(x, row.center().y()));
    x += 4;
  }
  EXPECT_EQ(TfrmImportFavorites::StateOf(netscape), 2) << "the check box lies in the row";
  Key(tree, Qt::Key_Space);
  EXPECT_EQ(TfrmImportFavorites::StateOf(netscape), 1);
}

TEST_F(ImportTest, ImportsTheCheckedLinksOnce) {
  dialog.show();
  dialog.btnImportClick();
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_EQ(log.LastText(), QStringLiteral("インポートするお気に入りが1つも選択されていません。"));
  EXPECT_EQ(log.messages[0].caption, QStringLiteral("インポート"));
  EXPECT_EQ(log.messages[0].icon, QMessageBox::Warning);

  favorites.DefaultFavorite().PathName = "/dest/";
  favorites.DefaultFavorite().Method = 3;
  dialog.ToggleItem(Find("検索"));
  dialog.ToggleItem(Find("Netscape"));
  dialog.btnImportClick();
  EXPECT_EQ(log.LastText(), QStringLiteral("2 個のお気に入りがインポートされました。"));
  EXPECT_EQ(log.messages.back().icon, QMessageBox::Information);
  EXPECT_EQ(Tree()[5], "検索:1");
  EXPECT_EQ(Tree()[6], "  検索:4");
  EXPECT_EQ(Tree()[9], "Netscape:4");
  ASSERT_EQ(favorites.Count(), 4);
  const TFavoriteItem* search = favorites.GetItem(2);
  EXPECT_EQ(search->Title, platform::Utf8ToAnsi("検索"));
  EXPECT_EQ(search->UrlName, "http://cgi.example.ne.jp/s.cgi?q=%93%FA&lang=ja");
  EXPECT_EQ(search->PathName, "/dest/");
  EXPECT_EQ(search->Method, 3);
  EXPECT_TRUE(search->HasDate());
  EXPECT_EQ(favorites.GetItem(3)->UrlName, "http://home.netscape.com/ja/");
  TFavorites reread;
  reread.SetFavoritesPath(dir.File("favorites.dat"));
  EXPECT_EQ(reread.Count(), 4) << "saved at once";

  dialog.btnImportClick();
  EXPECT_EQ(log.LastText(), QStringLiteral("インポートするお気に入りが1つも選択されていません。"));
  EXPECT_EQ(favorites.Count(), 4);
  // Shown again, the imported links are favorites already.
  dialog.done(2);
  dialog.show();
  EXPECT_EQ(Tree()[9], "Netscape:4");
}

}  // namespace
