#include "common/url.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"

namespace {

struct SplitRow {
  const char* url;
  const char* folder;
  const char* fileName;
  const char* extra;
};

TEST(SplitUrl, ExampleTable) {
  const SplitRow rows[] = {
      {"http://host/dir/page.html?x=1", "http://host/dir/", "page.html", "?x=1"},
      {"http://host/cgi/run.cgi/a=1/b", "http://host/cgi/run.cgi/", "", "a=1/b"},
      {"http://host/dir/", "http://host/dir/", "", ""},
      {"http://host/a%20b/c%41.html?q=%41", "http://host/a b/", "cA.html", "?q=%41"},
      {"abc", "", "abc", ""},
      {"", "", "", ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.url);
    TUrlParts p = SplitUrl(r.url);
    EXPECT_EQ(p.folder, r.folder);
    EXPECT_EQ(p.fileName, r.fileName);
    EXPECT_EQ(p.extra, r.extra);
  }
}

TEST(SplitUrl, ExtraPartsChainInOrder) {
  // ';' parameters come before the query; a '$' segment moves like an '=' one.
  TUrlParts p = SplitUrl("http://h/d/f.cgi;jsessionid=1?a=b");
  EXPECT_EQ(p.folder, "http://h/d/");
  EXPECT_EQ(p.fileName, "f.cgi");
  EXPECT_EQ(p.extra, ";jsessionid=1?a=b");

  p = SplitUrl("http://h/d/$item/x.html");
  EXPECT_EQ(p.folder, "http://h/d/");
  EXPECT_EQ(p.fileName, "");
  EXPECT_EQ(p.extra, "$item/x.html");

  // An '=' with no '/' before it leaves everything where it was.
  p = SplitUrl("a=b");
  EXPECT_EQ(p.folder, "");
  EXPECT_EQ(p.fileName, "a=b");
  EXPECT_EQ(p.extra, "");
}

TEST(SplitUrl, NullOutputsAreSkipped) {
  std::string folder = "old", extra = "old";
  SplitUrl("http://h/a/b.html?q", &folder, nullptr, &extra);
  EXPECT_EQ(folder, "http://h/a/");
  EXPECT_EQ(extra, "?q");
  SplitUrl("http://h/a/b.html?q", nullptr, nullptr, nullptr);  // must not crash
}

TEST(SplitUrl, TrailByteIsNotASeparator) {
  // 0x95 0x5C is a kanji whose trail byte is '\'; 0x83 0x7C ends in '|'.
  // Neither may be seen as a special character, and '?' after them still splits.
  const std::string url = "http://h/\x95\x5c/\x83\x7c.html?x";
  TUrlParts p = SplitUrl(url);
  EXPECT_EQ(p.folder, "http://h/\x95\x5c/");
  EXPECT_EQ(p.fileName, "\x83\x7c.html");
  EXPECT_EQ(p.extra, "?x");
}

TEST(SplitUrl, StrayLeadByteKeepsTheSeparatorAfterIt) {
  // 0x83 before '/' or '?' is no double-byte character: the '/' still ends the
  // folder and the '?' still starts the extra part, on the way to a local name too.
  TUrlParts p = SplitUrl("http://h/a\x83/b\x83?x");
  EXPECT_EQ(p.folder, "http://h/a\x83/");
  EXPECT_EQ(p.fileName, "b\x83");
  EXPECT_EQ(p.extra, "?x");
  EXPECT_EQ(UrlToLocalPath("http://h/a\x83/b.html"), "http$3a/h/a\x83/b.html");
}

TEST(DecodeUrl, DecodesFolderAndFileButNotExtra) {
  EXPECT_EQ(DecodeUrl("http://host/a%20b/c%41.html?q=%41"), "http://host/a b/cA.html?q=%41");
  EXPECT_EQ(DecodeUrl("plain"), "plain");
}

TEST(UrlDecodeText, Escapes) {
  // UTF-8 for U+3042 comes out as its CP932 form.
  EXPECT_EQ(UrlDecodeText("%E3%81%82"), "\x82\xa0");
  EXPECT_EQ(UrlDecodeText("%e3%81%82"), "\x82\xa0");
  // One digit at the very end: the missing one counts as 0.
  EXPECT_EQ(UrlDecodeText("ab%4"), "ab@");
  EXPECT_EQ(UrlDecodeText("ab%"), "ab");
  // %00 ends the text; so does an escape that decodes to zero through bad digits.
  EXPECT_EQ(UrlDecodeText("ab%00cd"), "ab");
  EXPECT_EQ(UrlDecodeText("ab%zzcd"), "ab");
  // A non-hex digit counts as 0 but still uses its place.
  EXPECT_EQ(UrlDecodeText("%4g1"), "@1");
  EXPECT_EQ(UrlDecodeText("%2B%2b"), "++");
}

TEST(UrlDecodeText, TextWithoutPercentPassesThrough) {
  // Shift_JIS bytes would not survive a UTF-8 reading; without '%' none is done.
  const std::string sjis = "\x82\xa0\x95\x5c.html";
  EXPECT_EQ(UrlDecodeText(sjis), sjis);
  EXPECT_EQ(UrlDecodeText(""), "");
}

// The escapes are read once, in the encoding they form: UTF-8 that the code page can
// hold, else Shift_JIS as old Japanese servers escaped it, else they stay as written.
TEST(UrlDecodeText, EscapesReadInTheEncodingTheyForm) {
  const struct {
    std::string in;
    std::string out;
  } rows[] = {
      {"%D1%91", "\x84\x76"},                   // U+0451 through the converter
      {"%93%FA/", "\x93\xFA/"},                 // 日 escaped in Shift_JIS
      {"%8C%8E/", "\x8C\x8E/"},                 // 月: not the same name as 日
      {"%E6%97%A5/", "\x93\xFA/"},              // 日 escaped in UTF-8
      {"\x93\xFA%20a", "\x93\xFA a"},           // raw Shift_JIS next to an escape
      {"100%25.gif", "100%.gif"},               // %25 is a literal '%', decoded once
      {"sale%2520now", "sale%20now"},
      {"50%25off.html", "50%off.html"},
      {"%E3AB-", "\xE3" "AB-"},                 // not UTF-8, but Shift_JIS bytes
      {"%C3%A9x", "%C3%A9x"},                   // é has no Shift_JIS form: kept
      {"%F0%9F%98%80x", "%F0%9F%98%80x"},       // nor has an emoji
      {"%80a", "%80a"},                         // neither UTF-8 nor Shift_JIS
      {"a%C0%80b", "a%C0%80b"},                 // an overlong zero is no character
      {"a%E3%81", "a\xE3\x81"},                 // cut UTF-8 that is a Shift_JIS pair
      {"a%81", "a%81"},                         // half a pair
      {"x%00y%93%FA", "x"},                     // a zero byte still ends the text
      {std::string("%E\0" "3%80", 6), "%E"},  // ... also inside an escape kept as is
  };
  for (const auto& r : rows) EXPECT_EQ(UrlDecodeText(r.in), r.out) << r.in;
}

TEST(UrlSplit, RawSplitDecodesNothing) {
  TUrlParts p = SplitUrlRaw("http://h/100%/a%2520b.gif?q=%41");
  EXPECT_EQ(p.folder, "http://h/100%/");
  EXPECT_EQ(p.fileName, "a%2520b.gif");
  EXPECT_EQ(p.extra, "?q=%41");
}

TEST(UrlPieces, FolderParentNameFile) {
  EXPECT_EQ(UrlFolder("http://h/a/b.html"), "http://h/a/");
  EXPECT_EQ(UrlFolder("http://h/a/"), "http://h/a/");
  EXPECT_EQ(UrlFolder("abc"), "");
  EXPECT_EQ(UrlFolder(""), "");

  EXPECT_EQ(UrlParentFolder("http://h/a/b.html"), "http://h/");
  EXPECT_EQ(UrlParentFolder("http://h/a/"), "http://h/");
  EXPECT_EQ(UrlParentFolder("a/b"), "");
  EXPECT_EQ(UrlParentFolder("abc"), "");
  EXPECT_EQ(UrlParentFolder(""), "");

  EXPECT_EQ(UrlFolderName("http://h/a/b.html"), "a");
  EXPECT_EQ(UrlFolderName("http://h/a/"), "a");
  EXPECT_EQ(UrlFolderName("a/b"), "a");
  EXPECT_EQ(UrlFolderName("abc"), "");
  EXPECT_EQ(UrlFolderName(""), "");

  EXPECT_EQ(UrlFileName("http://h/a/b.html"), "b.html");
  EXPECT_EQ(UrlFileName("http://h/a/"), "");
  EXPECT_EQ(UrlFileName("abc"), "abc");
  EXPECT_EQ(UrlFileName(""), "");

  // The trail byte '\' of a kanji never matters; '/' after it still does.
  EXPECT_EQ(UrlFileName("h/\x95\x5c"), "\x95\x5c");
  EXPECT_EQ(UrlFolderName("h/\x95\x5c/x"), "\x95\x5c");
}

TEST(GetUrlSiteRoot, SchemeHostAndSlash) {
  EXPECT_EQ(GetUrlSiteRoot("http://host/dir/x.html"), "http://host/");
  EXPECT_EQ(GetUrlSiteRoot("http://host/"), "http://host/");
  EXPECT_EQ(GetUrlSiteRoot("http://host"), "");
  EXPECT_EQ(GetUrlSiteRoot("a/b"), "");
  EXPECT_EQ(GetUrlSiteRoot(""), "");
}

struct RelRow {
  const char* base;
  const char* target;
  const char* result;
};

TEST(MakeRelativeUrl, ExampleTableAndEdges) {
  const RelRow rows[] = {
      {"http://host/a/b.html", "http://host/a/d/e.html", "d/e.html"},
      {"http://host/a/b/c.html", "http://host/a/x.html", "../x.html"},
      {"http://host/a/b/c.html", "http://host/a/y/z.html", "../y/z.html"},
      {"http://h1/a.html", "http://h2/b.html", "../h2/b.html"},
      // Same folder: the bare file name with the target's extra part.
      {"http://host/a/b.html", "http://host/a/c.cgi?x=1", "c.cgi?x=1"},
      // Segments compare without regard to case.
      {"http://HOST/A/b.html", "http://host/a/c.html", "c.html"},
      // Several levels up.
      {"http://host/a/b/c/d.html", "http://host/x.html", "../../../x.html"},
      {"http://host/a/b/c/d.html", "http://host/a/q/r/s.gif", "../../q/r/s.gif"},
      // A folder target (no file name).
      {"http://host/a/b.html", "http://host/a/sub/", "sub/"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.base) + " -> " + r.target);
    EXPECT_EQ(MakeRelativeUrl(r.base, r.target), r.result);
  }
}

