// tollhaven-cli where / entries, run as a separate process on written caches.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "support/cli_runner.h"
#include "support/netscape_fixture.h"

namespace {

using RunResult = thtest::CliResult;

RunResult Cli(std::vector<std::string> args) { return thtest::RunCli(std::move(args), "thcli"); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    f.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return f;
    start = tab + 1;
  }
}

std::string Slurp(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(TH_CLI_TOOL).empty()) GTEST_SKIP() << "tollhaven-cli not built";
  }
};

thtest::NetscapeCacheSpec SmallSpec() {
  thtest::NetscapeCacheSpec spec;
  thtest::NetscapeEntry page;
  page.url = platform::Utf8ToAnsi("http://www.example.co.jp/日本/index.html");
  page.contentType = "text/html";
  page.charset = "Shift_JIS";
  page.body = "<html>abc</html>";
  page.fileName = "M0000001.html";
  page.lastModified = 922881600;  // 1999-03-31 12:00:00 UTC
  spec.entries.push_back(page);
  thtest::NetscapeEntry image;
  image.url = "http://www.example.co.jp/a.gif";
  image.contentType = "image/gif";
  image.body = std::string(300, 'g');
  image.contentLength = 301;
  image.fileName = "M0000002.gif";
  image.lastModified = 946684799;  // 1999-12-31 23:59:59 UTC
  spec.entries.push_back(image);
  thtest::NetscapeEntry about;
  about.url = "about:blank";
  about.contentType = "text/html";
  about.body = "x";
  spec.entries.push_back(about);
  return spec;
}

TEST_F(CliTest, WhereFollowsRegistryAndPrefs) {
  thtest::NetscapeFixture fx(SmallSpec());
  ASSERT_TRUE(fx.ok()) << fx.error();
  for (const auto& args : {std::vector<std::string>{"--prefix", fx.prefix(), "where"},
                           std::vector<std::string>{"--registry", fx.regFile(),
                                                    "--prefix=" + fx.prefix(), "where"}}) {
    RunResult r = Cli(args);
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_GE(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[1], "profile\tC:\\Program Files\\Netscape\\Communicator\\Users\\taro\\");
    EXPECT_EQ(lines[2], "fat_db\t" + fx.fatDbWindowsPath());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "exists\tyes"), lines.end()) << r.out;
  }
  // Options that later commands use are accepted before the command.
  RunResult r = Cli({"--no-scheme", "--settings", fx.workDir(), "--fat-db", fx.fatDb(), "where"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("fat_db\t" + fx.fatDb() + "\t(--fat-db)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nsettings\t" + fx.workDir() + "/\n"), std::string::npos) << r.out;
}

