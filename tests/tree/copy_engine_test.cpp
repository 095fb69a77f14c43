#include "tree/copy_engine.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "cache/netscape_cache.h"
#include "common/file_utils.h"
#include "platform/codepage.h"
#include "platform/file_time.h"
#include "platform/files.h"
#include "support/memory_source.h"
#include "tree/local_naming.h"
#include "tree/web_cache_tree.h"
#include "support/netscape_fixture.h"

namespace {

using thtest::MemoryCache;
using thtest::MemorySource;
using thtest::Rec;

constexpr std::int64_t kT1 = 920000000;  // 1999-02-26
constexpr std::int64_t kT2 = 930000000;  // 1999-06-21

std::string Sjis(const char* utf8) { return platform::Utf8ToAnsi(utf8); }

// Records what the engine asks and reports; answers overwrite questions from a script.
class Recorder : public TCopyCallbacks {
 public:
  int AskOverwrite(const TWebCacheTreeNode& node, const std::string& existingPath) override {
    asked.push_back(node.GetDisplayName() + " " + existingPath);
    if (answers.empty()) return kOverwriteCancel;
    int a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  void ShowError(const std::string& text, const std::string& caption) override {
    errors.push_back(text);
    captions.push_back(caption);
  }
  void ProgressStep() override { ++steps; }
  void ProgressGrow() override { ++grown; }
  bool GoOnAfterFailure() const override { return goOn; }
  void FileFailed(const TWebCacheTreeNode& node, const std::string&) override {
    failed.emplace_back(node.EntryInfo().SourceUrl);
  }
  void FileFinished(const TWebCacheTreeNode& node, const std::string&, bool written,
                    bool rewritten, std::uint64_t) override {
    (written ? copied : skipped).emplace_back(node.EntryInfo().SourceUrl);
    if (rewritten) ++pages;
  }

  std::vector<int> answers;
  bool goOn = false;
  std::vector<std::string> asked, errors, captions, copied, skipped, failed;
  int steps = 0, grown = 0, pages = 0;
};

class CopyTest : public ::testing::Test {
 protected:
  CopyTest()
      : cache(std::make_shared<MemoryCache>()),
        work(platform::CreateUniqueFolder(platform::TempFolder(), "thcp")),
        dest(work + "/out") {}
  ~CopyTest() override { platform::DeleteTreeSilent(work); }

  // A cached object whose body file holds `body`.
  void Add(const std::string& url, const std::string& type, const std::string& body,
           std::int64_t when = kT1) {
    std::string file = work + "/body" + std::to_string(cache->records.size());
    EXPECT_TRUE(platform::AtomicWriteFile(file, body));
    cache->records.push_back(Rec(url, type, static_cast<std::uint32_t>(body.size()), when, file));
  }
  TWebCacheTree& Tree() {
    if (!tree) {
      tree = std::make_unique<TWebCacheTree>(std::make_unique<MemorySource>(cache));
      tree->ContentTypes().AddType("image/gif", ".gif");
      tree->ContentTypes().AddType("text/html", ".html");
      tree->Refresh();
    }
    return *tree;
  }
  TWebCacheTreeNode* Node(const std::string& url) {
    TWebCacheTreeNode* n = Tree().FindNodeByUrl(url);
    EXPECT_NE(n, nullptr) << url;
    return n;
  }
  // Copies the folder (or file) at `url` as a favorite's copy does.
  bool Copy(const std::string& url, int method, int folders = kFolderCreationFromStart,
            const std::string& base = "") {
    TWebCacheTreeNodeCopyList list;
    CollectFiles(Node(url), list);
    return CopyNodes(dest, base, answer, method, folders, list, rec);
  }
  std::string Read(const std::string& rel) {
    std::string bytes;
    if (!platform::ReadWholeFile(dest + "/" + rel, bytes)) return "<missing>";
    return bytes;
  }
  bool Exists(const std::string& rel) { return platform::FileExists(dest + "/" + rel); }
  std::int64_t MTime(const std::string& rel) {
    platform::FILETIME ft = 0;
    if (!platform::GetFileLastWriteTime(dest + "/" + rel, ft)) return -1;
    return platform::FileTimeToUnixSeconds(ft);
  }
  void SetMTime(const std::string& rel, std::int64_t when) {
    ASSERT_TRUE(platform::SetFileLastWriteTime(dest + "/" + rel,
                                               platform::UnixSecondsToFileTime(when)));
  }
  // Every file below `folder`, relative to it.
  std::set<std::string> Files(const std::string& folder, const std::string& rel = "") {
    std::set<std::string> out;
    std::string here = rel.empty() ? folder : folder + "/" + rel;
    for (const std::string& name : platform::ListFolder(here)) {
      std::string r = rel.empty() ? name : rel + "/" + name;
      if (platform::DirectoryExists(folder + "/" + r)) {
        for (const std::string& f : Files(folder, r)) out.insert(f);
      } else {
        out.insert(r);
      }
    }
    return out;
  }