TEST(MakeRelativeUrl, DegenerateInputsStayWellFormed) {
  // A base without any '/' gives the target's own (absolute) form back.
  EXPECT_EQ(MakeRelativeUrl("x.html", "http://host/a/b.html"), "http://host/a/b.html");
  EXPECT_EQ(MakeRelativeUrl("", ""), "");
  EXPECT_EQ(MakeRelativeUrl("http://h/a/b.html", ""), "../../../");
}

TEST(Escape, FileNameTable) {
  EXPECT_EQ(EscapeFileName("a|b"), "a$7cb");
  EXPECT_EQ(EscapeFileName("\\/:*\"<>|"), "$5c$2f$3a$2a$22$3c$3e$7c");
  EXPECT_EQ(EscapeFileName("why?$100%"), "why?$100%");
  // Dot names cannot be files; escaped, they cannot climb out of a folder either.
  EXPECT_EQ(EscapeFileName(".."), "$2e$2e");
  EXPECT_EQ(EscapeFileName("."), "$2e");
  EXPECT_EQ(EscapeFileName("..."), "...");
  EXPECT_EQ(EscapeFileName(".htaccess"), ".htaccess");
  // Trail bytes '\' (0x5C) and '|' (0x7C) stay; the real ones after them are escaped.
  EXPECT_EQ(EscapeFileName("\x95\x5c\\\x83\x7c|"), "\x95\x5c$5c\x83\x7c$7c");
}