TEST_F(CliTest, EntriesListsDeliveredEntries) {
  thtest::NetscapeFixture fx(SmallSpec());
  ASSERT_TRUE(fx.ok()) << fx.error();
  std::string index = Slurp(fx.fatDb());
  RunResult r = Cli({"--prefix", fx.prefix(), "entries"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out;  // about:blank is not delivered
  EXPECT_EQ(lines[0], "url\tcache_file\tsize\tmodified\tcontent_type");
  std::map<std::string, std::vector<std::string>> byUrl;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> f = Fields(lines[i]);
    ASSERT_EQ(f.size(), 5u) << lines[i];
    byUrl[f[0]] = f;
  }
  std::string folder = fx.fatDbWindowsPath().substr(0, fx.fatDbWindowsPath().size() - 6);
  const auto& page = byUrl["http://www.example.co.jp/日本/index.html"];
  ASSERT_EQ(page.size(), 5u) << r.out;
  EXPECT_EQ(page[1], folder + "M0000001.html");
  EXPECT_EQ(page[2], "16");
  EXPECT_EQ(page[3], "1999-03-31T21:00:00");
  EXPECT_EQ(page[4], "text/html; charset=Shift_JIS");
  const auto& image = byUrl["http://www.example.co.jp/a.gif"];
  ASSERT_EQ(image.size(), 5u) << r.out;
  EXPECT_EQ(image[2], "301");
  EXPECT_EQ(image[3], "2000-01-01T08:59:59");
  EXPECT_EQ(image[4], "image/gif");
  // Reading never writes the index.
  EXPECT_EQ(Slurp(fx.fatDb()), index);
}

TEST_F(CliTest, EntriesOnAGeneratedCacheMatchTheManifest) {
  thtest::NetscapeGenerateOptions gen;
  gen.count = 1500;
  gen.bodySize = 16;
  gen.faultPercent = 10;
  thtest::NetscapeFixture fx(gen);
  ASSERT_TRUE(fx.ok()) << fx.error();
  std::multiset<std::string> want;
  for (const auto& row : fx.Manifest()) {
    if (row.state == "ok") want.insert(platform::AnsiToUtf8(row.url));
  }
  RunResult r = Cli({"--fat-db", fx.fatDb(), "entries"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  std::multiset<std::string> got;
  for (std::size_t i = 1; i < lines.size(); ++i) got.insert(Fields(lines[i])[0]);
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want);
}

TEST_F(CliTest, MissingCacheSaysWhereItLooked) {
  RunResult r = Cli({"--fat-db", "/nonexistent/cache/FAT.DB", "entries"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("/nonexistent/cache/FAT.DB"), std::string::npos) << r.err;

  r = Cli({"--fat-db", "/nonexistent/cache/FAT.DB", "where"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("exists\tno"), std::string::npos) << r.out;

  // A registry without the browser's values.
  std::string dir = platform::CreateUniqueFolder(platform::TempFolder(), "thcli");
  std::string reg = platform::JoinPath(dir, "empty.reg");
  ASSERT_TRUE(platform::AtomicWriteFile(reg, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n"));
  r = Cli({"--registry", reg, "entries"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(reg), std::string::npos) << r.err;
  r = Cli({"--registry", platform::JoinPath(dir, "absent.reg"), "entries"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("absent.reg"), std::string::npos) << r.err;

  // A prefix whose prefs.js names a cache folder that is not there.
  thtest::NetscapeCacheSpec spec;
  spec.profile.cacheDirectory = "E:\\Gone";
  thtest::NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  platform::DeleteTreeSilent(fx.cacheFolder());
  r = Cli({"--prefix", fx.prefix(), "entries"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("E:\\Gone\\FAT.DB"), std::string::npos) << r.err;
  platform::DeleteTreeSilent(dir);
}

TEST_F(CliTest, UsageErrors) {
  EXPECT_EQ(Cli({}).code, 2);
  EXPECT_EQ(Cli({"frobnicate"}).code, 2);
  EXPECT_EQ(Cli({"--bogus", "where"}).code, 2);
  EXPECT_EQ(Cli({"--prefix"}).code, 2);
  EXPECT_EQ(Cli({"--fat-db=", "entries"}).code, 2);
  EXPECT_EQ(Cli({"--fat-db", "/x/FAT.DB", "entries", "extra"}).code, 2);
  RunResult help = Cli({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("entries"), std::string::npos);
  EXPECT_NE(help.out.find("where"), std::string::npos);
}

}  // namespace

namespace {

// The URL column of `list`, sorted.
std::vector<std::string> ListedUrls(const RunResult& r) {
  std::vector<std::string> urls;
  std::vector<std::string> lines = Lines(r.out);
  for (std::size_t i = 1; i < lines.size(); ++i) urls.push_back(Fields(lines[i])[0]);
  std::sort(urls.begin(), urls.end());
  return urls;
}

}  // namespace

TEST_F(CliTest, UnixProfileWinePrefixAndBareFolderAllOpen) {
  // A Unix profile as a 1999 desktop left it: bodies in sub-folders, a page with an
  // anchor and a ?page= link, a mixed-case host, and body names that lead out of the
  // cache folder (.., an absolute path, links to outside files and folders).
  thtest::NetscapeCacheSpec unixSpec;
  unixSpec.profile.unixLayout = true;
  unixSpec.profile.bookmarks = "<DL><p><DT><A HREF=\"http://www.example.co.jp/\">Ex</A></DL>\n";
  auto add = [&unixSpec](const std::string& url, const std::string& file, bool body = true) {
    thtest::NetscapeEntry e;
    e.url = url;
    e.contentType = "text/html";
    e.body = "<html><!-- it's cached --><a href=\"b.html#top\">b</a><a href=\"?page=2\">2</a></html>";
    e.fileName = file;
    e.missingBody = !body;
    unixSpec.entries.push_back(e);
  };
  add("http://www.example.co.jp/a.html", "0A/cache3F2A01.html");
  add("http://WWW.Example.CO.JP/list.cgi?page=2", "1F/cache3F2A02");
  add("http://www.example.co.jp/top.html", "cache3F2A03.html");
  add("http://evil.example.com/up.html", "../preferences.js", false);
  add("http://evil.example.com/abs.html", "/etc/passwd", false);
  add("http://evil.example.com/link.html", "2B/cache3F2A04.html", false);
  add("http://evil.example.com/dir.html", "3C/cache3F2A05.html", false);
  thtest::NetscapeFixture home(unixSpec);
  ASSERT_TRUE(home.ok()) << home.error();
  const std::string outside = platform::JoinPath(home.prefix(), "outside");
  ASSERT_TRUE(platform::CreateOneFolder(outside));
  ASSERT_TRUE(platform::AtomicWriteFile(platform::JoinPath(outside, "cache3F2A04.html"), "secret"));
  ASSERT_TRUE(platform::AtomicWriteFile(platform::JoinPath(outside, "cache3F2A05.html"), "secret"));
  const std::string cache = home.cacheFolder();
  ASSERT_TRUE(platform::CreateOneFolder(cache + "/2B"));
  ASSERT_EQ(symlink((outside + "/cache3F2A04.html").c_str(), (cache + "/2B/cache3F2A04.html").c_str()), 0);
  ASSERT_EQ(symlink(outside.c_str(), (cache + "/3C").c_str()), 0);
  const std::vector<std::string> unixUrls = {"http://WWW.Example.CO.JP/list.cgi?page=2",
                                             "http://www.example.co.jp/a.html",
                                             "http://www.example.co.jp/top.html"};

  thtest::NetscapeFixture wine(SmallSpec());
  ASSERT_TRUE(wine.ok()) << wine.error();
  const std::vector<std::string> wineUrls = {"http://www.example.co.jp/a.gif",
                                             "http://www.example.co.jp/日本/index.html"};
  const std::string profile = home.profileFolder();
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> urls;
  } runs[] = {
      {{"--netscape-home", profile, "list"}, unixUrls},
      {{"--cache-dir", cache, "list"}, unixUrls},
      {{"--fat-db", home.fatDb(), "list"}, unixUrls},
      {{"--prefix", wine.prefix(), "list"}, wineUrls},
      {{"--cache-dir", wine.cacheFolder() + "/", "list"}, wineUrls},
  };
  for (const auto& run : runs) {
    RunResult r = Cli(run.args);
    EXPECT_EQ(r.code, 0) << run.args[0] << " " << run.args[1] << "\n" << r.err;
    EXPECT_EQ(ListedUrls(r), run.urls) << run.args[0] << " " << run.args[1];
  }

  // Without options: the Wine prefix first, then ~/.netscape.
  RunResult r = thtest::RunCli({"list"}, "thcli", home.prefix());
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ListedUrls(r), unixUrls);
  ASSERT_EQ(symlink(wine.prefix().c_str(), (home.prefix() + "/.wine").c_str()), 0);
  r = thtest::RunCli({"list"}, "thcli", home.prefix());
  EXPECT_EQ(ListedUrls(r), wineUrls) << r.err;
  r = thtest::RunCli({"where"}, "thcli", home.prefix());
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\nsearch\tregistry\t" + wine.fatDbWindowsPath() + "\tfound\n"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nsearch\thome\t" + home.fatDb() + "\tfound\n"), std::string::npos)
      << r.out;
  r = Cli({"--netscape-home", profile, "where"});
  EXPECT_NE(r.out.find("\nbookmarks\t" + profile + "/bookmarks.html\n"), std::string::npos) << r.out;

  // A folder with neither index file is no cache.
  r = Cli({"--cache-dir", outside, "list"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(outside + "/FAT.DB"), std::string::npos) << r.err;
}
