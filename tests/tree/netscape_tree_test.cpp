// The tree over real Netscape caches written by make-netscape-cache, in process and
// through `tollhaven-cli list` / `tree`.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cache/netscape_cache.h"
#include "cache/web_cache.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "support/cli_runner.h"
#include "support/netscape_fixture.h"
#include "tree/web_cache_tree.h"

namespace {

const char* kHost = "http://www.example.co.jp/";

thtest::NetscapeEntry Entry(const std::string& path, const std::string& type,
                            std::uint32_t when, const std::string& body = "body") {
  thtest::NetscapeEntry e;
  e.url = kHost + path;
  e.contentType = type;
  e.lastModified = when;
  e.body = body;
  return e;
}

thtest::NetscapeCacheSpec NamingSpec() {
  thtest::NetscapeCacheSpec spec;
  std::string title = platform::Utf8ToAnsi("目次");
  auto docs = Entry("docs/", "text/html", 930000000,
                    "<html><head><title>" + title + "</title></head><body>x</body></html>");
  docs.charset = "Shift_JIS";
  spec.entries.push_back(docs);
  spec.entries.push_back(Entry("cgi/img.cgi?n=1", "image/gif", 930000000, "GIF89a"));
  // One name in three spellings: one local name each, the newest keeps it plain.
  spec.entries.push_back(Entry("i/a.gif", "image/gif", 930000100));   // D1
  spec.entries.push_back(Entry("i/A.gif", "image/gif", 930000200));   // D2
  spec.entries.push_back(Entry("I/a.GIF", "image/gif", 930000300));   // D3
  spec.entries.push_back(Entry("readme", "text/plain", 930000000));
  spec.entries.push_back(Entry("page", "text/html", 930000000,
                               "<html><head><title>Plain page</title></head></html>"));
  return spec;
}

// File nodes below `node`, keyed by source URL.
void Collect(const TWebCacheTreeNode* node, std::map<std::string, const TWebCacheTreeNode*>& out) {
  for (std::size_t i = 0; i < node->Count(); ++i) {
    const TWebCacheTreeNode* c = node->Items(i);
    if (c->IsFolder()) {
      Collect(c, out);
    } else {
      out[std::string(c->EntryInfo().SourceUrl)] = c;
    }
  }
}

class NetscapeTree : public ::testing::Test {
 protected:
  void Load(const thtest::NetscapeFixture& fx, TWebCacheTree& tree) {
    tree.ContentTypes().AddType("image/gif", ".gif");
    tree.ContentTypes().AddType("text/html", ".htm");
    tree.ContentTypes().AddType("text/html", ".html");
    tree.Refresh();
    (void)fx;
  }
};

TEST_F(NetscapeTree, NamesTitlesAndTotalsFromAWrittenCache) {
  thtest::NetscapeFixture fx(NamingSpec());
  ASSERT_TRUE(fx.ok()) << fx.error();
  platform::SetWinePrefix(fx.prefix());
  TWebCacheTree tree(std::make_unique<TNetscapeCacheSource>(fx.fatDb()));
  Load(fx, tree);

  std::map<std::string, const TWebCacheTreeNode*> files;
  Collect(tree.Root(), files);
  ASSERT_EQ(files.size(), 7u);
  auto name = [&](const std::string& path) {
    auto it = files.find(kHost + path);
    return it == files.end() ? std::string("<missing>") : it->second->GetDisplayName();
  };
  EXPECT_EQ(name("docs/"), "index.html");
  EXPECT_EQ(name("cgi/img.cgi?n=1"), "img~42c94d0c.gif");
  EXPECT_EQ(name("I/a.GIF"), "a.GIF");
  EXPECT_EQ(name("i/A.gif"), "A~0001.gif");
  EXPECT_EQ(name("i/a.gif"), "a~0002.gif");
  EXPECT_EQ(name("readme"), "readme");
  EXPECT_EQ(name("page"), "page.html");

  EXPECT_EQ(tree.GetPageTitle(std::string(kHost) + "docs/"), platform::Utf8ToAnsi("目次"));
  EXPECT_EQ(tree.GetPageTitle(std::string(kHost) + "page.html"), "Plain page");
  EXPECT_EQ(tree.GetPageTitle(std::string(kHost) + "i/a.GIF"), "");

  // Sizes come from the index; the host folder adds them all up.
  std::uint64_t sum = 0;
  for (const auto& [url, node] : files) sum += node->EntryInfo().Size;
  EXPECT_EQ(tree.FindNodeByUrl(kHost)->TotalSize(), sum);
  EXPECT_EQ(TWebCacheTree::CountFiles(tree.FindNodeByUrl(std::string(kHost) + "i/")), 3u);
}

TEST_F(NetscapeTree, GeneratedCacheEveryDeliveredEntryBecomesOneUniquelyNamedFile) {
  thtest::NetscapeGenerateOptions gen;
  gen.count = 3000;
  gen.hosts = 12;
  gen.folderFiles = 800;
  gen.seed = 7;
  thtest::NetscapeFixture fx(gen);
  ASSERT_TRUE(fx.ok()) << fx.error();
  platform::SetWinePrefix(fx.prefix());

  std::multiset<std::string> delivered;
  {
    TWebCache cache(std::make_unique<TNetscapeCacheSource>(fx.fatDb()));
    TWebCacheEntryInfo e;
    for (bool more = cache.FindFirst(e); more; more = cache.FindNext(e)) delivered.insert(e.SourceUrl);
  }
  ASSERT_GT(delivered.size(), 2000u);

  TWebCacheTree tree(std::make_unique<TNetscapeCacheSource>(fx.fatDb()));
  Load(fx, tree);
  std::multiset<std::string> inTree;
  std::vector<const TWebCacheTreeNode*> stack{tree.Root()};
  while (!stack.empty()) {
    const TWebCacheTreeNode* n = stack.back();
    stack.pop_back();
    std::set<std::string> names;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < n->Count(); ++i) {
      const TWebCacheTreeNode* c = n->Items(i);
      total += c->TotalSize();
      if (c->IsFolder()) {
        stack.push_back(c);
        continue;
      }
      inTree.emplace(c->EntryInfo().SourceUrl);
      EXPECT_TRUE(names.insert(c->Key()).second) << "duplicate local name " << c->Caption();
      EXPECT_FALSE(c->Caption().empty());
    }
    EXPECT_EQ(n->TotalSize(), total) << n->EntryInfo().FolderUrl;
  }
  EXPECT_EQ(inTree, delivered);
  EXPECT_EQ(TWebCacheTree::CountFiles(tree.Root()), delivered.size());
}

