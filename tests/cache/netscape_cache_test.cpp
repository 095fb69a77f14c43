// The Netscape source on FAT.DB files written by the real Berkeley DB 1.85 library,
// checked against db_dump185's listing of the same file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "cache/netscape_cache.h"
#include "cache/web_cache.h"
#include "cache_test_util.h"
#include "platform/codepage.h"
#include "platform/file_time.h"
#include "platform/files.h"

using namespace cachetest;
using thtest::NetscapeCacheSpec;
using thtest::NetscapeEntry;
using thtest::NetscapeFixture;

namespace {

class RecordingNotifier : public TCacheNotifier {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

std::string Slurp(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

NetscapeEntry Entry(const std::string& url, const std::string& fileName,
                    const std::string& type = "text/html") {
  NetscapeEntry e;
  e.url = url;
  e.fileName = fileName;
  e.contentType = type;
  e.body = "<html>" + url + "</html>";
  e.lastModified = 946684800;
  return e;
}

TEST(NetscapeCache, LargeCacheMatchesTheLibrarysDump) {
  thtest::NetscapeGenerateOptions gen;
  gen.count = 6000;
  gen.seed = 7;
  gen.bodySize = 64;
  gen.faultPercent = 8;
  NetscapeFixture fx(gen);
  ASSERT_TRUE(fx.ok()) << fx.error();

  // The file must exercise what a small one would not: bucket chains on overflow
  // pages and the free-page bitmap.
  HashHeader h = ReadHashHeader(Slurp(fx.fatDb()));
  ASSERT_EQ(h.magic, 0x061561u);
  ASSERT_EQ(h.bsize, 4096u);
  EXPECT_GT(h.spares[h.ovflPoint], 0u) << "no overflow pages";
  EXPECT_NE(h.bitmaps[0], 0u) << "no bitmap page";

  Delivered expected = ExpectedFromDump(fx, fx.fatDb());
  std::size_t ok = 0;
  for (const auto& row : fx.Manifest()) ok += row.state == "ok";
  // The dump-based expectation agrees with what the tool says it wrote.
  ASSERT_EQ(expected.size(), ok);
  ASSERT_GT(ok, 5000u);

  Delivered got = ReadAll(fx.fatDb());
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
  std::size_t shown = 0;
  for (const auto& g : got) {
    if (!expected.count(g) && ++shown <= 5) ADD_FAILURE() << "not expected: " << g.first;
  }
  for (const auto& e : expected) {
    if (!got.count(e) && ++shown <= 10) ADD_FAILURE() << "missing: " << e.first;
  }

  // Through the front class, with a Windows-form path, every one is delivered too.
  platform::SetWinePrefix(fx.prefix());
  TWebCache cache(std::make_unique<TNetscapeCacheSource>(fx.fatDbWindowsPath()));
  EXPECT_EQ(cache.GetCount(), static_cast<int>(expected.size()));
}

// A cache that went through deletes and puts again, with URLs long enough to be stored
// on big-item pages: exactly the pairs the hash holds come out, big ones included, and
// never a pair from a page the hash does not reach.
TEST(NetscapeCache, ChurnedCacheWithLongUrlsMatchesTheLibrarysDump) {
  thtest::NetscapeGenerateOptions gen;
  gen.count = 6000;
  gen.seed = 3;
  gen.bodySize = 16;
  gen.longUrlPercent = 2;
  gen.churn = true;
  NetscapeFixture fx(gen);
  ASSERT_TRUE(fx.ok()) << fx.error();
  std::size_t deleted = 0;
  for (const auto& row : fx.Manifest()) {
    if (row.state != "deleted") continue;
    ++deleted;
    // The body stays behind, so a deleted pair that came out would be seen.
    if (deleted < 50) {
      EXPECT_TRUE(platform::FileExists(fx.BodyPath(row.fileName))) << row.url;
    }
  }
  EXPECT_GT(deleted, 1900u);

  Delivered expected = ExpectedFromDump(fx, fx.fatDb());
  std::size_t longUrls = 0;
  for (const auto& e : expected) longUrls += e.first.size() > 4000;
  EXPECT_GT(longUrls, 50u);
  Delivered got = ReadAll(fx.fatDb());
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);

  // A page that the hash does not reach, holding copies of live pairs (as a bucket
  // split leaves its freed overflow pages): the dump ignores it, and so does the reader.
  std::string bytes = Slurp(fx.fatDb());
  std::size_t livePage = 0;
  {
    TFatDbWalker walker(bytes);
    ASSERT_TRUE(walker.FollowsBuckets());
    TCacheObject obj;
    ASSERT_TRUE(walker.NextItem(obj));
    livePage = walker.PageOffset();
  }
  bytes.resize((bytes.size() + kFatDbPageSize - 1) / kFatDbPageSize * kFatDbPageSize, '\0');
  bytes += bytes.substr(livePage, kFatDbPageSize);
  std::string stale = fx.cacheFolder() + "/STALE.DB";
  ASSERT_TRUE(platform::AtomicWriteFile(stale, bytes));
  EXPECT_EQ(thtest::DumpFatDbUrls(stale), thtest::DumpFatDbUrls(fx.fatDb()));
  EXPECT_TRUE(ReadAll(stale) == expected);

  // With the header spoilt the reader can only walk every page in file order: the
  // copies come out twice and the big items not at all.
  bytes[0] = static_cast<char>(bytes[0] ^ 0x40);
  ASSERT_TRUE(platform::AtomicWriteFile(stale, bytes));
  EXPECT_FALSE(TFatDbWalker(bytes).FollowsBuckets());
  Delivered fallback = ReadAll(stale);
  EXPECT_GT(fallback.size() + longUrls, expected.size());
  std::size_t twice = 0;
  for (auto it = fallback.begin(); it != fallback.end(); it = fallback.upper_bound(*it))
    twice += fallback.count(*it) > 1;
  EXPECT_GT(twice, 0u);
}

class DescribedCache : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
  }
};

