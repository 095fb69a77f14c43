// tollhaven-cli find, favorites and copy-favorites on the bundled sample cache, run as
// separate processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "support/cli_runner.h"

namespace {

struct RunResult {
  int code = -1;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

RunResult Shell(const std::string& command) {
  RunResult r;
  // One error file per process: ctest runs the tests of this file side by side.
  std::string errFile = platform::TempFolder() + "thfavcli_err_" + std::to_string(getpid());
  FILE* p = popen((command + " 2>" + Quote(errFile) + " </dev/null").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  platform::ReadWholeFile(errFile, r.err);
  platform::DeleteOneFile(errFile);
  return r;
}

std::vector<std::vector<std::string>> Rows(const std::string& text) { return thtest::TsvRows(text); }

class SampleCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(TH_CLI_TOOL).empty() || std::string(TH_MAKE_CACHE_TOOL).empty())
      GTEST_SKIP() << "tools not built";
    dir = platform::CreateUniqueFolder(platform::TempFolder(), "thfavcli");
    ASSERT_FALSE(dir.empty());
    prefix = dir + "/prefix";
    settings = dir + "/settings";
    ASSERT_TRUE(platform::CreateOneFolder(settings));
    RunResult made = Shell(Quote(TH_MAKE_CACHE_TOOL) + " " +
                         Quote(std::string(TH_SOURCE_DIR) + "/samples/sample-cache.txt") + " " +
                         Quote(prefix));
    ASSERT_EQ(made.code, 0) << made.err;
    std::string manifest;
    ASSERT_TRUE(platform::ReadWholeFile(prefix + "/manifest.tsv", manifest));
    for (const auto& row : Rows(manifest))
      if (row.size() >= 7 && row[6] == "ok") ++okEntries;
  }
  void TearDown() override {
    if (!dir.empty()) platform::DeleteTreeSilent(dir);
  }
  RunResult Cli(const std::string& args) {
    return Shell("env -i TZ=Asia/Tokyo HOME=" + Quote(dir) + " " + Quote(TH_CLI_TOOL) +
               " --prefix " + Quote(prefix) + " --settings " + Quote(settings) + " " + args);
  }
  // The hit rows of find output, checked for shape; `found` receives the final count.
  std::vector<std::vector<std::string>> Hits(const RunResult& r, long& found) {
    std::vector<std::vector<std::string>> hits;
    found = -1;
    for (const auto& row : Rows(r.out)) {
      if (row[0] == "found") {
        found = std::stol(row.at(1));
        continue;
      }
      EXPECT_EQ(row.size(), 4u);
      EXPECT_TRUE(row[0] == "file" || row[0] == "folder") << row[0];
      hits.push_back(row);
    }
    EXPECT_EQ(found, static_cast<long>(hits.size()));
    return hits;
  }

  std::string dir, prefix, settings;
  int okEntries = 0;
};

