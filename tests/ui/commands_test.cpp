// The main window's commands on a real Netscape cache in a temporary Wine prefix:
// delete with its confirmation (files gone, FAT.DB untouched, both panes updated,
// declining changes nothing), copy to a folder from the tree and from the list, and
// the properties of the selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>

#include "cache/netscape_cache.h"
#include "favorites/favorites.h"
#include "platform/files.h"
#include "support/netscape_fixture.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/confirm_delete_dialog.h"
#include "ui/dialogs/copy_to_folder_dialog.h"
#include "ui/dialogs/property_dialog.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui_fixture.h"

namespace fs = std::filesystem;

namespace {

// Presses the button called `name` of the next modal dialog.
void AnswerNextDialog(const char* name, QString* caption = nullptr) {
  QTimer::singleShot(0, [name, caption] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    if (caption) *caption = dialog->windowTitle();
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
  });
}

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    ui::SetApplicationTitle(QStringLiteral("Tollhaven"));
    auto add = [this](const char* url, const char* type, std::string body) {
      thtest::NetscapeEntry e;
      e.url = url;
      e.contentType = type;
      e.lastModified = 978307200;
      e.body = std::move(body);
      spec_.entries.push_back(std::move(e));
    };
    add("http://www.example.co.jp/", "text/html",
        "<html><head><title>Top</title></head><a href=\"img/a.gif\">a</a></html>");
    add("http://www.example.co.jp/img/a.gif", "image/gif", std::string(3000, 'a'));
    add("http://www.example.co.jp/img/b.gif", "image/gif", std::string(1000, 'b'));
    add("http://www.example.co.jp/img/c.gif", "image/gif", std::string(500, 'c'));
    add("http://other.example.com/doc/x.txt", "text/plain", "x");
    fx_ = std::make_unique<thtest::NetscapeFixture>(spec_);
    ASSERT_TRUE(fx_->ok()) << fx_->error();
    platform::SetSettingsFolder(settings_.path() + "/");
    w_ = std::make_unique<ui::TfrmMain>(std::make_unique<TNetscapeCacheSource>(fx_->fatDb()));
    w_->FormCreate();
  }
  void TearDown() override {
    w_.reset();
    platform::SetSettingsFolder("");
  }

  // The body file of a URL as the fixture wrote it.
  std::string BodyOf(const std::string& url) const {
    for (const auto& row : fx_->Manifest())
      if (row.url == url) return fx_->BodyPath(row.fileName);
    return {};
  }
  void SelectFolder(const std::string& url) {
    QTreeWidgetItem* item = w_->TreePane()->FindTreeNode(url);
    ASSERT_NE(item, nullptr) << url;
    w_->Ui().tvwCache->setCurrentItem(item);
  }
  void FocusTree() {
    w_->Ui().tvwCache->setFocus();
    uitest::Pump(10);
  }
  // Selects the list rows whose names are given and gives the list the focus.
  void SelectRows(const QStringList& names) {
    ui::CacheListControl* list = w_->Ui().lvwCache;
    list->CurrentView()->setFocus();
    uitest::Pump(10);
    for (int row = 0; row < list->Model()->Count(); ++row)
      list->SetSelected(row, names.contains(list->Model()->Item(row).text[0]));
  }
  QStringList ListNames() const {
    QStringList names;
    const ui::CacheListModel* m = w_->Ui().lvwCache->Model();
    for (int row = 0; row < m->Count(); ++row) names << m->Item(row).text[0];
    return names;
  }

  thtest::NetscapeCacheSpec spec_;
  std::unique_ptr<thtest::NetscapeFixture> fx_;
  uitest::TempDir settings_;
  std::unique_ptr<ui::TfrmMain> w_;
};

TEST_F(CommandsTest, DeleteAsksThenRemovesFilesAndRows) {
  const std::string fatDb = uitest::ReadFile(fx_->fatDb());
  const std::string a = BodyOf("http://www.example.co.jp/img/a.gif");
  const std::string b = BodyOf("http://www.example.co.jp/img/b.gif");
  const std::string c = BodyOf("http://www.example.co.jp/img/c.gif");
  ASSERT_TRUE(fs::exists(a) && fs::exists(b) && fs::exists(c));
  SelectFolder("http://www.example.co.jp/img/");
  ASSERT_EQ(ListNames(), (QStringList{"a.gif", "b.gif", "c.gif"}));
  SelectRows({"a.gif", "c.gif"});
  EXPECT_EQ(w_->CollectSelectedNodes().size(), 2u);

  // Declined: nothing changes.
  QString caption;
  AnswerNextDialog("btnNo", &caption);
  w_->Actions().actFileDelete->trigger();
  EXPECT_EQ(caption, QStringLiteral("複数ファイルの削除の確認"));
  EXPECT_TRUE(fs::exists(a) && fs::exists(c));
  EXPECT_EQ(ListNames(), (QStringList{"a.gif", "b.gif", "c.gif"}));

  AnswerNextDialog("btnYes");
  w_->Actions().actFileDelete->trigger();
  EXPECT_FALSE(fs::exists(a));
  EXPECT_FALSE(fs::exists(c));
  EXPECT_TRUE(fs::exists(b));
  EXPECT_EQ(ListNames(), (QStringList{"b.gif"}));
  EXPECT_EQ(w_->Ui().pnlStatus0->text(), QStringLiteral("1 個のオブジェクト"));
  EXPECT_EQ(w_->Ui().pnlStatus1->text(), QStringLiteral("0.98KB"));
  EXPECT_TRUE(w_->isEnabled());
  // The cache index is only read, never written.
  EXPECT_EQ(uitest::ReadFile(fx_->fatDb()), fatDb);

  // The last file of a folder: the folder leaves the tree as well.
  SelectRows({"b.gif"});
  AnswerNextDialog("btnYes");
  w_->Actions().actFileDelete->trigger();
  EXPECT_FALSE(fs::exists(b));
  EXPECT_EQ(w_->TreePane()->FindTreeNode("http://www.example.co.jp/img/"), nullptr);
  EXPECT_EQ(w_->CacheTree()->FindNodeByUrl("http://www.example.co.jp/img/"), nullptr);
  EXPECT_EQ(ListNames(), (QStringList{"index.html"}));
}

