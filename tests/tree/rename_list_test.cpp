#include "tree/rename_list.h"

#include <gtest/gtest.h>

#include "cache/cache_entry.h"
#include "common/content_type.h"
#include "common/crc32.h"
#include "platform/files.h"
#include "tree/local_naming.h"

namespace {

class TempDir {
 public:
  TempDir() : path_(platform::CreateUniqueFolder(platform::TempFolder(), "thrn")) {}
  ~TempDir() { platform::DeleteTreeSilent(path_); }
  std::string File(const std::string& name) const { return platform::JoinPath(path_, name); }

 private:
  std::string path_;
};

TEST(RenameItems, UrlsDifferingInCaseShareOneItem) {
  TWebCacheRenameItems items;
  items.Add("http://Host/Dir/Page.cgi?id=3", "http://host/dir/page~1.html");
  items.Add("http://host/dir/page.cgi?ID=3", "http://host/dir/page~2.html");
  ASSERT_EQ(items.Count(), 1u);
  EXPECT_EQ(items[0].OriginalUrl, "http://Host/Dir/Page.cgi?id=3");
  EXPECT_EQ(items[0].NewUrl, "http://host/dir/page~2.html");
  EXPECT_EQ(items.Lookup("HTTP://HOST/DIR/PAGE.CGI?ID=3"), "http://host/dir/page~2.html");
  EXPECT_EQ(items.Lookup("http://host/dir/page.cgi?id=4"), "");
}

TEST(RenameItems, NormalFormAndSchemeOfTheNewUrl) {
  TWebCacheRenameItems items;
  // The new URL of a tree without schemes gets the original's scheme back.
  items.Add("https://h/a%20b/img.cgi?n=1", "h/a b/img~42c94d0c.gif");
  ASSERT_EQ(items.Count(), 1u);
  EXPECT_EQ(items[0].OriginalUrl, "https://h/a b/img.cgi?n=1");
  EXPECT_EQ(items[0].NewUrl, "https://h/a b/img~42c94d0c.gif");
  // Lookups are normalised the same way: escaped and plain spellings meet.
  EXPECT_EQ(items.Lookup("https://h/a b/img.cgi?n=1"), "https://h/a b/img~42c94d0c.gif");
  EXPECT_EQ(items.Lookup("https://h/a%20b/img.cgi?n=1"), "https://h/a b/img~42c94d0c.gif");
  // The query part stays raw: %41 in it is not the same as 'A'.
  EXPECT_EQ(items.Lookup("https://h/a b/img.cgi?n=%31"), "");
}

TEST(RenameItems, ListedInSortedOrderOfTheLowerCasedUrl) {
  TWebCacheRenameItems items;
  items.Add("http://h/c", "http://h/c.html");
  items.Add("http://h/A", "http://h/a.html");
  items.Add("http://h/b", "http://h/b.html");
  ASSERT_EQ(items.Count(), 3u);
  EXPECT_EQ(items[0].OriginalUrl, "http://h/A");
  EXPECT_EQ(items[1].OriginalUrl, "http://h/b");
  EXPECT_EQ(items[2].OriginalUrl, "http://h/c");
  items.Clear();
  EXPECT_EQ(items.Count(), 0u);
  EXPECT_EQ(items.Lookup("http://h/b"), "");
}

TEST(RenameListFile, RoundTripIsByteExact) {
  TempDir dir;
  std::string path = dir.File("renameList.dat");
  {
    TWebCacheRenameItems items;
    items.Add("http://h/z.cgi?x=1", "http://h/z~5b906e6e.cgi");
    items.Add("http://h/\x95\x5c/a", "http://h/\x95\x5c/a.html");
    items.Add("http://h/b", "http://h/b.html");
    ASSERT_TRUE(items.SaveRenameList(path));
  }
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
  TWebCacheRenameItems back;
  ASSERT_TRUE(back.LoadRenameList(path));
  ASSERT_EQ(back.Count(), 3u);
  EXPECT_EQ(back.Lookup("http://h/z.cgi?x=1"), "http://h/z~5b906e6e.cgi");
  EXPECT_EQ(back.Lookup("http://h/\x95\x5c/a"), "http://h/\x95\x5c/a.html");
  EXPECT_EQ(back.SaveToText(), bytes);
  // Every line is "original TAB new CR LF".
  EXPECT_NE(bytes.find("http://h/b\thttp://h/b.html\r\n"), std::string::npos);
  EXPECT_EQ(bytes.size(), std::string("http://h/z.cgi?x=1\thttp://h/z~5b906e6e.cgi\r\n").size() +
                              std::string("http://h/b\thttp://h/b.html\r\n").size() +
                              std::string("http://h/\x95\x5c/a\thttp://h/\x95\x5c/a.html\r\n").size());
}

TEST(RenameListFile, MalformedLinesEndTheLoad) {
  struct Case {
    const char* text;
    std::size_t read;
  } cases[] = {
      {"http://h/a\thttp://h/a.html\r\nhttp://h/b\thttp://h/b.html", 1},  // no CR LF at the end
      {"http://h/a\thttp://h/a.html\rhttp://h/b\thttp://h/b.html\r\n", 0},  // lone CR
      {"http://h/a\thttp://h/a.html\r\nno tab\r\nhttp://h/c\thttp://h/c.html\r\n", 1},
      {"http://h/a\thttp://h/a.html\nhttp://h/b\thttp://h/b.html\r\n", 0},  // bare LF
      {"http://h/a\thttp://h/a.html\r\n\r\nhttp://h/c\thttp://h/c.html\r\n", 1},  // empty line
      {"", 0},
  };
  for (const Case& c : cases) {
    TWebCacheRenameItems items;
    EXPECT_EQ(items.LoadFromText(c.text), c.read) << c.text;
    EXPECT_EQ(items.Count(), c.read) << c.text;
  }
}

// Escapes are decoded once: the original URL when it is added, never the local URL
// (already decoded) and never the file's lines (decoded when they were written).  A
// '%' in a name survives any number of saves and loads.
TEST(RenameListFile, EscapesAreDecodedExactlyOnceThroughSaveAndLoad) {
  TWebCacheRenameItems items;
  items.Add("http://h/100%25.cgi?n=1", "http://h/100%~0f0e0d0c.gif");
  items.Add("http://h/sale%2520now.cgi?n=1", "http://h/sale%20now~01020304.html");
  items.Add("http://h/%93%FA/a.cgi?x", "http://h/\x93\xFA/a~0a0b0c0d.html");
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(items.Lookup("http://h/100%25.cgi?n=1"), "http://h/100%~0f0e0d0c.gif");
    EXPECT_EQ(items.Lookup("http://h/sale%2520now.cgi?n=1"), "http://h/sale%20now~01020304.html");
    EXPECT_EQ(items.Lookup("http://h/%93%FA/a.cgi?x"), "http://h/\x93\xFA/a~0a0b0c0d.html");
    const std::string saved = items.SaveToText();
    EXPECT_NE(saved.find("http://h/100%.cgi?n=1\thttp://h/100%~0f0e0d0c.gif\r\n"), std::string::npos);
    EXPECT_EQ(items.LoadFromText(saved), 3u);
    EXPECT_EQ(items.SaveToText(), saved);
  }
}

