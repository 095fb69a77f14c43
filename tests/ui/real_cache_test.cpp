// The window on a real Netscape cache: FAT.DB written by Berkeley DB 1.85 through
// the fixture tool, found through the registry of a Wine prefix.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTreeWidget>

#include "cache/netscape_cache.h"
#include "support/netscape_fixture.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui_fixture.h"

namespace {

TEST(RealCacheTest, WindowShowsTheFoldersAndFilesOfFatDb) {
  uitest::App();
  thtest::NetscapeCacheSpec spec;
  auto add = [&spec](const char* url, const char* type, std::uint32_t modified,
                     std::string body) {
    thtest::NetscapeEntry e;
    e.url = url;
    e.contentType = type;
    e.lastModified = modified;
    e.body = std::move(body);
    spec.entries.push_back(std::move(e));
  };
  add("http://www.example.co.jp/", "text/html", 978307200,
      "<html><head><title>Top</title></head></html>");
  add("http://www.example.co.jp/img/a.gif", "image/gif", 978393600, std::string(3000, 'g'));
  add("https://secure.example.com/login.html", "text/html", 978307200, "<title>Login</title>");
  add("about:blank", "text/html", 978307200, "x");
  thtest::NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();

  uitest::TempDir settings;
  platform::SetSettingsFolder(settings.path() + "/");
  ui::TfrmMain w(std::make_unique<TNetscapeCacheSource>(fx.fatDb()));
  w.FormCreate();
  QTreeWidgetItem* root = w.TreePane()->RootItem();
  ASSERT_NE(root, nullptr);
  // about: is no known scheme and never reaches the tree.
  ASSERT_EQ(root->childCount(), 2);
  EXPECT_EQ(root->child(0)->text(0), QStringLiteral("http:"));
  EXPECT_EQ(root->child(1)->text(0), QStringLiteral("https:"));

  QTreeWidgetItem* host = w.TreePane()->FindTreeNode("http://www.example.co.jp/");
  ASSERT_NE(host, nullptr);
  w.Ui().tvwCache->setCurrentItem(host);
  const ui::CacheListModel* m = w.Ui().lvwCache->Model();
  ASSERT_EQ(m->Count(), 2);
  EXPECT_EQ(m->Item(0).text[0], QStringLiteral("img"));
  EXPECT_EQ(m->Item(1).text[0], QStringLiteral("index.html"));
  EXPECT_EQ(m->Item(1).text[2], QStringLiteral("Top"));
  EXPECT_EQ(m->Item(1).text[5], QStringLiteral("2001/01/01 9:00"));
  EXPECT_EQ(w.Ui().pnlStatus0->text(), QStringLiteral("2 個のオブジェクト"));

  ASSERT_TRUE(w.TreePane()->SelectPath("http://www.example.co.jp/img/"));
  ASSERT_EQ(m->Count(), 1);
  EXPECT_EQ(m->Item(0).text[3], QStringLiteral("3KB"));
  platform::SetSettingsFolder("");
}

}  // namespace
