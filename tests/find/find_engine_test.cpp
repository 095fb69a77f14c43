// The find engine: the walk and its order, each test of a node, content search in
// the three Japanese codes through the walk, and stopping.
#include "find/find_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "find/find_criteria.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "text/jcode.h"
#include "support/memory_source.h"
#include "tree/web_cache_tree.h"

namespace {

using thtest::MemoryCache;
using thtest::MemorySource;
using thtest::Rec;

// Unix seconds of a local date-time (the tests run in the program's time zone).
std::int64_t Local(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  t.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&t));
}

platform::SYSTEMTIME Day(int y, int mo, int d) {
  platform::SYSTEMTIME t;
  t.wYear = std::uint16_t(y);
  t.wMonth = std::uint16_t(mo);
  t.wDay = std::uint16_t(d);
  return t;
}

class FindTest : public ::testing::Test {
 protected:
  FindTest()
      : cache(std::make_shared<MemoryCache>()),
        dir(platform::CreateUniqueFolder(platform::TempFolder(), "thfind")) {}
  ~FindTest() override { platform::DeleteTreeSilent(dir); }

  // Body file with the given bytes.
  std::string Body(const std::string& name, const std::string& bytes) {
    std::string path = platform::JoinPath(dir, name);
    EXPECT_TRUE(platform::AtomicWriteFile(path, bytes));
    return path;
  }
  void Add(const std::string& url, const std::string& type, std::uint32_t size,
           std::int64_t when, const std::string& body = "") {
    cache->records.push_back(Rec(url, type, size, when, body));
  }
  // The standard little cache:
  //   http: / h / index.html, readme, dir / myindex.htm, sub / pic.gif, other.GIF
  void AddStandard() {
    Add("http://h/index.html", "text/html", 1000, Local(2001, 5, 10, 0, 0, 0));
    Add("http://h/readme", "text/plain", 500, Local(2001, 5, 10, 23, 59, 59));
    Add("http://h/dir/myindex.htm", "text/html", 20000, Local(2001, 5, 11, 0, 0, 0));
    Add("http://h/dir/sub/pic.gif", "image/gif", 51200, Local(2001, 5, 9, 23, 59, 59));
    Add("http://h/dir/sub/other.GIF", "image/gif", 10240, Local(2000, 1, 1));
  }
  TWebCacheTree& Tree() {
    if (!tree) {
      tree = std::make_unique<TWebCacheTree>(std::make_unique<MemorySource>(cache));
      tree->ContentTypes().AddType("image/gif", ".gif");
      tree->ContentTypes().AddType("text/html", ".html");
      tree->ContentTypes().AddType("text/html", ".htm");
      tree->ContentTypes().AddType("text/plain", ".txt");
      tree->Refresh();
    }
    return *tree;
  }
  // Builds the criteria as the window would and runs the walk on this thread;
  // the hits' URL texts (folders end in '/').
  std::vector<std::string> Find(const TFindInputs& inputs) {
    TFindCriteriaResult r = BuildFindCriteria(inputs, Tree());
    EXPECT_TRUE(r.Errors.empty()) << (r.Errors.empty() ? "" : r.Errors[0].Message);
    if (!r.Data) return {"<errors>"};
    return Run(std::move(r.Data));
  }
  std::vector<std::string> Run(std::unique_ptr<TFindData> data) {
    std::vector<std::string> hits;
    TFindThread thread;
    thread.PausePerNode = std::chrono::microseconds(0);
    thread.SetCriteria(std::move(data));
    thread.OnFound = [&](TFindThread& t, TWebCacheTreeNode* node) {
      EXPECT_EQ(t.FoundNode, node);
      hits.push_back(node->GetUrlText());
    };
    thread.Execute();
    return hits;
  }
  static std::set<std::string> AsSet(const std::vector<std::string>& v) {
    return {v.begin(), v.end()};
  }

  std::shared_ptr<MemoryCache> cache;
  std::unique_ptr<TWebCacheTree> tree;
  std::string dir;
};