TEST_F(DescribedCache, DeliversExactlyTheUsableRecords) {
  NetscapeCacheSpec spec;
  spec.entries.push_back(Entry("http://www.example.co.jp/", "M0000001.html"));
  spec.entries.push_back(Entry("http://www.example.co.jp/img/a.gif", "0A\\M0000002.gif", "image/gif"));
  spec.entries.push_back(Entry("http://www.example.co.jp/cgi?q=1&r=2", "M0000003.html"));
  NetscapeEntry jp = Entry(platform::Utf8ToAnsi("http://www.example.co.jp/日本語/表.html"), "M0000004.html");
  jp.charset = "Shift_JIS";
  spec.entries.push_back(jp);
  NetscapeEntry v4 = Entry("http://old/v4", "M0000005.html");
  v4.version = 4;
  spec.entries.push_back(v4);
  NetscapeEntry v6 = Entry("http://old/v6", "M0000006.html");
  v6.version = 6;
  spec.entries.push_back(v6);
  NetscapeEntry gone = Entry("http://gone/", "M0000007.html");
  gone.missingBody = true;
  spec.entries.push_back(gone);
  NetscapeEntry huge = Entry("http://bad/huge", "M0000008.html");
  huge.badLength["header-a"] = 20000;
  spec.entries.push_back(huge);
  NetscapeEntry negative = Entry("http://bad/negative", "M0000009.html");
  negative.badLength["content-type"] = -5;
  spec.entries.push_back(negative);
  NetscapeEntry emptyUrl = Entry("http://keylength/zero", "M000000A.html");
  emptyUrl.badLength["url"] = 0;
  spec.entries.push_back(emptyUrl);
  NetscapeEntry wysiwyg = Entry("wysiwyg://3/http://www.example.co.jp/", "M000000B.html");
  spec.entries.push_back(wysiwyg);
  // A body name that names a folder (0A holds the image above) is no body.
  NetscapeEntry folder = Entry("http://www.example.co.jp/folder-body", "0A");
  folder.missingBody = true;
  spec.entries.push_back(folder);
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();

  RecordingNotifier notifier;
  Delivered got = ReadAll(fx.fatDb(), &notifier);
  EXPECT_EQ(got, ExpectedFromDump(fx, fx.fatDb()));
  Delivered want = {
      {"http://www.example.co.jp/", "M0000001.html"},
      {"http://www.example.co.jp/img/a.gif", "0A\\M0000002.gif"},
      {"http://www.example.co.jp/cgi?q=1&r=2", "M0000003.html"},
      {platform::Utf8ToAnsi("http://www.example.co.jp/日本語/表.html"), "M0000004.html"},
      {"", "M000000A.html"},
      {"wysiwyg://3/http://www.example.co.jp/", "M000000B.html"},
  };
  EXPECT_EQ(got, want);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(platform::AnsiToUtf8(notifier.messages[0]),
            "とてつもなく大きい文字列[20000] (1 件のレコードを読み飛ばしました)");

  // The front class leaves out the empty and the wysiwyg URL.
  TWebCache cache(std::make_unique<TNetscapeCacheSource>(fx.fatDb()));
  std::set<std::string> urls;
  TWebCacheEntryInfo e;
  for (bool more = cache.FindFirst(e); more; more = cache.FindNext(e)) {
    urls.insert(e.SourceUrl);
    if (e.SourceUrl == jp.url) {
      EXPECT_EQ(e.HeaderInfo.GetValue("Content-Type"), "text/html; charset=Shift_JIS");
      EXPECT_EQ(e.Size, jp.body.size());
      EXPECT_EQ(e.LocalFileName, platform::JoinPath(fx.cacheFolder(), "M0000004.html"));
    }
    if (e.SourceUrl == "http://www.example.co.jp/img/a.gif") {
      // A body in a sub-folder of a host-path cache folder gets host separators.
      EXPECT_EQ(e.LocalFileName, fx.cacheFolder() + "/0A/M0000002.gif");
      EXPECT_TRUE(platform::FileExists(e.LocalFileName));
    }
  }
  EXPECT_EQ(urls.size(), 4u);
  EXPECT_FALSE(urls.count(""));
}

