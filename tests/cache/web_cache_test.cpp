// TWebCache over a scripted source: what is skipped, how records become entries, and
// the enumeration's lifetime.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "cache/netscape_cache.h"
#include "cache/web_cache.h"
#include "platform/file_time.h"
#include "platform/files.h"
#include "support/memory_source.h"

namespace {

TCacheSourceRecord Rec(const std::string& url, std::uint32_t kind = NORMAL_CACHE_ENTRY) {
  // 2000-01-01 00:00 UTC
  return thtest::Record(url).Kind(kind).File("/nonexistent/body").Modified(946684800);
}

std::vector<std::string> Delivered(TWebCache& cache) {
  std::vector<std::string> urls;
  TWebCacheEntryInfo e;
  for (bool more = cache.FindFirst(e); more; more = cache.FindNext(e)) urls.push_back(e.SourceUrl);
  return urls;
}

class WebCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    log->onDelete = [](const std::string& url) { return url == "http://h/gone"; };
  }
  // A source over `records`; every source of a test reports to `log`.
  std::unique_ptr<thtest::MemorySource> Source(std::vector<TCacheSourceRecord> records) {
    log->records = std::move(records);
    return std::make_unique<thtest::MemorySource>(log);
  }
  std::shared_ptr<thtest::MemoryCache> log = std::make_shared<thtest::MemoryCache>();
};

TEST_F(WebCacheTest, SkipsCookiesHistoryAndUnknownSchemes) {
  TWebCache cache(Source({
      Rec("wysiwyg://1/http://h/a"),  // the first record is skipped too
      Rec("http://h/cookie", COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY),
      Rec("http://h/history", URLHISTORY_CACHE_ENTRY),
      Rec("about:blank"),
      Rec(""),
      Rec("http"),
      Rec(":http://h/"),
      Rec("mailbox:/inbox"),
      Rec("HTTP://h/upper"),
      Rec("ftp://f/x"),
      Rec("gopher://g/"),
      Rec("https://s/"),
      Rec("file:///C|/x.html"),
      Rec("news:comp.lang"),
      Rec("mailto:a@b"),
      Rec("socks://p"),
      Rec("javascript:void(0)"),
      Rec("vbscript:x"),
      Rec("res://shdoclc.dll/x"),
      Rec("snews://n/"),
  }));
  EXPECT_EQ(Delivered(cache),
            (std::vector<std::string>{"HTTP://h/upper", "ftp://f/x", "gopher://g/", "https://s/",
                                      "file:///C|/x.html", "news:comp.lang", "mailto:a@b",
                                      "socks://p", "javascript:void(0)", "vbscript:x",
                                      "res://shdoclc.dll/x"}));
}

TEST_F(WebCacheTest, RecordBecomesEntry) {
  TCacheSourceRecord r = Rec("http://h/p.html");
  r.LocalFileName = "C:\\Cache\\M0001.HTM";
  r.SizeLow = 4321;
  r.HeaderInfo = "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=Shift_JIS\r\n";
  TWebCache cache(Source({r}));
  TWebCacheEntryInfoEx e;
  ASSERT_TRUE(cache.FindFirst(e));
  EXPECT_EQ(e.SourceUrl, "http://h/p.html");
  EXPECT_EQ(e.LocalFileName, "C:\\Cache\\M0001.HTM");
  EXPECT_EQ(e.Size, 4321u);
  EXPECT_EQ(e.HeaderInfo.GetCount(), 2);
  EXPECT_EQ(e.HeaderInfo.GetValue("content-type"), "text/html; charset=Shift_JIS");
  EXPECT_EQ(e.FileExtension, "");
  // 2000-01-01 00:00 UTC is 09:00 in Tokyo, a Saturday.
  EXPECT_EQ(e.LastModified, (platform::SYSTEMTIME{2000, 1, 6, 1, 9, 0, 0, 0}));
}