  std::shared_ptr<MemoryCache> cache;
  std::unique_ptr<TWebCacheTree> tree;
  std::string work, dest;
  Recorder rec;
  int answer = kOverwriteYes;
};

const char kPage[] =
    "<HTML><HEAD><META HTTP-EQUIV=\"Refresh\" CONTENT=\"5; URL=http://h/site/next.html\">"
    "<TITLE>t</TITLE></HEAD>\n"
    "<BODY BACKGROUND=\"/img/bg.gif\" BGCOLOR=\"#FFFFFF\">\n"
    "<A HREF=\"sub/\">sub</A> <A href='mailto:a@h'>m</A> <a HREF=\"JavaScript:go()\">j</a>\n"
    "<IMG SRC=\"http://other/logo.gif\" ALT=\"x\"> <A HREF=\"page.cgi?x=1\">q</A>\n"
    "<BASE HREF=\"http://h/other/dir/\"><IMG SRC=pic.gif>\n"
    "</BODY></HTML>";

TEST_F(CopyTest, HtmlPagesAreWrittenWithLinksMadeLocal) {
  Add("http://h/site/index.html", "text/html; charset=Shift_JIS", kPage);
  Add("http://h/site/sub/", "text/html", "<html></html>");
  Add("http://h/img/bg.gif", "image/gif", "GIF89a-bg");
  Add("http://h/site/Plain.TXT", "text/plain", std::string("a\0b\r\n\x82\xa0", 7));
  ASSERT_TRUE(Copy("http://h/site/", kCopyMethodBelowUrl));
  EXPECT_TRUE(rec.errors.empty());

  // Only the attribute values differ; the base tag's href is dropped and the image
  // after it resolves against the declared base.
  EXPECT_EQ(Read("http$3a/h/site/index.html"),
            "<HTML><HEAD><META HTTP-EQUIV=\"Refresh\" CONTENT=\"5; URL=next.html\">"
            "<TITLE>t</TITLE></HEAD>\n"
            "<BODY BACKGROUND=\"../img/bg.gif\" BGCOLOR=\"#FFFFFF\">\n"
            "<A HREF=\"sub/index.html\">sub</A> <A href='mailto:a@h'>m</A> "
            "<a HREF=\"JavaScript:go()\">j</a>\n"
            "<IMG SRC=\"../../other/logo.gif\" ALT=\"x\"> <A HREF=\"page~5b906e6e.cgi\">q</A>\n"
            "<BASE ><IMG SRC=../other/dir/pic.gif>\n"
            "</BODY></HTML>");
  // Other files byte for byte; nothing outside the folder's list was copied.
  EXPECT_EQ(Read("http$3a/h/site/Plain.TXT"), std::string("a\0b\r\n\x82\xa0", 7));
  EXPECT_EQ(Read("http$3a/h/site/sub/index.html"), "<html></html>");
  EXPECT_FALSE(Exists("http$3a/h/img/bg.gif"));
  EXPECT_EQ(rec.pages, 2);
  EXPECT_EQ(rec.steps, 3);
  // Every written file carries its entry's date.
  EXPECT_EQ(MTime("http$3a/h/site/index.html"), kT1);
  EXPECT_EQ(MTime("http$3a/h/site/Plain.TXT"), kT1);
}

// Links as pages of the time wrote them.  Each row is one piece of the page at
// list.cgi?p=1 and what its copy must say; "@1"/"@2" stand for the CRC tags of the
// queries ?p=1 and ?p=2 (the local names of list.cgi?p=1 and ?p=2).
TEST_F(CopyTest, LinksOnRealPagesLeadWhereTheBrowserWent) {
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"<a href=\"#Q1030\">", "<a href=\"#Q1030\">"},  // a place in the same page
      {"<a href=\"#\">", "<a href=\"#\">"},
      {"<a href=\"hack.html#ftp\">", "<a href=\"hack.html#ftp\">"},  // not cached
      {"<a href=\"q.html#A2\">", "<a href=\"q.html#A2\">"},
      {"<a href=\"\">", "<a href=\"list~@1.html\">"},  // the page itself
      {"<a href=\"?p=2\">", "<a href=\"list~@2.html\">"},
      {"<a href=\"?p=2#top\">", "<a href=\"list~@2.html#top\">"},
      {"<a href='it%27s.html'>", "<a href='it%27s.html'>"},
      {"<a href=\"it's.html\">", "<a href=\"it's.html\">"},
      {"<a href=\"/%93%FA/%8C%8E.html\">", "<a href=\"../%e6%97%a5/%e6%9c%88.html\">"},
      {"<img src=\"100%25.gif\">", "<img src=\"100%25.gif\">"},
      {"<meta http-equiv=\"refresh\" content=\"0; URL='http://www.h.co.jp/faq/next.html'\">",
       "<meta http-equiv=\"refresh\" content=\"0; URL='next.html'\">"},
      {"<!-- don't touch --><a href=\"http://www.h.co.jp/faq/q.html\">",
       "<!-- don't touch --><a href=\"q.html\">"},
      {"<a href = \"http://www.h.co.jp/faq/q.html\">", "<a href = \"q.html\">"},
      {"<a href=\"HTTP://WWW.H.CO.JP/faq/Q.HTML\">", "<a href=\"q.html\">"},
      {"<link rel=\"stylesheet\" href=\"/css/site.css\">",
       "<link rel=\"stylesheet\" href=\"../css/site.css\">"},
  };
  std::string page, expected;
  for (const Row& r : rows) {
    page += std::string(r.in) + "\n";
    expected += std::string(r.out) + "\n";
  }
  Add("http://www.h.co.jp/faq/list.cgi?p=1", "text/html", page);
  Add("http://www.h.co.jp/faq/list.cgi?p=2", "text/html", "2");
  Add("http://WWW.H.co.jp/faq/q.html", "text/html", "q");
  Add("http://www.h.co.jp/faq/it's.html", "text/html", "it");
  Add("http://www.h.co.jp/%93%FA/%8C%8E.html", "text/html", "moon");
  Add("http://www.h.co.jp/faq/100%25.gif", "image/gif", "100");
  Add("http://www.h.co.jp/faq/next.html", "text/html", "next");
  Add("http://www.h.co.jp/css/site.css", "text/css", "body{}");
  for (const char* tag : {"@1", "@2"}) {
    const std::string crc = QueryTag(Tree().Crc(), tag[1] == '1' ? "?p=1" : "?p=2");
    for (std::size_t at; (at = expected.find(tag)) != std::string::npos;) expected.replace(at, 2, crc);
  }
  ASSERT_TRUE(Copy("http://www.h.co.jp/faq/", kCopyMethodBelowUrl));
  const std::string copy = Read("http$3a/www.h.co.jp/faq/list~" +
                                QueryTag(Tree().Crc(), "?p=1") + ".html");
  EXPECT_EQ(copy, expected);
  // Row by row, for a readable failure.
  for (std::size_t a = 0, b = 0, n = 0; n < std::size(rows); ++n) {
    std::size_t ea = copy.find('\n', a), eb = expected.find('\n', b);
    if (ea == std::string::npos || eb == std::string::npos) break;
    EXPECT_EQ(copy.substr(a, ea - a), expected.substr(b, eb - b)) << rows[n].in;
    a = ea + 1;
    b = eb + 1;
  }
  // With method 3 the style sheet joins the copy as images do.
  platform::DeleteTreeSilent(dest);
  ASSERT_TRUE(Copy("http://www.h.co.jp/faq/", kCopyMethodAll));
  EXPECT_EQ(Read("http$3a/www.h.co.jp/css/site.css"), "body{}");
}

