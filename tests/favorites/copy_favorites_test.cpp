// Copying and moving favorites out of a written Netscape cache.
#include "favorites/copy_favorites.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cache/netscape_cache.h"
#include "favorites/favorites.h"
#include "platform/codepage.h"
#include "platform/file_time.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "support/netscape_fixture.h"
#include "tree/copy_engine.h"
#include "tree/web_cache_tree.h"

namespace {

class Recorder : public TCopyCallbacks {
 public:
  int answer = kOverwriteAll;
  int asks = 0;
  std::vector<std::string> errors;
  std::vector<std::string> written;
  int AskOverwrite(const TWebCacheTreeNode&, const std::string&) override {
    ++asks;
    return answer;
  }
  void ShowError(const std::string& text, const std::string&) override {
    errors.push_back(text);
  }
  void FileFinished(const TWebCacheTreeNode&, const std::string& path, bool w, bool,
                    std::uint64_t) override {
    if (w) written.push_back(path);
  }
};

class CopyFavoritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    thtest::NetscapeCacheSpec spec;
    auto add = [&](const std::string& url, const std::string& type, const std::string& body,
                   std::uint32_t when) {
      thtest::NetscapeEntry e;
      e.url = url;
      e.contentType = type;
      e.body = body;
      e.lastModified = when;
      spec.entries.push_back(e);
    };
    add("http://www.example.co.jp/a/", "text/html",
        "<html><img src=\"../img/x.gif\"><a href=\"page.html\">p</a></html>", 920000000);
    add("http://www.example.co.jp/a/page.html", "text/html", "<p>page</p>", 921000000);
    add("http://www.example.co.jp/img/x.gif", "image/gif", std::string("GIF89a\0\1", 8),
        922000000);
    add("http://other.example/b/file.txt", "text/plain", "plain text", 923000000);
    fx = std::make_unique<thtest::NetscapeFixture>(spec);
    ASSERT_TRUE(fx->ok()) << fx->error();
    savedPrefix = platform::WinePrefix();
    platform::SetWinePrefix(fx->prefix());
    tree = std::make_unique<TWebCacheTree>(std::make_unique<TNetscapeCacheSource>(fx->fatDb()));
    tree->ContentTypes().AddType("text/html", ".html");
    tree->ContentTypes().AddType("image/gif", ".gif");
    tree->ContentTypes().AddType("text/plain", ".txt");
    tree->Refresh();

    work = fx->workDir();
    favorites.SetFavoritesPath(work + "/favorites.dat");
    auto a = std::make_unique<TFavoriteItem>();
    a->Title = "A";
    a->UrlName = "http://www.example.co.jp/a/";
    a->PathName = work + "/dest1/";
    a->Default = "default.htm";
    a->Folder = 1;
    a->Method = 3;
    favorites.AddFavorite(std::move(a));
    auto b = std::make_unique<TFavoriteItem>();
    b->Title = "B";
    b->UrlName = "http://other.example/b/file.txt";  // a file URL: its folder counts
    b->PathName = work + "/dest2/";
    b->Default = "index.html";
    b->Folder = 2;
    b->Method = 1;
    favorites.AddFavorite(std::move(b));
  }
  void TearDown() override {
    tree.reset();
    platform::SetWinePrefix(savedPrefix);
  }

  bool Exists(const std::string& rel) const { return platform::FileExists(work + "/" + rel); }

  std::unique_ptr<thtest::NetscapeFixture> fx;
  std::unique_ptr<TWebCacheTree> tree;
  TFavorites favorites;
  std::string savedPrefix, work;
};

TEST_F(CopyFavoritesTest, CopiesEachFavoriteWithItsSettingsAndStampsIt) {
  TFavoriteItem* a = favorites.GetItem(0);
  TFavoriteItem* b = favorites.GetItem(1);
  Recorder rec;
  std::size_t max = 0;
  TCopyFavoritesHooks hooks;
  hooks.SetProgressMax = [&](std::size_t n) { max = n; };
  ASSERT_TRUE(CopyFavorites(favorites, *tree, {a, b}, false, nullptr, rec, hooks));
  EXPECT_TRUE(rec.errors.empty());
  EXPECT_EQ(max, 3u) << "A's two files and B's one; pulled images come on top";

  // A: folders below its URL, its own default name, the image it uses pulled in.
  EXPECT_TRUE(Exists("dest1/default.htm"));
  EXPECT_TRUE(Exists("dest1/page.html"));
  EXPECT_EQ(rec.written.size(), 4u);
  // B: the whole URL mirrored.
  EXPECT_TRUE(Exists("dest2/http$3a/other.example/b/file.txt"));
  platform::FILETIME ft = 0;
  ASSERT_TRUE(platform::GetFileLastWriteTime(work + "/dest2/http$3a/other.example/b/file.txt", ft));
  EXPECT_EQ(platform::FileTimeToUnixSeconds(ft), 923000000) << "the cached date";

  EXPECT_EQ(tree->DefaultFileName, "index.html") << "set back to the default settings' name";
  EXPECT_TRUE(a->HasDate());
  EXPECT_TRUE(b->HasDate());
  // The stamps are in the file.
  TFavorites reread;
  reread.SetFavoritesPath(work + "/favorites.dat");
  ASSERT_EQ(reread.Count(), 2);
  EXPECT_EQ(reread.GetItem(0)->Date, a->Date);
  EXPECT_EQ(reread.GetItem(1)->Date, b->Date);
  EXPECT_TRUE(tree->FindFolderByUrl("http://other.example/b/")) << "a copy leaves the cache";
}