TEST_F(WebCacheTest, ZeroTimeFallsBackToTheBodyFile) {
  std::string dir = platform::CreateUniqueFolder(platform::TempFolder(), "thcache");
  ASSERT_FALSE(dir.empty());
  std::string body = platform::JoinPath(dir, "M0002.GIF");
  ASSERT_TRUE(platform::AtomicWriteFile(body, "GIF89a"));
  // 2001-02-03 04:05:06 UTC
  ASSERT_TRUE(platform::SetFileLastWriteTime(body, platform::UnixSecondsToFileTime(981173106)));

  TCacheSourceRecord dated = Rec("http://h/dated");
  TCacheSourceRecord undated = Rec("http://h/undated");
  undated.LastModifiedTime = 0;
  undated.LocalFileName = body;
  TCacheSourceRecord lost = Rec("http://h/lost");
  lost.LastModifiedTime = 0;
  lost.LocalFileName = platform::JoinPath(dir, "missing");
  const platform::SYSTEMTIME bodyTime{2001, 2, 6, 3, 13, 5, 6, 0};

  for (bool undatedFirst : {true, false}) {
    std::vector<TCacheSourceRecord> records = {dated, undated, lost};
    if (undatedFirst) std::swap(records[0], records[1]);
    TWebCache cache(Source(records));
    TWebCacheEntryInfo e;
    ASSERT_TRUE(cache.FindFirst(e));
    if (!undatedFirst) {
      EXPECT_EQ(e.LastModified.wYear, 2000);
      ASSERT_TRUE(cache.FindNext(e));
    }
    EXPECT_EQ(e.SourceUrl, "http://h/undated");
    EXPECT_EQ(e.LastModified, bodyTime);
    if (undatedFirst) {
      ASSERT_TRUE(cache.FindNext(e));
    }
    // No date anywhere: still delivered, with the zero file time's date.
    ASSERT_TRUE(cache.FindNext(e));
    EXPECT_EQ(e.SourceUrl, "http://h/lost");
    EXPECT_EQ(e.LastModified.wYear, 1601);
  }
  platform::DeleteTreeSilent(dir);
}

TEST_F(WebCacheTest, EnumerationLifetime) {
  TWebCache cache(Source({Rec("http://h/1"), Rec("about:x"), Rec("http://h/2")}));
  TWebCacheEntryInfo e;
  e.SourceUrl = "untouched";
  EXPECT_FALSE(cache.FindNext(e));  // nothing open yet
  EXPECT_EQ(e.SourceUrl, "untouched");
  EXPECT_EQ(log->opened, 0);

  ASSERT_TRUE(cache.FindFirst(e));
  ASSERT_TRUE(cache.FindNext(e));
  EXPECT_EQ(e.SourceUrl, "http://h/2");
  EXPECT_FALSE(cache.FindNext(e));
  EXPECT_FALSE(cache.FindNext(e));
  EXPECT_EQ(e.SourceUrl, "http://h/2");
  EXPECT_TRUE(cache.IsEnumerating());  // exhausted but open until FindClose
  EXPECT_EQ(log->live, 1);

  ASSERT_TRUE(cache.FindFirst(e));  // a new FindFirst closes the old enumeration
  EXPECT_EQ(log->live, 1);
  EXPECT_EQ(log->opened, 2);
  cache.FindClose();
  EXPECT_EQ(log->live, 0);
  EXPECT_FALSE(cache.FindNext(e));

  EXPECT_EQ(cache.GetCount(), 2);
  EXPECT_EQ(log->live, 0);
  EXPECT_FALSE(cache.IsEnumerating());
}

TEST_F(WebCacheTest, FindFirstWithNothingUsableClosesAtOnce) {
  TWebCache cache(Source({Rec("about:a"), Rec("http://c", COOKIE_CACHE_ENTRY)}));
  TWebCacheEntryInfo e;
  EXPECT_FALSE(cache.FindFirst(e));
  EXPECT_FALSE(cache.IsEnumerating());
  EXPECT_EQ(log->live, 0);
  EXPECT_EQ(cache.GetCount(), 0);

  TWebCache empty(Source({}));
  EXPECT_FALSE(empty.FindFirst(e));
  EXPECT_EQ(log->live, 0);
}