TEST_F(DescribedCache, HeaderTimesAndWindowsPaths) {
  NetscapeCacheSpec spec;
  NetscapeEntry dated = Entry("http://h/dated.html", "M0000001.html");
  dated.headerA = "HTTP/1.0 200 OK";
  dated.headerB = "Server: Apache/1.3";
  dated.charset = "EUC-JP";
  dated.lastModified = 922881600;  // 1999-03-31 12:00 UTC
  spec.entries.push_back(dated);
  NetscapeEntry undated = Entry("http://h/undated.gif", "M0000002.gif", "image/gif");
  undated.lastModified = 0;
  spec.entries.push_back(undated);
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  // 2002-05-06 07:08:09 UTC on the body of the undated entry.
  ASSERT_TRUE(platform::SetFileLastWriteTime(fx.BodyPath("M0000002.gif"),
                                             platform::UnixSecondsToFileTime(1020668889)));

  platform::SetWinePrefix(fx.prefix());
  TWebCache cache(std::make_unique<TNetscapeCacheSource>(fx.fatDbWindowsPath()));
  std::map<std::string, TWebCacheEntryInfo> byUrl;
  TWebCacheEntryInfo e;
  for (bool more = cache.FindFirst(e); more; more = cache.FindNext(e)) byUrl[e.SourceUrl] = e;
  ASSERT_EQ(byUrl.size(), 2u);

  const TWebCacheEntryInfo& d = byUrl["http://h/dated.html"];
  EXPECT_EQ(d.HeaderInfo.GetText(),
            "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=EUC-JP\r\nServer: Apache/1.3");
  EXPECT_EQ(d.LastModified, (platform::SYSTEMTIME{1999, 3, 3, 31, 21, 0, 0, 0}));
  std::string folder = fx.fatDbWindowsPath().substr(0, fx.fatDbWindowsPath().size() - 6);
  EXPECT_EQ(d.LocalFileName, folder + "M0000001.html");

  const TWebCacheEntryInfo& u = byUrl["http://h/undated.gif"];
  EXPECT_EQ(u.HeaderInfo.GetText(), "Content-Type: image/gif");
  EXPECT_EQ(u.LastModified, (platform::SYSTEMTIME{2002, 5, 1, 6, 16, 8, 9, 0}));
}

TEST_F(DescribedCache, DeleteRemovesTheFirstBodyOnlyAndNeverTouchesTheIndex) {
  NetscapeCacheSpec spec;
  spec.profile.bookkeeping = false;
  // Two keys for the same URL, told apart by the key's first word.
  NetscapeEntry first = Entry("http://h/twice.html", "M0000001.html");
  NetscapeEntry second = Entry("http://h/twice.html", "M0000002.html");
  second.keyPrefix = 7;
  spec.entries.push_back(first);
  spec.entries.push_back(second);
  spec.entries.push_back(Entry("http://h/other.html", "M0000003.html"));
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  const std::string index = Slurp(fx.fatDb());

  Delivered before = ReadAll(fx.fatDb());
  ASSERT_EQ(before.size(), 3u);
  // Which of the two comes first is up to the hash file's layout.
  std::string firstMet;
  {
    TNetscapeCacheOptions o;
    o.FatDbPath = fx.fatDb();
    TNetscapeCache c(o);
    TCacheObject r;
    for (bool more = c.Rewind(r); more; more = c.ReadNextRecord(r)) {
      if (r.Url == "http://h/twice.html") {
        firstMet = r.FileName;
        break;
      }
    }
  }
  ASSERT_FALSE(firstMet.empty());
  std::string otherBody = firstMet == "M0000001.html" ? "M0000002.html" : "M0000001.html";

  TNetscapeCacheSource source(fx.fatDb());
  EXPECT_TRUE(source.DeleteEntry("http://h/twice.html"));
  EXPECT_FALSE(platform::FileExists(fx.BodyPath(firstMet)));
  EXPECT_TRUE(platform::FileExists(fx.BodyPath(otherBody)));
  EXPECT_EQ(Slurp(fx.fatDb()), index);
  Delivered after = ReadAll(fx.fatDb());
  EXPECT_EQ(after.size(), 2u);
  EXPECT_TRUE(after.count({"http://h/twice.html", otherBody}));

  // The next delete meets the other record; then nothing is left to delete.
  EXPECT_TRUE(source.DeleteEntry("http://h/twice.html"));
  EXPECT_FALSE(platform::FileExists(fx.BodyPath(otherBody)));
  EXPECT_FALSE(source.DeleteEntry("http://h/twice.html"));
  EXPECT_FALSE(source.DeleteEntry("http://h/OTHER.html"));  // byte for byte only
  EXPECT_FALSE(source.DeleteEntry(""));
  EXPECT_TRUE(platform::FileExists(fx.BodyPath("M0000003.html")));
  EXPECT_EQ(Slurp(fx.fatDb()), index);

  // A body removed by hand disappears the same way.
  ASSERT_TRUE(platform::DeleteOneFile(fx.BodyPath("M0000003.html")));
  EXPECT_TRUE(ReadAll(fx.fatDb()).empty());
}