TEST_F(CommandsTest, DeleteOfATreeFolder) {
  const std::string x = BodyOf("http://other.example.com/doc/x.txt");
  SelectFolder("http://other.example.com/doc/");
  FocusTree();
  QString caption;
  AnswerNextDialog("btnYes", &caption);
  w_->Actions().actFileDelete->trigger();
  uitest::Pump(20);
  EXPECT_EQ(caption, QStringLiteral("フォルダの削除の確認"));
  EXPECT_FALSE(fs::exists(x));
  // The emptied host goes too; the tree keeps the other host.
  EXPECT_EQ(w_->TreePane()->FindTreeNode("http://other.example.com/"), nullptr);
  EXPECT_NE(w_->TreePane()->FindTreeNode("http://www.example.co.jp/"), nullptr);
  // The tree is the focused control again (once the window is active).
  EXPECT_EQ(w_->focusWidget(), w_->Ui().tvwCache);
}

TEST_F(CommandsTest, CopyToFolderFromTheTreeAndFromTheList) {
  uitest::TempDir out;
  w_->Favorites()->DefaultFavorite().Folder = 1;  // below the base URL
  w_->Dialogs().frmCopyToFolder->edtFolderName()->setText(QString::fromStdString(out.path()));
  // From the tree: the folder itself is copied below the destination.
  SelectFolder("http://www.example.co.jp/img/");
  FocusTree();
  w_->mnuPopupTreePopup();
  ASSERT_TRUE(w_->Actions().actFileCopyToFolder->isEnabled());
  AnswerNextDialog("btnCopy");
  w_->Actions().actFileCopyToFolder->trigger();
  EXPECT_EQ(uitest::ReadFile(out.File("img/a.gif")), std::string(3000, 'a'));
  EXPECT_EQ(uitest::ReadFile(out.File("img/c.gif")), std::string(500, 'c'));
  EXPECT_TRUE(w_->isEnabled());

  // From the list: the selected items, relative to the folder the list shows.
  uitest::TempDir out2;
  SelectFolder("http://www.example.co.jp/");
  SelectRows({"index.html"});
  ASSERT_TRUE(w_->CopySelectionToFolder(out2.path()));
  const std::string page = uitest::ReadFile(out2.File("index.html"));
  EXPECT_NE(page.find("Top"), std::string::npos);
  EXPECT_FALSE(fs::exists(out2.File("img")));

  // Cancel in the dialog copies nothing.
  uitest::TempDir out3;
  w_->Dialogs().frmCopyToFolder->edtFolderName()->setText(QString::fromStdString(out3.path()));
  AnswerNextDialog("btnCancel");
  w_->Actions().actFileCopyToFolder->trigger();
  EXPECT_TRUE(fs::is_empty(out3.path()));
}

TEST_F(CommandsTest, CopyToTheDefaultFolderUsesTheFavoritesDefaults) {
  uitest::TempDir out;
  TFavoriteItem& defaults = w_->Favorites()->DefaultFavorite();
  defaults.PathName = out.path() + "/";
  defaults.Folder = 2;  // the whole URL
  SelectFolder("http://www.example.co.jp/img/");
  SelectRows({"b.gif"});
  w_->Actions().actFileCopyToDefaultFolder->trigger();
  std::vector<std::string> copied;
  for (const auto& e : fs::recursive_directory_iterator(out.path()))
    if (e.is_regular_file()) copied.push_back(e.path().string());
  ASSERT_EQ(copied.size(), 1u);
  EXPECT_NE(copied[0].find("www.example.co.jp/img/b.gif"), std::string::npos) << copied[0];
  EXPECT_EQ(uitest::ReadFile(copied[0]), std::string(1000, 'b'));
}

TEST_F(CommandsTest, PropertiesOfTheSelection) {
  SelectFolder("http://www.example.co.jp/img/");
  SelectRows({"a.gif", "b.gif"});
  w_->Actions().actFileShowProperty->trigger();
  auto dialogs = w_->findChildren<ui::TfrmProperty*>();
  ASSERT_EQ(dialogs.size(), 1);
  EXPECT_TRUE(dialogs.front()->isVisible());
  EXPECT_EQ(dialogs.front()->windowTitle(), QStringLiteral("a.gif, ...のプロパティ"));
  EXPECT_EQ(dialogs.front()->NameLabel()->text(), QStringLiteral("ファイル数: 2、フォルダ数: 0"));
  dialogs.front()->close();
}

}  // namespace
