#include "tree/combine_url.h"

#include <gtest/gtest.h>

namespace {

struct Example {
  const char* link;
  const char* expected;
};

// Reference resolution examples of RFC 3986 section 5.4, base http://a/b/c/d;p?q.
TEST(CombineUrl, ReferenceResolutionExamples) {
  const char* base = "http://a/b/c/d;p?q";
  const Example normal[] = {
      {"g:h", "g:h"},
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"},
      {"g#s", "http://a/b/c/g#s"},
      {"g?y#s", "http://a/b/c/g?y#s"},
      {";x", "http://a/b/c/;x"},
      {"g;x", "http://a/b/c/g;x"},
      {"g;x?y#s", "http://a/b/c/g;x?y#s"},
      {"", "http://a/b/c/d;p?q"},
      {".", "http://a/b/c/"},
      {"./", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../..", "http://a/"},
      {"../../", "http://a/"},
      {"../../g", "http://a/g"},
  };
  for (const Example& e : normal) EXPECT_EQ(CombineUrl(base, e.link), e.expected) << e.link;

  const Example abnormal[] = {
      {"../../../g", "http://a/g"},
      {"../../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {".g", "http://a/b/c/.g"},
      {"g..", "http://a/b/c/g.."},
      {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"},
      {"./g/.", "http://a/b/c/g/"},
      {"g/./h", "http://a/b/c/g/h"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g?y/../x", "http://a/b/c/g?y/../x"},
      {"g#s/./x", "http://a/b/c/g#s/./x"},
      {"g#s/../x", "http://a/b/c/g#s/../x"},
      // The backward-compatible reading that browsers used.
      {"http:g", "http://a/b/c/g"},
  };
  for (const Example& e : abnormal) EXPECT_EQ(CombineUrl(base, e.link), e.expected) << e.link;
}

TEST(CombineUrl, UnsafeCharactersAreEscapedAndEscapesKept) {
  const char* base = "http://h/dir/page.html";
  EXPECT_EQ(CombineUrl(base, "a b.html"), "http://h/dir/a%20b.html");
  EXPECT_EQ(CombineUrl(base, "x.cgi?q=a b&r=\"c\""), "http://h/dir/x.cgi?q=a%20b&r=%22c%22");
  EXPECT_EQ(CombineUrl(base, "<x>{y}|^`.gif"), "http://h/dir/%3Cx%3E%7By%7D%7C%5E%60.gif");
  EXPECT_EQ(CombineUrl(base, "a%20b.html"), "http://h/dir/a%20b.html");
  EXPECT_EQ(CombineUrl(base, "t\tab.gif"), "http://h/dir/t%09ab.gif");
  EXPECT_EQ(CombineUrl(base, "p.html#sec one"), "http://h/dir/p.html#sec%20one");
}

TEST(CombineUrl, BackslashesInWebPathsAreSlashesButKanjiTrailBytesAreKept) {
  const char* base = "http://h/dir/page.html";
  EXPECT_EQ(CombineUrl(base, "..\\img\\a.gif"), "http://h/img/a.gif");
  // 0x95 0x5C is one kanji; its trail byte is no separator and is not escaped.
  EXPECT_EQ(CombineUrl(base, "\x95\x5c/x.html"), "http://h/dir/\x95\x5c/x.html");
  EXPECT_EQ(CombineUrl(base, "../\x83\x7c.gif"), "http://h/\x83\x7c.gif");
}

TEST(CombineUrl, OtherSchemesAndBases) {
  EXPECT_EQ(CombineUrl("http://h/a/b.html", "mailto:x@y.jp"), "mailto:x@y.jp");
  EXPECT_EQ(CombineUrl("http://h/a/b.html", "javascript:go('../x')"),
            "javascript:go('../x')");
  EXPECT_EQ(CombineUrl("http://h/a/b.html", "HTTPS://Other/x/../y"), "HTTPS://Other/y");
  EXPECT_EQ(CombineUrl("https://h/a/b.html", "http:x.html"), "http:x.html")
      << "another scheme without a host is not relative";
  EXPECT_EQ(CombineUrl("http://h", "x.html"), "http://h/x.html");
  EXPECT_EQ(CombineUrl("http://h:8080/a/", "../b/"), "http://h:8080/b/");
  EXPECT_EQ(CombineUrl("ftp://h/pub/dir/", "file.txt"), "ftp://h/pub/dir/file.txt");
}

TEST(CombineUrl, RemoveDotSegments) {
  EXPECT_EQ(RemoveDotSegments("/a/b/c/./../../g"), "/a/g");
  EXPECT_EQ(RemoveDotSegments("mid/content=5/../6"), "mid/6");
  EXPECT_EQ(RemoveDotSegments("/.."), "/");
  EXPECT_EQ(RemoveDotSegments(""), "");
}

}  // namespace