// Local names: escapes decoded exactly once, percent-escaped Shift_JIS, one local
// folder per tree folder, and only names the file system can hold.
TEST_F(CopyTest, LocalNamesAreDecodedOnceAndCanBeCreated) {
  const std::string day = Sjis("日"), month = Sjis("月");
  std::string longName;
  for (int i = 0; i < 100; ++i) longName += "%93%FA";  // 100 x 日: 300 bytes in UTF-8
  struct Row {
    std::string url, type, local;
  };
  const std::vector<Row> rows = {
      {"http://h/n/100%25.gif", "image/gif", "http$3a/h/n/100%.gif"},
      {"http://h/n/100%25.jpg", "image/x-unknown", "http$3a/h/n/100%.jpg"},
      {"http://h/n/50%25off.html", "text/html", "http$3a/h/n/50%off.html"},
      {"http://h/n/sale%2520now.html", "text/html", "http$3a/h/n/sale%20now.html"},
      {"http://h/n/a%2Fb.html", "text/html", "http$3a/h/n/a$2fb.html"},
      {"http://h/k\x9c/d/x.gif", "image/gif", "http$3a/h/k$9c/d/x.gif"},  // a lone lead byte
      {"http://h/%93%FA/x.gif", "image/gif", "http$3a/h/" + day + "/x.gif"},
      {"http://h/%8C%8E/x.gif", "image/gif", "http$3a/h/" + month + "/x.gif"},
      {"http://h/%E6%97%A5/y.gif", "image/gif", "http$3a/h/" + day + "/y.gif"},
      {"http://h/doc", "text/plain", "http$3a/h/doc~0001"},
      {"http://h/doc/", "text/html", "http$3a/h/doc/index.html"},
      {"http://www.example.co.jp/a.gif", "image/gif", "http$3a/www.example.co.jp/a.gif"},
      {"http://WWW.Example.co.jp/b.gif", "image/gif", "http$3a/www.example.co.jp/b.gif"},
      {"HTTP://www.EXAMPLE.co.jp/c/d.gif", "image/gif", "http$3a/www.example.co.jp/c/d.gif"},
  };
  for (const Row& r : rows) Add(r.url, r.type, r.url);
  Add("http://h/n/" + longName + ".html", "text/html", "long");
  Add("http://h/n/links.html", "text/html",
      "<a href=\"../doc\"><a href=\"../doc/\"><a href=\"" + longName + ".html\">");
  ASSERT_TRUE(Copy("", kCopyMethodBelowUrl));
  EXPECT_TRUE(rec.errors.empty()) << platform::AnsiToUtf8(rec.errors[0]);
  for (const Row& r : rows) EXPECT_EQ(Read(r.local), r.url) << r.url;
  // The long name is cut to 255 bytes on the host, extension and a CRC tag kept.
  std::string cut;
  for (const std::string& f : Files(dest + "/http$3a/h/n")) {
    if (Read("http$3a/h/n/" + f) == "long") cut = f;
  }
  const std::string host = platform::AnsiToUtf8(cut);
  EXPECT_LE(host.size(), 255u);
  EXPECT_GT(host.size(), 200u);
  EXPECT_EQ(host.substr(host.size() - 5), ".html");
  std::string escaped;
  for (unsigned char c : host) {
    char hex[4];
    std::snprintf(hex, sizeof hex, c >= 0x80 ? "%%%02x" : "%c", c);
    escaped += hex;
  }
  // Links lead to the file that is cached as a file, to the folder's page, and to
  // the shortened name.
  EXPECT_EQ(Read("http$3a/h/n/links.html"),
            "<a href=\"../doc~0001\"><a href=\"../doc/index.html\"><a href=\"" + escaped + "\">");
}

