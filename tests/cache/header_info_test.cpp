#include <gtest/gtest.h>

#include "cache/cache_entry.h"

namespace {

TEST(HeaderInfo, SplitsAndJoinsLines) {
  TWebCacheHeaderInfo h;
  h.SetText("HTTP/1.0 200 OK\r\nContent-Type: text/html\nServer: x\rLast: y\r\n");
  ASSERT_EQ(h.GetCount(), 4);
  EXPECT_EQ(h.GetLine(0), "HTTP/1.0 200 OK");
  EXPECT_EQ(h.GetLine(2), "Server: x");
  EXPECT_EQ(h.GetLine(3), "Last: y");
  EXPECT_EQ(h.GetText(), "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nServer: x\r\nLast: y");
  // An empty line in the middle stays a line.
  h.SetText("a: 1\r\n\r\nb: 2");
  EXPECT_EQ(h.GetCount(), 3);
  h.SetText("");
  EXPECT_EQ(h.GetCount(), 0);
  EXPECT_EQ(h.GetText(), "");
}

TEST(HeaderInfo, GetValueTrimsAndIgnoresCase) {
  TWebCacheHeaderInfo h("no colon here\r\n  content-TYPE  :  text/html; charset=Shift_JIS  \r\n"
                        "Content-Type: image/gif\r\nX-Time: 12:30:00");
  EXPECT_EQ(h.GetValue("Content-Type"), "text/html; charset=Shift_JIS");  // first match wins
  EXPECT_EQ(h.GetValue("x-time"), "12:30:00");  // only the first ':' separates
  EXPECT_EQ(h.GetValue("no colon here"), "");
  EXPECT_EQ(h.GetValue("Content"), "");
  EXPECT_EQ(h.GetValue("Missing"), "");
}

TEST(HeaderInfo, SetValueReplacesFirstOrAppends) {
  TWebCacheHeaderInfo h("A: 1\r\n b : 2\r\nB: 3");
  h.SetValue("B", "new");
  EXPECT_EQ(h.GetText(), "A: 1\r\nb: new\r\nB: 3");
  h.SetValue("C", "4");
  EXPECT_EQ(h.GetCount(), 4);
  EXPECT_EQ(h.GetLine(3), "C: 4");
  EXPECT_EQ(h.GetValue("c"), "4");
}

TEST(HeaderInfo, OutOfRangeLinesAreHarmless) {
  TWebCacheHeaderInfo h("A: 1");
  EXPECT_EQ(h.GetLine(-1), "");
  EXPECT_EQ(h.GetLine(1), "");
  h.SetLine(5, "X: 1");
  h.SetLine(-1, "X: 1");
  EXPECT_EQ(h.GetText(), "A: 1");
  h.SetLine(0, "Z: 9");
  EXPECT_EQ(h.GetValue("Z"), "9");
}

TEST(HeaderInfo, EntriesCopyTheirHeaders) {
  TWebCacheEntryInfoEx a;
  a.SourceUrl = "http://h/x";
  a.HeaderInfo.SetText("Content-Type: text/html");
  a.FolderUrl = "http://h/";
  TWebCacheEntryInfoEx b = a;
  b.HeaderInfo.SetValue("Content-Type", "image/png");
  EXPECT_EQ(a.HeaderInfo.GetValue("Content-Type"), "text/html");
  EXPECT_EQ(b.HeaderInfo.GetValue("Content-Type"), "image/png");
  EXPECT_NE(a, b);
  // The Ex form works wherever a plain entry is filled.
  TWebCacheEntryInfo& base = b;
  base.Size = 7;
  EXPECT_EQ(b.Size, 7u);
}

TEST(HeaderInfo, PagesAreEntriesWithAnHtmlContentType) {
  const struct {
    const char* headers;
    bool page;
  } kCases[] = {
      {"Content-Type: text/html", true},
      {"content-type:TEXT/HTML; charset=Shift_JIS", true},
      {"Server: x\r\nContent-Type: application/xhtml+xml, text/html", true},
      {"Content-Type: image/gif", false},
      {"Content-Type: text/plain\r\nX-Note: text/html", false},
      {"", false},
  };
  for (const auto& c : kCases) {
    TWebCacheEntryInfo entry;
    entry.HeaderInfo.SetText(c.headers);
    EXPECT_EQ(IsHtmlEntry(entry), c.page) << c.headers;
  }
}

}  // namespace