TEST_F(FindTest, EmptyCriteriaFindEveryFileAndEveryFolderTwoLevelsDown) {
  AddStandard();
  std::vector<std::string> hits = Find({});
  EXPECT_EQ(AsSet(hits),
            (std::set<std::string>{"http://h/", "http://h/index.html", "http://h/readme",
                                   "http://h/dir/", "http://h/dir/myindex.htm",
                                   "http://h/dir/sub/", "http://h/dir/sub/pic.gif",
                                   "http://h/dir/sub/other.GIF"}));
  EXPECT_EQ(hits.size(), 8u) << "each node once";
  // A folder's own children are all tested before the walk goes down into them.
  auto pos = [&](const std::string& url) {
    return std::find(hits.begin(), hits.end(), url) - hits.begin();
  };
  EXPECT_LT(pos("http://h/readme"), pos("http://h/dir/myindex.htm"));
  EXPECT_LT(pos("http://h/dir/"), pos("http://h/dir/myindex.htm"));
  EXPECT_LT(pos("http://h/dir/sub/"), pos("http://h/dir/sub/pic.gif"));
}

TEST_F(FindTest, WithoutSubFoldersOnlyTheStartFoldersChildren) {
  AddStandard();
  TFindInputs in;
  in.Folder = "http://h/";
  in.SubFolders = false;
  EXPECT_EQ(AsSet(Find(in)), (std::set<std::string>{"http://h/index.html", "http://h/readme",
                                                     "http://h/dir/"}));
  in.Folder = "  http://h/dir/sub/  ";
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/dir/sub/pic.gif", "http://h/dir/sub/other.GIF"}))
      << "the folder text is trimmed; the start folder itself is never a hit";
}

TEST_F(FindTest, NamePatterns) {
  AddStandard();
  TFindInputs in;
  in.FileName = "index";
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/index.html", "http://h/dir/myindex.htm"}));
  in.FileName = "*.GIF";
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/dir/sub/pic.gif", "http://h/dir/sub/other.GIF"}));
  in.FileName = "pic;readme";
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/dir/sub/pic.gif", "http://h/readme"}));
  in.FileName = "zzz;";
  EXPECT_TRUE(Find(in).empty()) << "nothing after a final ';' is a pattern";
  in.FileName = "zzz;;qqq";
  EXPECT_EQ(Find(in).size(), 8u) << "an empty piece between two ';' matches every name";
  in.FileName = "[abc;?e?dm";
  EXPECT_EQ(Find(in), (std::vector<std::string>{"http://h/readme"}))
      << "a malformed mask matches nothing and the next one is tried";
  in.FileName = "s[t-v]b";
  EXPECT_EQ(Find(in), (std::vector<std::string>{"http://h/dir/sub/"}));
}

TEST_F(FindTest, SizeRanges) {
  AddStandard();
  TFindInputs in;
  in.SizeMode = TFindSizeMode::Between;
  in.SizeBegin = "50";
  in.SizeEnd = "10";
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/dir/sub/pic.gif", "http://h/dir/sub/other.GIF",
                                   "http://h/dir/myindex.htm", "http://h/", "http://h/dir/",
                                   "http://h/dir/sub/"}))
      << "swapped bounds: 10240 to 51200 bytes, both included; folders have no size test";
  in.SizeMode = TFindSizeMode::AtLeast;
  in.SizeBegin = "0";
  EXPECT_EQ(Find(in).size(), 8u);
  in.SizeMode = TFindSizeMode::AtMost;
  in.SizeBegin = "1";
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/index.html", "http://h/readme", "http://h/",
                                   "http://h/dir/", "http://h/dir/sub/"}));
  // A huge value does not wrap around to a small byte count.
  in.SizeBegin = "99999999999";
  EXPECT_EQ(Find(in).size(), 8u);
}