TEST(Escape, UrlPathTable) {
  EXPECT_EQ(EscapeUrlPath("\\:*?\"<>|"), "%5c%3a%2a%3f%22%3c%3e%7c");
  EXPECT_EQ(EscapeUrlPath("../a/b.html%20"), "../a/b.html%20");
  EXPECT_EQ(EscapeUrlPath("\x95\x5c/\x83\x7c?"), "\x95\x5c/\x83\x7c%3f");
}

TEST(UrlToLocalPath, MapsSegmentsToFolders) {
  EXPECT_EQ(UrlToLocalPath("http://host/a/b.html"), "http$3a/host/a/b.html");
  EXPECT_EQ(UrlToLocalPath("http://host/a/"), "http$3a/host/a/");
  EXPECT_EQ(UrlToLocalPath("http://host/a%20b/c%41.html?q"), "http$3a/host/a b/cA.html?q");
  // A favorite's prefix removed by the caller leaves a relative remainder.
  EXPECT_EQ(UrlToLocalPath("sub/dir/"), "sub/dir/");
  EXPECT_EQ(UrlToLocalPath("x.html"), "x.html");
  EXPECT_EQ(UrlToLocalPath(""), "");
  // Characters a file name cannot hold are escaped per segment.
  EXPECT_EQ(UrlToLocalPath("http://h/a:b*c/x"), "http$3a/h/a$3ab$2ac/x");
}