// ---------------------------------------------------------------------------
// tollhaven-cli list / tree

std::string ReadAll(const std::string& path) {
  std::string s;
  platform::ReadWholeFile(path, s);
  return s;
}

using RunResult = thtest::CliResult;

RunResult Cli(std::vector<std::string> args) { return thtest::RunCli(std::move(args), "thtree_cli"); }

std::vector<std::vector<std::string>> Rows(const std::string& text) { return thtest::TsvRows(text); }

class CliTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(TH_CLI_TOOL).empty()) GTEST_SKIP() << "tollhaven-cli not built";
    if (!platform::FileExists("/etc/mime.types")) GTEST_SKIP() << "no /etc/mime.types";
    settings_ = platform::CreateUniqueFolder(platform::TempFolder(), "thtree_set");
  }
  void TearDown() override {
    if (!settings_.empty()) platform::DeleteTreeSilent(settings_);
  }
  std::string settings_;
};

TEST_F(CliTreeTest, ListShowsLocalNamesAndTitles) {
  thtest::NetscapeFixture fx(NamingSpec());
  ASSERT_TRUE(fx.ok()) << fx.error();
  RunResult r = Cli({"--prefix", fx.prefix(), "--settings", settings_, "list"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto rows = Rows(r.out);
  ASSERT_EQ(rows.size(), 8u) << r.out;
  EXPECT_EQ(rows[0], (std::vector<std::string>{"url", "local_path", "size", "modified",
                                               "content_type", "title", "cache_file"}));
  std::map<std::string, std::vector<std::string>> byUrl;
  std::vector<std::string> order;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 7u) << i;
    byUrl[rows[i][0]] = rows[i];
    order.push_back(rows[i][1]);
  }
  const std::string base = "http$3a/www.example.co.jp/";
  // The three spellings share one folder, named after whichever the index gave first.
  std::string folder = byUrl[kHost + std::string("I/a.GIF")][1].substr(0, base.size() + 2);
  EXPECT_EQ(platform::AnsiLowerCase(folder), base + "i/");
  const struct {
    const char* path;
    std::string local, title;
  } kFiles[] = {
      {"docs/", base + "docs/index.html", "目次"},
      {"cgi/img.cgi?n=1", base + "cgi/img~42c94d0c.gif", ""},
      {"I/a.GIF", folder + "a.GIF", ""},
      {"i/A.gif", folder + "A~0001.gif", ""},
      {"i/a.gif", folder + "a~0002.gif", ""},
      {"readme", base + "readme", ""},
      {"page", base + "page.html", "Plain page"},
  };
  for (const auto& f : kFiles) {
    EXPECT_EQ(byUrl[kHost + std::string(f.path)][1], f.local) << f.path;
    EXPECT_EQ(byUrl[kHost + std::string(f.path)][5], f.title) << f.path;
  }
  // size, modified (930000000 s is 1999-06-21 21:20:00 UTC, 06:20 the next day in Tokyo), type
  EXPECT_EQ(std::vector<std::string>(byUrl[kHost + std::string("readme")].begin() + 2,
                                     byUrl[kHost + std::string("readme")].begin() + 5),
            (std::vector<std::string>{"4", "1999-06-22T06:20:00", "text/plain"}));
  // Tree order: folders and files mixed by name, depth first.
  EXPECT_EQ(order, (std::vector<std::string>{base + "cgi/img~42c94d0c.gif", base + "docs/index.html",
                                             folder + "a.GIF", folder + "A~0001.gif",
                                             folder + "a~0002.gif", base + "page.html",
                                             base + "readme"}));

  // A second run shows the same names.
  RunResult again = Cli({"--prefix", fx.prefix(), "--settings", settings_, "list"});
  EXPECT_EQ(again.out, r.out);
}