// Many URLs deleted in one walk give, URL by URL, what one delete after another gives.
TEST_F(DescribedCache, BatchDeleteEqualsOneAtATime) {
  NetscapeCacheSpec spec;
  spec.profile.bookkeeping = false;
  NetscapeEntry first = Entry("http://h/twice.html", "M0000001.html");
  NetscapeEntry second = Entry("http://h/twice.html", "M0000002.html");
  second.keyPrefix = 7;
  spec.entries.push_back(first);
  spec.entries.push_back(second);
  spec.entries.push_back(Entry("http://h/a.html", "M0000003.html"));
  spec.entries.push_back(Entry("http://h/b.html", "M0000004.html"));
  // Two URLs naming one body: once it is gone the second finds nothing.
  spec.entries.push_back(Entry("http://h/shared-1.html", "M0000005.html"));
  spec.entries.push_back(Entry("http://h/shared-2.html", "M0000005.html"));
  spec.entries.push_back(Entry("http://h/kept.html", "M0000006.html"));
  const std::vector<std::string> urls = {
      "http://h/twice.html", "http://h/a.html",        "http://h/twice.html",
      "http://h/twice.html", "http://h/missing.html",  "http://h/shared-1.html",
      "http://h/shared-2.html", "http://h/a.html",     "http://h/b.html"};
  NetscapeFixture one(spec), batch(spec);
  ASSERT_TRUE(one.ok() && batch.ok()) << one.error() << batch.error();

  TNetscapeCacheSource oneSource(one.fatDb());
  std::vector<bool> oneByOne;
  for (const std::string& url : urls) oneByOne.push_back(oneSource.DeleteEntry(url));
  TNetscapeCacheSource batchSource(batch.fatDb());
  std::vector<bool> together = batchSource.DeleteEntries(urls);
  EXPECT_EQ(together, oneByOne);
  EXPECT_EQ(oneByOne, (std::vector<bool>{true, true, true, false, false, true, false, false, true}));
  EXPECT_EQ(ReadAll(batch.fatDb()), ReadAll(one.fatDb()));
  EXPECT_EQ(ReadAll(batch.fatDb()), (Delivered{{"http://h/kept.html", "M0000006.html"}}));
}

TEST_F(DescribedCache, BodyNamesThatLeaveTheCacheFolderAreRefused) {
  NetscapeCacheSpec spec;
  spec.profile.bookkeeping = false;
  spec.entries.push_back(Entry("http://h/ok.html", "M0000001.html"));
  spec.entries.push_back(Entry("http://h/sub.html", "0B\\M0000002.html"));
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  // A file outside the cache folder that a hostile index could name.
  std::string victim = platform::JoinPath(fx.workDir(), "victim.txt");
  ASSERT_TRUE(platform::AtomicWriteFile(victim, "keep me"));

  TNetscapeCacheOptions options;
  options.FatDbPath = fx.fatDb();
  TNetscapeCache cache(options);
  ASSERT_TRUE(cache.IsOpen());
  TCacheObject r;
  r.FileName = "M0000001.html";
  EXPECT_EQ(cache.BodyPath(r), fx.cacheFolder() + "/M0000001.html");
  r.FileName = "0B\\M0000002.html";
  EXPECT_EQ(cache.BodyPath(r), fx.cacheFolder() + "/0B/M0000002.html");
  for (const char* bad : {"..\\..\\victim.txt", "../victim.txt", "0B\\..\\..\\x", "\\etc\\passwd",
                          "/etc/passwd", "C:\\victim.txt", "", "0B\\\\x", ".",
                          "0B\x81/../victim.txt"}) {
    r.FileName = bad;
    EXPECT_EQ(cache.BodyPath(r), "") << bad;
  }
  EXPECT_TRUE(platform::FileExists(victim));
}

}  // namespace