TEST_F(CopyFavoritesTest, OneOverwriteAnswerForTheWholeRun) {
  TFavoriteItem* a = favorites.GetItem(0);
  Recorder first;
  ASSERT_TRUE(CopyFavorites(favorites, *tree, {a}, false, nullptr, first));
  EXPECT_EQ(first.asks, 0);
  // The same favorite twice in a second run: every file exists; "no to all" is asked once
  // and holds for the second favorite too.
  auto twin = std::make_unique<TFavoriteItem>(*a);
  twin->Title = "A again";
  TFavoriteItem* a2 = favorites.GetItem(favorites.AddFavorite(std::move(twin)));
  Recorder second;
  second.answer = kOverwriteNoToAll;
  ASSERT_TRUE(CopyFavorites(favorites, *tree, {a, a2}, false, nullptr, second));
  EXPECT_EQ(second.asks, 1);
  EXPECT_TRUE(second.written.empty());
}

TEST_F(CopyFavoritesTest, MoveDeletesTheFolderFromTheCache) {
  TFavoriteItem* a = favorites.GetItem(0);
  TFavoriteItem* b = favorites.GetItem(1);
  Recorder rec;
  int resets = 0;
  TCopyFavoritesHooks hooks;
  hooks.ShownFolderDeleting = [&] { ++resets; };
  std::string body(tree->FindNodeByUrl("http://other.example/b/file.txt")->EntryInfo().LocalFileName);
  ASSERT_TRUE(platform::FileExists(body));
  ASSERT_TRUE(CopyFavorites(favorites, *tree, {b}, true, a, rec, hooks));
  EXPECT_TRUE(Exists("dest2/http$3a/other.example/b/file.txt"));
  EXPECT_EQ(tree->FindFolderByUrl("http://other.example/b/"), nullptr);
  EXPECT_FALSE(platform::FileExists(body)) << "the cached body is deleted";
  EXPECT_EQ(resets, 0) << "the shown favorite's folder was not touched";
  EXPECT_TRUE(b->HasDate());

  ASSERT_TRUE(CopyFavorites(favorites, *tree, {a}, true, a, rec, hooks));
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(tree->FindFolderByUrl("http://www.example.co.jp/a/"), nullptr);
  EXPECT_TRUE(Exists("dest1/default.htm"));
}

TEST_F(CopyFavoritesTest, NestedFavoritesMovedTogether) {
  // B2 lies inside A's folder: once A is moved, B2 finds nothing left and copies nothing,
  // instead of touching nodes that are gone.
  TFavoriteItem* a = favorites.GetItem(0);
  auto inner = std::make_unique<TFavoriteItem>(*a);
  inner->Title = "inner";
  inner->UrlName = "http://www.example.co.jp/a/page.html";
  inner->PathName = work + "/dest3/";
  TFavoriteItem* b2 = favorites.GetItem(favorites.AddFavorite(std::move(inner)));
  Recorder rec;
  ASSERT_TRUE(CopyFavorites(favorites, *tree, {a, b2}, true, nullptr, rec));
  EXPECT_FALSE(platform::DirectoryExists(work + "/dest3/") &&
               !platform::ListFolder(work + "/dest3/").empty());
}

TEST_F(CopyFavoritesTest, AFailureEndsTheRunUnstamped) {
  TFavoriteItem* a = favorites.GetItem(0);
  TFavoriteItem* b = favorites.GetItem(1);
  ASSERT_TRUE(platform::AtomicWriteFile(work + "/blocker", "a file"));
  a->PathName = work + "/blocker/sub/";  // a folder cannot be made below a file
  Recorder rec;
  EXPECT_FALSE(CopyFavorites(favorites, *tree, {a, b}, true, nullptr, rec));
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_NE(rec.errors[0].find(platform::Utf8ToAnsi("フォルダの作成に失敗しました。")),
            std::string::npos);
  EXPECT_FALSE(a->HasDate());
  EXPECT_FALSE(b->HasDate());
  EXPECT_FALSE(Exists("dest2/http$3a/other.example/b/file.txt")) << "B never ran";
  EXPECT_TRUE(tree->FindFolderByUrl("http://www.example.co.jp/a/")) << "nothing moved";
}

}  // namespace