TEST_F(CliTreeTest, ListAndTreeReadTheSettingsButNeverWriteThem) {
  thtest::NetscapeFixture fx(NamingSpec());
  ASSERT_TRUE(fx.ok()) << fx.error();
  const std::string renameFile = platform::JoinPath(settings_, "renameList.dat");
  const std::string renames = std::string(kHost) + "cgi/img.cgi?n=1\t" + kHost + "cgi/picture.gif\r\n";
  ASSERT_TRUE(platform::AtomicWriteFile(renameFile, renames));
  for (const char* command : {"list", "tree"}) {
    RunResult r = Cli({"--prefix", fx.prefix(), "--settings", settings_, command});
    ASSERT_EQ(r.code, 0) << command << ": " << r.err;
    if (std::string(command) == "list") {
      EXPECT_NE(r.out.find("\thttp$3a/www.example.co.jp/cgi/picture.gif\t"), std::string::npos) << r.out;
    }
    EXPECT_EQ(platform::ListFolder(settings_), std::vector<std::string>{"renameList.dat"}) << command;
    EXPECT_EQ(ReadAll(renameFile), renames) << command;
  }
}

TEST_F(CliTreeTest, TreeShowsFoldersWithCountsAndSizes) {
  thtest::NetscapeFixture fx(NamingSpec());
  ASSERT_TRUE(fx.ok()) << fx.error();
  RunResult r = Cli({"--prefix", fx.prefix(), "--settings", settings_, "--no-scheme", "tree"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto rows = Rows(r.out);
  ASSERT_GE(rows.size(), 5u) << r.out;
  EXPECT_EQ(rows[0][0], "Web Cache");
  EXPECT_EQ(rows[0][1], "7 files");
  EXPECT_EQ(rows[1][0], "  www.example.co.jp") << "no scheme level";
  std::set<std::string> folders;
  for (const auto& row : rows) folders.insert(platform::AnsiLowerCase(row[0]) + "\t" + row[1]);
  EXPECT_TRUE(folders.count("    i\t3 files")) << r.out;
  EXPECT_TRUE(folders.count("    cgi\t1 file")) << r.out;
  EXPECT_TRUE(folders.count("    docs\t1 file")) << r.out;
}

TEST_F(CliTreeTest, MissingCacheIsAnErrorNotAnEmptyList) {
  RunResult r = Cli({"--fat-db", "/nonexistent/FAT.DB", "--settings", settings_, "list"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.err.find("FAT.DB"), std::string::npos) << r.err;
  EXPECT_EQ(Cli({"--fat-db", "/nonexistent/FAT.DB", "tree", "extra"}).code, 2);
}

}  // namespace