TEST_F(FindTest, DateRanges) {
  AddStandard();
  TFindInputs in;
  in.DateMode = TFindDateMode::Between;
  in.DateBegin = Day(2001, 5, 10);
  in.DateEnd = Day(2001, 5, 10);
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/index.html", "http://h/readme"}))
      << "one day, from 0:00:00 to 23:59:59; folders carry their newest date (5/11)";
  in.DateBegin = Day(2001, 5, 11);
  in.DateEnd = Day(2001, 5, 9);
  EXPECT_EQ(Find(in).size(), 7u) << "the pickers may be in either order; only 2000 is out";

  in.DateMode = TFindDateMode::PastDays;
  in.DateDays = "1";
  in.Today = Day(2001, 5, 11);
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/index.html", "http://h/readme",
                                   "http://h/dir/myindex.htm", "http://h/", "http://h/dir/"}))
      << "one past day is yesterday and today";
  in.DateDays = "";
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/dir/myindex.htm", "http://h/", "http://h/dir/"}))
      << "an emptied number counts as 0: today only";

  in.DateMode = TFindDateMode::PastMonths;
  in.DateMonths = "16";
  in.Today = Day(2001, 5, 2);
  // 2000-01-02 .. 2001-05-02: other.GIF (2000-01-01) is one day too old.
  EXPECT_TRUE(AsSet(Find(in)).count("http://h/dir/sub/other.GIF") == 0);
  in.DateMonths = "17";
  EXPECT_TRUE(AsSet(Find(in)).count("http://h/dir/sub/other.GIF") == 1);

  EXPECT_EQ(FindMonthsBack(Day(2001, 3, 31), 1), FindDayNumber(2001, 2, 28));
  EXPECT_EQ(FindMonthsBack(Day(2004, 3, 31), 1), FindDayNumber(2004, 2, 29));
  EXPECT_EQ(FindMonthsBack(Day(2001, 1, 15), 13), FindDayNumber(1999, 12, 15));
  EXPECT_EQ(FindMonthsBack(Day(2001, 1, 15), 1000000), FindDayNumber(0, 1, 15));
  EXPECT_EQ(FindDayNumber(1970, 1, 1), 0);
  EXPECT_EQ(FindDayNumber(2000, 3, 1) - FindDayNumber(2000, 2, 28), 2);
}

TEST_F(FindTest, TypesExcludeFoldersAndOtherExtensions) {
  AddStandard();
  TFindInputs in;
  in.Types = {{".GIF", true}, {".html", false}, {".htm", true}, {"", false}};
  EXPECT_EQ(AsSet(Find(in)),
            (std::set<std::string>{"http://h/dir/sub/pic.gif", "http://h/dir/sub/other.GIF",
                                   "http://h/dir/myindex.htm"}));
  in.Types = {{"", true}, {".gif", false}};
  EXPECT_EQ(Find(in), (std::vector<std::string>{"http://h/readme"}))
      << "a name without a dot has the empty extension";
  in.Types = {{".gif", true}, {".htm", true}};
  EXPECT_EQ(Find(in).size(), 8u) << "with every row checked there is no type test";
}

TEST_F(FindTest, ContentInEveryJapaneseCode) {
  const std::string word = platform::Utf8ToAnsi("漢字のテキストを探す");
  const std::string page = platform::Utf8ToAnsi(
      "<html><body>日本語の文書です。漢字のテキストを探すための例文。"
      "表示とソフトウェアの予定。</body></html>");
  std::string euc = sjis2euc(page), jis = sjis2jis83(page);
  ASSERT_EQ(InCodeCheck(euc), JCODE_EUC);
  ASSERT_EQ(InCodeCheck(jis), JCODE_JIS);
  Add("http://h/sjis.html", "text/html", 100, Local(2001, 1, 1), Body("s", page));
  Add("http://h/euc.html", "text/html", 100, Local(2001, 1, 1), Body("e", euc));
  Add("http://h/jis.html", "text/html", 100, Local(2001, 1, 1), Body("j", jis));
  Add("http://h/utf8.html", "text/html", 100, Local(2001, 1, 1),
      Body("u", platform::AnsiToUtf8(page)));
  Add("http://h/none.html", "text/html", 100, Local(2001, 1, 1), Body("n", "plain ascii"));
  Add("http://h/gone.html", "text/html", 100, Local(2001, 1, 1),
      platform::JoinPath(dir, "missing"));
  TFindInputs in;
  in.Contains = word;
  EXPECT_EQ(AsSet(Find(in)), (std::set<std::string>{"http://h/sjis.html", "http://h/euc.html",
                                                     "http://h/jis.html", "http://h/utf8.html"}))
      << "folders are never hits of a text search; a missing body contains nothing";
}