// Resolves `path` segment by segment and fails when it would climb above its start
// or start at the root.
void ExpectContained(const std::string& url) {
  const std::string path = UrlToLocalPath(url);
  SCOPED_TRACE("url=" + url + " path=" + path);
  ASSERT_TRUE(path.empty() || path[0] != '/');
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string seg = path.substr(start, end - start);
    EXPECT_NE(seg, "..");
    EXPECT_NE(seg, ".");
    if (end < path.size()) {
      EXPECT_FALSE(seg.empty()) << "empty segment";
    }
    start = end + 1;
  }
  EXPECT_EQ(path.find('\\'), std::string::npos);
}

TEST(UrlToLocalPath, HostileUrlsStayBelowTheStart) {
  const std::vector<std::string> hostile = {
      "http://h/a/../../../x",
      "http://h/../../../../etc/passwd",
      "../../x.html",
      "/etc/passwd",
      "//etc//passwd",
      "http://h/%2e%2e/%2E%2E/x",
      "http://h/a/%2e%2e%2f%2e%2e%2fx",
      "http://h/a%2F..%2F..%2F..%2Fx/f.html",
      "http://h/a/%2e%2e",
      "http://h/a/..",
      "http://h/a/.",
      "http://h/./",
      "..",
      ".",
      "http://h/a/..%5c..%5cx",
      "http://h/a\\..\\..\\x",
      "http://h/cgi/run.cgi/a=1/../../../../x",
      "http://h/p?x=/../../../etc/passwd",
      "http://h/p;/../../x",
      "http://h/$/../../x",
      "http://h/a/%01%02%7f/x",
      "http://h///a////b",
      "\x81/../../x",
      "http://h/\x81/../\x81/../../x",
      "http://h/a%00/../../x",
      "http://h/%C0%AE%C0%AE/x",
  };
  for (const auto& url : hostile) ExpectContained(url);
}

TEST(UrlToLocalPath, DotNamesAreEscapedNotDropped) {
  EXPECT_EQ(UrlToLocalPath("http://h/a/../b/x.html"), "http$3a/h/a/$2e$2e/b/x.html");
  EXPECT_EQ(UrlToLocalPath("http://h/%2e%2e/x"), "http$3a/h/$2e$2e/x");
  EXPECT_EQ(UrlToLocalPath("http://h/./x"), "http$3a/h/$2e/x");
  EXPECT_EQ(UrlToLocalPath("http://h/a/.."), "http$3a/h/a/$2e$2e");
  // Names that merely contain dots are ordinary names.
  EXPECT_EQ(UrlToLocalPath("http://h/.../..x/x..html"), "http$3a/h/.../..x/x..html");
  // Empty segments vanish instead of making "//" or a leading '/'.
  EXPECT_EQ(UrlToLocalPath("/a//b/c"), "a/b/c");
}

TEST(UrlToLocalPath, SeparatorsInsideTheFilePartAreEscaped) {
  // %2F decodes to '/', which must not open a folder in the file part.
  EXPECT_EQ(UrlToLocalPath("http://h/a/x%2Fy.html"), "http$3a/h/a/x$2fy.html");
  // The '=' tail of a CGI URL keeps its text but not its separators.
  EXPECT_EQ(UrlToLocalPath("http://host/cgi/run.cgi/a=1/b"), "http$3a/host/cgi/run.cgi/a=1$2fb");
  EXPECT_EQ(UrlToLocalPath("http://h/x%5cy"), "http$3a/h/x$5cy");
  // A zero byte in the raw extra part ends the name rather than hiding a tail.
  EXPECT_EQ(UrlToLocalPath(std::string("http://h/p?a\0/../../x", 21)), "http$3a/h/p?a");
  // A kanji whose trail byte is 0x5C is not a backslash and is kept.
  EXPECT_EQ(UrlToLocalPath("http://h/\x95\x5c.html"), "http$3a/h/\x95\x5c.html");
}

}  // namespace