TEST(RenameListFile, LoadClearsFirstAndMissingFilesGiveAnEmptyList) {
  TempDir dir;
  TWebCacheRenameItems items;
  items.Add("http://h/a", "http://h/a.html");
  EXPECT_FALSE(items.LoadRenameList(dir.File("missing.dat")));
  EXPECT_EQ(items.Count(), 0u);
  items.Add("http://h/a", "http://h/a.html");
  EXPECT_FALSE(items.SaveRenameList(dir.File("no/such/folder/renameList.dat")));
  EXPECT_FALSE(items.SaveRenameList(""));
}

// ---------------------------------------------------------------------------
// Local names

class LocalNaming : public ::testing::Test {
 protected:
  LocalNaming() {
    types.AddType("image/gif", ".gif");
    types.AddType("text/html", ".htm");
    types.AddType("text/html", ".html");
    types.AddType("text/plain", ".txt");
  }
  const TContentTypeItem* Row(const std::string& type) {
    int i = types.IndexOfType(type);
    return i >= 0 ? &types[static_cast<std::size_t>(i)] : nullptr;
  }
  std::string Name(const std::string& file, const std::string& query, const std::string& type) {
    return ChooseLocalFileName(file, query, type, Row(type), crc);
  }
  TContentType types;
  TCrcTable crc;
};

TEST_F(LocalNaming, ExamplesOfTheNamingRule) {
  EXPECT_EQ(Name("img.cgi", "?n=1", "image/gif"), "img~42c94d0c.gif");
  EXPECT_EQ(Name("readme", "", "text/plain"), "readme");
  EXPECT_EQ(Name("page.htm", "", "text/html"), "page.htm");
  EXPECT_EQ(Name("PAGE.HTM", "", "text/html"), "PAGE.HTM");
  EXPECT_EQ(Name("", "?q=x", "text/html"), "42c226a9.html");
  EXPECT_EQ(Name("", "", "text/html"), "") << "index.html is given later";
  // text/plain with a query is renamed like anything else.
  EXPECT_EQ(Name("log.cgi", "?id=3", "text/plain"), "log~9a6ab1cf.txt");
  // Without a table row the file's own extension stays.
  EXPECT_EQ(Name("data.bin", "?id=4", "application/x-unknown"), "data~842de1ca.bin");
  EXPECT_EQ(Name("image.cgi", "", "image/gif"), "image.gif");
  EXPECT_EQ(Name("noext", "", "image/gif"), "noext.gif");
  EXPECT_EQ(Name("run.cgi", "a=1/b", "text/html"), "run~17694276.html");
}

TEST_F(LocalNaming, ContentTypeIsCutAndTrimmed) {
  TWebCacheHeaderInfo h("Server: x\r\ncontent-type:  Text/HTML ; charset=Shift_JIS\r\n");
  EXPECT_EQ(NamingContentType(h), "text/html");
  EXPECT_EQ(NamingContentType(TWebCacheHeaderInfo("")), "");
}

TEST_F(LocalNaming, NumberedAndQueryNames) {
  EXPECT_EQ(NumberedFileName("a.gif", 1), "a~0001.gif");
  EXPECT_EQ(NumberedFileName("index.html", 12), "index~0012.html");
  EXPECT_EQ(NumberedFileName("README", 3), "README~0003");
  EXPECT_EQ(NumberedFileName("a.b.c", 10000), "a.b~10000.c");
  EXPECT_EQ(QueryFileName("page.cgi", "?x=1#top", "index.html", crc), "page~31889917.cgi");
  EXPECT_EQ(QueryFileName("", "?x=1", "index.html", crc), "index~5b906e6e.html");
  EXPECT_EQ(QueryTag(crc, "123456789"), "89a1897f");
}

}  // namespace