TEST_F(SampleCli, FindReportsHitsAndCount) {
  long found = 0;
  RunResult all = Cli("find");
  ASSERT_EQ(all.code, 0) << all.err;
  int files = 0;
  for (const auto& h : Hits(all, found)) files += h[0] == "file";
  EXPECT_GT(okEntries, 10);
  EXPECT_EQ(files, okEntries) << "every cached file, once";

  RunResult named = Cli("find --name index --types .html,.htm --in http://www.example.co.jp/");
  ASSERT_EQ(named.code, 0) << named.err;
  auto hits = Hits(named, found);
  EXPECT_GE(hits.size(), 2u);
  for (const auto& h : hits) {
    EXPECT_EQ(h[0], "file");
    EXPECT_NE(h[1].find("index"), std::string::npos);
    EXPECT_EQ(h[1].rfind("http://www.example.co.jp/", 0), 0u);
  }

  // The same word in a Shift_JIS, an EUC-JP and an ISO-2022-JP page.
  RunResult text = Cli("find --text 流星");
  ASSERT_EQ(text.code, 0) << text.err;
  std::string urls;
  for (const auto& h : Hits(text, found)) urls += h[1] + "\n";
  EXPECT_NE(urls.find("http://www.example.co.jp/products/index.html\n"), std::string::npos) << urls;
  EXPECT_NE(urls.find("http://www.example.co.jp/products/detail"), std::string::npos) << urls;
  EXPECT_NE(urls.find("http://www.example.co.jp/news/1999/0304.html\n"), std::string::npos) << urls;
  // A UTF-8 page, its charset declared.
  RunResult utf8 = Cli("find --text 東京都千代田区");
  ASSERT_EQ(utf8.code, 0) << utf8.err;
  auto utf8Hits = Hits(utf8, found);
  ASSERT_EQ(utf8Hits.size(), 1u) << utf8.out;
  EXPECT_EQ(utf8Hits[0][1], "http://www.example.co.jp/about/index.html");

  RunResult small = Cli("find --size-between 1 0 --no-subfolders --in http://img.example.com/");
  ASSERT_EQ(small.code, 0) << small.err;
  for (const auto& h : Hits(small, found)) EXPECT_LE(std::stol(h[2]), 1024) << h[1];
}