TEST_F(CopyTest, RefreshToMailOrScriptAndRefreshWithoutUrlStayAsTheyAre) {
  const std::string page =
      "<meta http-equiv=refresh content=\"0;url=mailto:x@h\">"
      "<meta http-equiv=REFRESH content=\"0; URL = JAVASCRIPT:f()\">"
      "<meta http-equiv=refresh content=\"30\">"
      "<meta content=\"0;url=http://h/a.html\" http-equiv=refresh>"
      "<meta http-equiv=refresh content=\"0;url=http://h/b.html\">";
  Add("http://h/d/p.html", "text/html", page);
  ASSERT_TRUE(Copy("http://h/d/", kCopyMethodBelowUrl));
  // Only the last one matches the pattern and names a page; content before http-equiv
  // is not a refresh as far as the copy is concerned.
  std::string expected = page;
  expected.replace(expected.find("http://h/b.html"), 15, "../b.html");
  EXPECT_EQ(Read("http$3a/h/d/p.html"), expected);
}

TEST_F(CopyTest, ReferencedImagesJoinTheCopyByMethod) {
  const std::string page =
      "<body background=\"../img/bg.gif\"><img src=\"http://other/pic.gif\">"
      "<a href=\"../img/linked.gif\">l</a></body>";
  Add("http://h/d/p.html", "text/html", page);
  Add("http://h/img/bg.gif", "image/gif", "BG", kT2);
  Add("http://h/img/linked.gif", "image/gif", "LINKED");
  Add("http://other/pic.gif", "image/gif", "PIC");

  ASSERT_TRUE(Copy("http://h/d/", kCopyMethodBelowUrl));
  EXPECT_EQ(rec.grown, 0);
  EXPECT_FALSE(Exists("http$3a/h/img/bg.gif"));

  platform::DeleteTreeSilent(dest);
  rec = Recorder();
  ASSERT_TRUE(Copy("http://h/d/", kCopyMethodSameDomain, kFolderCreationFromStart, "http://h/d/"));
  EXPECT_EQ(rec.grown, 1);
  EXPECT_EQ(Read("http$3a/h/img/bg.gif"), "BG");
  EXPECT_EQ(MTime("http$3a/h/img/bg.gif"), kT2);
  EXPECT_FALSE(Exists("http$3a/other/pic.gif"));  // another host
  EXPECT_FALSE(Exists("http$3a/h/img/linked.gif"));  // href targets are never added

  platform::DeleteTreeSilent(dest);
  rec = Recorder();
  ASSERT_TRUE(Copy("http://h/d/", kCopyMethodAll, kFolderCreationFromStart, "http://h/d/"));
  EXPECT_EQ(rec.grown, 2);
  EXPECT_EQ(rec.steps, 3);  // the page and both images, each taken up once
  EXPECT_EQ(Read("http$3a/other/pic.gif"), "PIC");
  EXPECT_EQ(Read("http$3a/h/img/bg.gif"), "BG");
  EXPECT_FALSE(Exists("http$3a/h/img/linked.gif"));
}