TEST_F(FindTest, MatchCaseOption) {
  Add("http://h/a.html", "text/html", 100, Local(2001, 1, 1), Body("a", "Tollhaven FIND test"));
  TFindInputs in;
  in.Contains = " find ";
  EXPECT_EQ(Find(in).size(), 1u);
  in.MatchCase = true;
  EXPECT_TRUE(Find(in).empty());
  in.Contains = "FIND";
  EXPECT_EQ(Find(in).size(), 1u);
  // Full-width letters: the typed text is folded as the bodies are.
  Add("http://h/b.html", "text/html", 100, Local(2001, 1, 1),
      Body("b", platform::Utf8ToAnsi("全角のＦＩＮＤ")));
  tree.reset();
  in.MatchCase = false;
  in.Contains = platform::Utf8ToAnsi("ＦｉｎＤ");
  EXPECT_EQ(Find(in), (std::vector<std::string>{"http://h/b.html"}));
  in.MatchCase = true;
  EXPECT_TRUE(Find(in).empty());
}

TEST_F(FindTest, TerminateStopsBeforeTheNextNode) {
  for (int i = 0; i < 50; ++i)
    Add("http://h/f" + std::to_string(i) + ".html", "text/html", 10, Local(2001, 1, 1));
  TFindThread thread;
  thread.PausePerNode = std::chrono::microseconds(0);
  TFindInputs in;
  TFindCriteriaResult r = BuildFindCriteria(in, Tree());
  ASSERT_TRUE(r.Data);
  thread.SetCriteria(std::move(r.Data));
  int found = 0, ends = 0;
  thread.OnFound = [&](TFindThread& t, TWebCacheTreeNode*) {
    if (++found == 3) t.Terminate();
  };
  thread.OnTerminate = [&](TFindThread&) { ++ends; };
  thread.Execute();
  EXPECT_EQ(found, 3) << "hits already reported stay; no node is tested after the request";
  EXPECT_EQ(ends, 1) << "the end event runs after a stop too";
  EXPECT_TRUE(thread.Finished());
}

TEST_F(FindTest, ThreadDeliversThroughTheDispatcherAndStopsWhenAsked) {
  for (int i = 0; i < 400; ++i)
    Add("http://h/d" + std::to_string(i % 20) + "/f" + std::to_string(i) + ".html",
        "text/html", 10, Local(2001, 1, 1));
  TWebCacheTree& t = Tree();
  auto run = [&](bool stopEarly) {
    TFindInputs in;
    TFindCriteriaResult r = BuildFindCriteria(in, t);
    auto thread = std::make_unique<TFindThread>();
    thread->SetCriteria(std::move(r.Data));
    thread->PausePerNode = std::chrono::microseconds(stopEarly ? 5000 : 0);
    std::atomic<int> dispatched{0}, found{0}, ends{0};
    std::thread::id searchThread;
    thread->Synchronize = [&](const std::function<void()>& call) {
      ++dispatched;
      searchThread = std::this_thread::get_id();
      call();
    };
    thread->OnFound = [&](TFindThread&, TWebCacheTreeNode*) { ++found; };
    thread->OnFolder = [&](TFindThread&, const std::string&) {};
    thread->OnTerminate = [&](TFindThread&) { ++ends; };
    thread->Resume();
    if (stopEarly) {
      while (found.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      thread->Terminate();
    }
    int pumps = 0;
    thread->WaitFor([&] { ++pumps; });
    EXPECT_TRUE(thread->Finished());
    EXPECT_EQ(ends.load(), 1);
    EXPECT_NE(searchThread, std::this_thread::get_id()) << "the walk runs on its own thread";
    EXPECT_GT(dispatched.load(), found.load()) << "folders and the end go through it too";
    return found.load();
  };
  EXPECT_EQ(run(false), 400 + 21);  // files, the host and the twenty folders
  int partial = run(true);
  EXPECT_GT(partial, 0);
  // The whole walk takes over two seconds at 5 ms per node; the stop comes long before.
  EXPECT_LT(partial, 400 + 21) << "stopped before the end";
}

}  // namespace