TEST_F(WebCacheTest, DeleteEntryGoesToTheSource) {
  TWebCache cache(Source({}));
  EXPECT_TRUE(cache.DeleteEntry("http://h/gone"));
  EXPECT_FALSE(cache.DeleteEntry(""));
  EXPECT_EQ(log->deleted, (std::vector<std::string>{"http://h/gone", ""}));
}

TEST_F(WebCacheTest, NewSourceReportsToTheSameNotifier) {
  struct Silent : TCacheNotifier {
    void ShowMessage(const std::string&) override {}
  } notifier;
  TWebCache cache(Source({Rec("http://h/1")}));
  cache.SetNotifier(&notifier);
  TWebCacheEntryInfo e;
  ASSERT_TRUE(cache.FindFirst(e));
  cache.SetSource(Source({}));
  EXPECT_EQ(cache.Source().Notifier(), &notifier);
  EXPECT_FALSE(cache.IsEnumerating());  // the old source's enumeration is gone
  EXPECT_EQ(log->live, 0);
  cache.SetSource(nullptr);  // back to the Netscape source
  EXPECT_NE(dynamic_cast<TNetscapeCacheSource*>(&cache.Source()), nullptr);
  EXPECT_EQ(cache.Source().Notifier(), &notifier);
}

TEST_F(WebCacheTest, MissingNetscapeCacheCountsZero) {
  TWebCache cache(std::make_unique<TNetscapeCacheSource>("/nonexistent/dir/FAT.DB"));
  TWebCacheEntryInfo e;
  EXPECT_EQ(cache.GetCount(), 0);
  EXPECT_FALSE(cache.FindFirst(e));
  EXPECT_FALSE(cache.DeleteEntry("http://h/"));
}

}  // namespace

namespace {
// In New York, 1999-10-31 01:30 happened twice: 05:30 UTC in summer time and 06:30 UTC
// after the change.  Both entries show 01:30, and each keeps its own instant.
TEST(WebCacheRepeatedHour, EntriesKeepTheOffsetTheirTimeHad) {
  struct ZoneGuard {
    std::string saved;
    bool had;
    explicit ZoneGuard(const char* zone) {
      const char* old = std::getenv("TZ");
      had = old != nullptr;
      if (had) saved = old;
      setenv("TZ", zone, 1);
      tzset();
    }
    ~ZoneGuard() {
      if (had) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
      tzset();
    }
  } zone("America/New_York");
  auto memory = std::make_shared<thtest::MemoryCache>();
  memory->records = {thtest::Record("http://h/summer").Modified(941347800),
                     thtest::Record("http://h/winter").Modified(941351400)};
  TWebCache cache(std::make_unique<thtest::MemorySource>(memory));
  std::vector<TWebCacheEntryInfo> got;
  TWebCacheEntryInfo e;
  for (bool more = cache.FindFirst(e); more; more = cache.FindNext(e)) got.push_back(e);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].LastModified, got[1].LastModified);
  EXPECT_EQ(got[0].LastModified.wHour, 1);
  platform::FILETIME summer = 0, winter = 0;
  ASSERT_TRUE(EntryLastModifiedUtc(got[0], summer));
  ASSERT_TRUE(EntryLastModifiedUtc(got[1], winter));
  EXPECT_EQ(platform::FileTimeToUnixSeconds(summer), 941347800);
  EXPECT_EQ(platform::FileTimeToUnixSeconds(winter), 941351400);
  // A date changed since it was delivered is read as local time again.
  got[1].LastModified.wHour = 3;
  ASSERT_TRUE(EntryLastModifiedUtc(got[1], winter));
  EXPECT_EQ(platform::FileTimeToUnixSeconds(winter), 941358600);  // 03:30 EST
}
}  // namespace