TEST_F(CopyTest, OverwriteAnswersPersistThroughTheRun) {
  Add("http://h/d/a.gif", "image/gif", "A2", kT2);
  Add("http://h/d/b.gif", "image/gif", "B2", kT2);
  Add("http://h/d/c.gif", "image/gif", "C2", kT2);
  Add("http://h/d/p.html", "text/html", "<img src=\"../i/x.gif\">", kT2);
  Add("http://h/i/x.gif", "image/gif", "X");
  auto seed = [&](std::int64_t when) {
    ASSERT_TRUE(CreateFolderPath(dest + "/http$3a/h/d/"));
    for (const char* f : {"a.gif", "b.gif", "c.gif", "p.html"}) {
      ASSERT_TRUE(platform::AtomicWriteFile(dest + "/http$3a/h/d/" + f, "old"));
      SetMTime(std::string("http$3a/h/d/") + f, when);
    }
  };

  // No, then yes to all: one more question only.
  seed(kT1);
  rec.answers = {kOverwriteNo, kOverwriteAll};
  ASSERT_TRUE(Copy("http://h/d/", kCopyMethodBelowUrl));
  EXPECT_EQ(rec.asked.size(), 2u);
  EXPECT_EQ(answer, kOverwriteAll);
  EXPECT_EQ(Read("http$3a/h/d/a.gif"), "old");
  EXPECT_EQ(MTime("http$3a/h/d/a.gif"), kT1);  // a skipped file keeps its date
  EXPECT_EQ(Read("http$3a/h/d/b.gif"), "B2");
  EXPECT_EQ(Read("http$3a/h/d/p.html"), "<img src=\"../i/x.gif\">");

  // No to all: an existing page is not rewritten, yet its images still join the copy.
  seed(kT1);
  rec = Recorder();
  answer = kOverwriteNoToAll;
  ASSERT_TRUE(Copy("http://h/d/", kCopyMethodAll, kFolderCreationFromStart, "http://h/d/"));
  EXPECT_TRUE(rec.asked.empty());
  EXPECT_EQ(Read("http$3a/h/d/p.html"), "old");
  EXPECT_EQ(Read("http$3a/h/i/x.gif"), "X");
  EXPECT_EQ(rec.grown, 1);
  EXPECT_EQ(rec.skipped.size(), 4u);

  // Newer only: existing files older than the cache are replaced, newer ones kept;
  // the rule needs no question and holds for the next run too.
  seed(kT1);
  SetMTime("http$3a/h/d/b.gif", kT2 + 60);
  rec = Recorder();
  answer = kOverwriteNewer;
  ASSERT_TRUE(Copy("http://h/d/", kCopyMethodBelowUrl));
  EXPECT_TRUE(rec.asked.empty());
  EXPECT_EQ(Read("http$3a/h/d/a.gif"), "A2");
  EXPECT_EQ(MTime("http$3a/h/d/a.gif"), kT2);
  EXPECT_EQ(Read("http$3a/h/d/b.gif"), "old");
  EXPECT_EQ(MTime("http$3a/h/d/b.gif"), kT2 + 60);
  ASSERT_TRUE(platform::AtomicWriteFile(dest + "/http$3a/h/d/a.gif", "again"));
  SetMTime("http$3a/h/d/a.gif", kT2);  // same date as the cache: not later, kept
  ASSERT_TRUE(Copy("http://h/d/", kCopyMethodBelowUrl));
  EXPECT_EQ(Read("http$3a/h/d/a.gif"), "again");

  // Cancel stops the run at once, silently.
  seed(kT1);
  rec = Recorder();
  answer = kOverwriteYes;
  rec.answers = {kOverwriteYes, kOverwriteCancel};
  EXPECT_FALSE(Copy("http://h/d/", kCopyMethodBelowUrl));
  EXPECT_EQ(Read("http$3a/h/d/a.gif"), "A2");
  EXPECT_EQ(Read("http$3a/h/d/b.gif"), "old");
  EXPECT_EQ(Read("http$3a/h/d/c.gif"), "old");
  EXPECT_TRUE(rec.errors.empty());
}