TEST_F(SampleCli, FindCriteriaErrorsAndUsage) {
  RunResult r = Cli("find --in http://nowhere.example/ --types ,");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("探す場所が存在しません。"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("種類が選択されていません。"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Cli("find --size-below").code, 2);
  EXPECT_EQ(Cli("find --days x").code, 2);
  EXPECT_EQ(Cli("find --date-between 2001-02-30 2001-03-01").code, 2);
  EXPECT_EQ(Cli("find --bogus").code, 2);
}

// export and find take the URL given: a file alone (with what its page uses, by the
// method), a folder with or without its final '/', and nothing for a URL not cached.
TEST_F(SampleCli, ExportAndFindTakeTheUrlGiven) {
  const std::string page = "http://www.example.co.jp/products/index.html";
  const std::string local = "./http$3a/www.example.co.jp/";
  struct Row {
    std::string args;
    int code;
    std::string files;  // sorted, one a line, below the destination
  } rows[] = {
      {"export " + page, 0, local + "products/index.html\n"},
      {"export " + page + " --method 3", 0,
       "./http$3a/cgi.example.ne.jp/cgi-bin/img~42c94d0c.png\n"
       "./http$3a/img.example.com/bg/paper.gif\n" +
           local + "images/a.gif\n" + local + "products/index.html\n"},
      {"export http://www.example.co.jp/products --folders 1", 0,
       "./detail~1d64eab9.html\n./index.html\n"},
      {"export http://www.example.co.jp/products/gone.html", 1, ""},
  };
  int n = 0;
  for (const Row& r : rows) {
    const std::string to = dir + "/export" + std::to_string(++n);
    RunResult run = Cli(r.args + " --to " + Quote(to));
    EXPECT_EQ(run.code, r.code) << r.args << "\n" << run.err;
    if (r.code != 0) {
      EXPECT_NE(run.err.find("not in the cache: http://www.example.co.jp/products/gone.html"),
                std::string::npos)
          << run.err;
    }
    RunResult listing =
        Shell("(cd " + Quote(to) + " 2>/dev/null && find . -type f | LC_ALL=C sort)");
    EXPECT_EQ(listing.out, r.files) << r.args;
  }

  long found = 0;
  RunResult missing = Cli("find --in http://www.example.co.jp/products/gone.html");
  EXPECT_EQ(missing.code, 2) << "not the folder around it";
  EXPECT_NE(missing.err.find("not in the cache"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
  std::string urls;
  for (const auto& h : Hits(Cli("find --text 流星 --in http://www.example.co.jp/products"), found))
    urls += h[1] + "\n";
  EXPECT_EQ(urls,
            "http://www.example.co.jp/products/detail~1d64eab9.html\n"
            "http://www.example.co.jp/products/index.html\n")
      << "the folder itself, not its parent";
}

// Without a terminal, export answers the overwrite question as copy-favorites does,
// and --help says how.
TEST_F(SampleCli, ExportWithoutTerminalReplacesOnlyOlderFiles) {
  const std::string to = dir + "/again";
  ASSERT_EQ(Cli("export --all --to " + Quote(to)).code, 0);
  ASSERT_EQ(Shell("find " + Quote(to) + " -type f -exec touch -d 1990-01-01 {} +").code, 0);
  ASSERT_EQ(Shell("touch -d 2030-01-01 " + Quote(to + "/http$3a/www.example.co.jp/index.html")).code,
            0);
  RunResult again = Cli("export --all --to " + Quote(to));
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.out.find("files copied: " + std::to_string(okEntries - 1) + "\n"),
            std::string::npos)
      << again.out;
  EXPECT_NE(again.out.find("files skipped: 1\n"), std::string::npos) << again.out;
  RunResult help = Shell(Quote(TH_CLI_TOOL) + " --help");
  EXPECT_NE(help.out.find("--overwrite newer"), std::string::npos) << help.out;
}

TEST_F(SampleCli, CopyScheduledFavoritesThenMoveOne) {
  std::string dest = dir + "/copies/";
  ASSERT_TRUE(platform::AtomicWriteFile(
      settings + "/favorites.dat",
      "[Favorites]\r\nCount=2\r\n"
      "[Favorite0001]\r\nTitle=Products\r\nUrlName=http://www.example.co.jp/products/\r\n"
      "PathName=" + dest + "\r\nDefault=index.html\r\nFolder=1\r\nMethod=1\r\nTimer=1\r\n"
      "[Favorite0002]\r\nTitle=News\r\nUrlName=http://www.example.co.jp/news/\r\n"
      "PathName=" + dest + "news/\r\nFolder=1\r\nMethod=1\r\nTimer=0\r\n"));

  RunResult list = Cli("favorites");
  ASSERT_EQ(list.code, 0) << list.err;
  auto rows = Rows(list.out);
  ASSERT_EQ(rows.size(), 4u) << list.out;  // header, default, two favorites
  EXPECT_EQ(rows[2][1], "Products");
  EXPECT_EQ(rows[2][7], "1");
  EXPECT_EQ(rows[3][8], "") << "no date yet";

  RunResult copy = Cli("copy-favorites --scheduled");
  ASSERT_EQ(copy.code, 0) << copy.err;
  EXPECT_TRUE(platform::FileExists(dest + "index.html"));
  EXPECT_FALSE(platform::DirectoryExists(dest + "news")) << "News is not scheduled";
  platform::IniFile ini(settings + "/favorites.dat");
  EXPECT_NE(ini.ReadString("Favorite0001", "Date", ""), "") << "stamped and saved";
  EXPECT_EQ(ini.ReadString("Favorite0002", "Date", ""), "");

  // Moving "News" by title: copied, and gone from the cache afterwards.
  long found = 0;
  int newsFiles = 0;
  for (const auto& h : Hits(Cli("find --in http://www.example.co.jp/news/"), found))
    newsFiles += h[0] == "file";
  ASSERT_GT(newsFiles, 0);
  RunResult move = Cli("copy-favorites --move News");
  ASSERT_EQ(move.code, 0) << move.err;
  EXPECT_NE(move.out.find("files copied: " + std::to_string(newsFiles)), std::string::npos)
      << move.out;
  RunResult after = Cli("find --in http://www.example.co.jp/news/");
  EXPECT_EQ(after.code, 2) << "the folder left the cache";
  EXPECT_NE(platform::IniFile(settings + "/favorites.dat").ReadString("Favorite0002", "Date", ""),
            "");

  EXPECT_EQ(Cli("copy-favorites").code, 2);
  EXPECT_EQ(Cli("copy-favorites NoSuchFavorite").code, 1);
}

}  // namespace