TEST_F(CopyTest, EmptyPageGivesAnEmptyDatedFile) {
  Add("http://h/e.html", "text/html", "", kT2);
  ASSERT_TRUE(Copy("http://h/", kCopyMethodAll));
  EXPECT_EQ(Read("http$3a/h/e.html"), "");
  EXPECT_EQ(MTime("http$3a/h/e.html"), kT2);
  EXPECT_TRUE(rec.errors.empty());
}

TEST_F(CopyTest, FailuresShowTheirMessageAndStopTheRun) {
  Add("http://h/a/1.gif", "image/gif", "1");
  Add("http://h/b/2.gif", "image/gif", "2");
  cache->records[1].LocalFileName = work + "/no-such-body";
  // A file where the folder of the first should go.
  ASSERT_TRUE(CreateFolderPath(dest + "/http$3a/h/"));
  ASSERT_TRUE(platform::AtomicWriteFile(dest + "/http$3a/h/a", "blocker"));

  EXPECT_FALSE(Copy("http://h/", kCopyMethodBelowUrl));
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.captions[0], Sjis("フォルダの作成"));
  EXPECT_EQ(rec.errors[0].rfind(Sjis("フォルダの作成に失敗しました。\r\n\r\nフォルダ：") + dest +
                                    "/http$3a/h/a/\r\n" + Sjis("エラー："),
                                0),
            0u)
      << platform::AnsiToUtf8(rec.errors[0]);
  EXPECT_TRUE(rec.copied.empty());

  platform::DeleteOneFile(dest + "/http$3a/h/a");
  rec = Recorder();
  EXPECT_FALSE(Copy("http://h/", kCopyMethodBelowUrl));
  EXPECT_EQ(rec.copied, std::vector<std::string>{"http://h/a/1.gif"});
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.captions[0], Sjis("ファイルのコピー"));
  EXPECT_EQ(rec.errors[0], Sjis("ファイルのコピーに失敗しました。\r\n\r\nキャッシュ：") + work +
                               "/no-such-body\r\n" + Sjis("ローカル：") + dest +
                               "/http$3a/h/b/2.gif\r\n" + Sjis("エラー：") +
                               GetSystemErrorText(ENOENT));
}

// A batch export reports each file that cannot be written and goes on with the rest.
TEST_F(CopyTest, FailuresArePassedOverWhenTheCallerGoesOn) {
  Add("http://h/a/1.gif", "image/gif", "1");
  Add("http://h/b/2.gif", "image/gif", "2");
  Add("http://h/c/3.gif", "image/gif", "3");
  cache->records[1].LocalFileName = work + "/no-such-body";
  ASSERT_TRUE(CreateFolderPath(dest + "/http$3a/h/"));
  ASSERT_TRUE(platform::AtomicWriteFile(dest + "/http$3a/h/a", "blocker"));
  rec.goOn = true;
  EXPECT_FALSE(Copy("http://h/", kCopyMethodBelowUrl));
  EXPECT_EQ(rec.errors.size(), 2u);
  EXPECT_EQ(rec.failed, (std::vector<std::string>{"http://h/a/1.gif", "http://h/b/2.gif"}));
  EXPECT_EQ(rec.copied, std::vector<std::string>{"http://h/c/3.gif"});
  EXPECT_EQ(Read("http$3a/h/c/3.gif"), "3");
}

TEST_F(CopyTest, FolderCreationBelowUrlCutsOnlyARealBase) {
  Add("http://h/site/p.html", "text/html", "<img src=\"../img/i.gif\"><img src=\"sub/s.gif\">");
  Add("http://h/site/sub/s.gif", "image/gif", "S");
  Add("http://h/img/i.gif", "image/gif", "I");
  ASSERT_TRUE(Copy("http://h/site/", kCopyMethodAll, kFolderCreationBelowUrl, "http://h/site/"));
  // The image outside the base keeps its whole URL inside the destination instead of
  // losing the base's length of characters off an unrelated folder, and the page's link
  // leads there.
  EXPECT_EQ(Read("p.html"), "<img src=\"http$3a/h/img/i.gif\"><img src=\"sub/s.gif\">");
  EXPECT_EQ(Read("sub/s.gif"), "S");
  EXPECT_EQ(Read("http$3a/h/img/i.gif"), "I");
  EXPECT_EQ(Files(work), (std::set<std::string>{"body0", "body1", "body2", "out/p.html",
                                                 "out/sub/s.gif", "out/http$3a/h/img/i.gif"}));
}

TEST_F(CopyTest, LinksAndFoldersFollowTheCaseOfTheLocalCopy) {
  Add("http://h/Img/x.gif", "image/gif", "X", kT2);
  Add("http://h/img/Y.gif", "image/gif", "Y");
  Add("http://h/img/y.GIF", "image/gif", "Y-old", kT1 - 100);
  Add("http://h:8080/z.gif", "image/gif", "Z");
  Add("http://h/p.html", "text/html",
      "<img src=\"IMG/X.GIF\"><img src=\"img/y.gif#f\"><img src=\"http://h:8080/z.gif\">");
  ASSERT_TRUE(Copy("http://h/", kCopyMethodBelowUrl));
  // One local folder for the one tree folder; names as the tree shows them.
  EXPECT_EQ(Files(dest), (std::set<std::string>{"http$3a/h/p.html", "http$3a/h/Img/x.gif",
                                                 "http$3a/h/Img/Y.gif",
                                                 "http$3a/h/Img/y~0001.GIF"}));
  // A host with a port has an escaped folder name, and the link names that folder.
  EXPECT_EQ(Read("http$3a/h/p.html"),
            "<img src=\"Img/x.gif\"><img src=\"Img/Y.gif#f\"><img src=\"../h$3a8080/z.gif\">");
}

TEST_F(CopyTest, HostileUrlsNeverWriteOutsideTheDestination) {
  const std::vector<std::string> urls = {
      "http://h/%2e%2e/%2e%2e/up1.gif",      "http://h/a/../../../up2.gif",
      "http://h/%2E%2E%2F%2E%2E%2Fup3.gif",  "http://h/a\\..\\..\\up4.gif",
      "http://h/%2e%2e%5c%2e%2e%5cup5.gif",  "http://h/./.%2e/up6.gif",
      "http://h/ctl\x01\x1f/%00nul.gif",     "http://../../up7/x.gif",
      "http:/../up8.gif",                    "../../../up9.gif",
      "http://h/%2e%2e",                     "http://h/..",
  };
  for (const std::string& url : urls) Add(url, "image/gif", "EVIL");
  Add("http://h/p.html", "text/html", "<img src=\"../../../../etc/x.gif\">");
  answer = kOverwriteAll;
  ASSERT_TRUE(Copy("", kCopyMethodAll));  // the whole cache
  EXPECT_TRUE(rec.errors.empty()) << platform::AnsiToUtf8(rec.errors[0]);
  std::set<std::string> files = Files(work);
  int inside = 0;
  for (const std::string& f : files) {
    if (f.rfind("body", 0) == 0) continue;
    EXPECT_EQ(f.rfind("out/", 0), 0u) << f;
    ++inside;
  }
  EXPECT_EQ(inside, static_cast<int>(TWebCacheTree::CountFiles(Tree().Root())));
  EXPECT_EQ(Read("http$3a/h/p.html"), "<img src=\"etc/x.gif\">");
}

TEST(CopyPathCheck, OnlyRealNamesBelowTheDestinationPass) {
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out/a/b.gif"), 0);
  EXPECT_EQ(CheckPathInsideFolder("/d/out/", "/d/out/a/"), 0);
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out/a/../../x"), EPERM);
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out/./x"), EPERM);
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out//x"), EPERM);
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out2/x"), EPERM);
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out"), EPERM);
  EXPECT_EQ(CheckPathInsideFolder("", "/x"), EPERM);
  EXPECT_EQ(CheckPathInsideFolder("C:\\out", "C:\\out\\a\\..\\..\\x"), EPERM);
  EXPECT_EQ(CheckPathInsideFolder("/d/out", std::string("/d/out/a\0b", 10)), EINVAL);
  // A kanji's trail byte 0x5C is no separator: "表" is 0x95 0x5C.
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out/\x95\x5c/x"), 0);
  // 255 bytes are allowed once converted to UTF-8, 256 are not; 100 kanji are 200 bytes
  // here but 300 on the host.
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out/" + std::string(255, 'n')), 0);
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out/" + std::string(256, 'n')), ENAMETOOLONG);
  std::string kanji;
  for (int i = 0; i < 100; ++i) kanji += "\x8a\xbf";  // 漢
  EXPECT_EQ(CheckPathInsideFolder("/d/out", "/d/out/" + kanji + "/x"), ENAMETOOLONG);
}

// The same engine over a cache written by the browser's own database library.
TEST(CopyFromNetscapeCache, PagesAndImagesOfARealCache) {
  thtest::NetscapeCacheSpec spec;
  thtest::NetscapeEntry pageEntry;
  pageEntry.url = "http://www.example.co.jp/";
  pageEntry.contentType = "text/html";
  pageEntry.charset = "Shift_JIS";
  pageEntry.lastModified = 920000000;
  pageEntry.body = Sjis("<html><title>表紙</title><img src=\"images/a.gif\"></html>");
  thtest::NetscapeEntry imageEntry;
  imageEntry.url = "http://www.example.co.jp/images/a.gif";
  imageEntry.contentType = "image/gif";
  imageEntry.lastModified = 930000000;
  imageEntry.body = std::string("GIF89a\0\x01\xff", 9);
  spec.entries = {pageEntry, imageEntry};
  thtest::NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  const std::string saved = platform::WinePrefix();
  platform::SetWinePrefix(fx.prefix());

  std::string dest = fx.workDir() + "/copy";
  {
    TWebCacheTree tree(std::make_unique<TNetscapeCacheSource>(fx.fatDb()));
    tree.Refresh();
    TWebCacheTreeNodeCopyList list;
    CollectFiles(tree.FindNodeByUrl("http://www.example.co.jp/index.html"), list);
    ASSERT_EQ(list.Count(), 1u);
    Recorder rec;
    int answer = kOverwriteYes;
    ASSERT_TRUE(CopyNodes(dest, "http://www.example.co.jp/", answer, kCopyMethodSameDomain,
                          kFolderCreationBelowUrl, list, rec));
    EXPECT_EQ(rec.grown, 1);
  }
  platform::SetWinePrefix(saved);
  std::string page, image;
  ASSERT_TRUE(platform::ReadWholeFile(dest + "/index.html", page));
  ASSERT_TRUE(platform::ReadWholeFile(dest + "/images/a.gif", image));
  EXPECT_EQ(page, Sjis("<html><title>表紙</title><img src=\"images/a.gif\"></html>"));
  EXPECT_EQ(image, std::string("GIF89a\0\x01\xff", 9));
  platform::FILETIME ft = 0;
  ASSERT_TRUE(platform::GetFileLastWriteTime(dest + "/images/a.gif", ft));
  EXPECT_EQ(platform::FileTimeToUnixSeconds(ft), 930000000);
}

}  // namespace
