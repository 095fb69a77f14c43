// The HTML token walk, attribute parsing and rewriting, and the page's charset and
// title.  The central property: the tokens of any input whatsoever, written back in
// order, give the input byte for byte.  It is checked over generated and mutated
// pages, and the optimised scanners are compared with a plain step-by-step reading
// of the scanning rules written out here.
#include "text/html_parser.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t npos = std::string_view::npos;
const std::string kEsc = "\x1B";
const std::string kJisIn = "\x1B$B";
const std::string kJisOut = "\x1B(B";

// ---------------------------------------------------------------------------
// Reference readings of the scanning rules, byte by byte and without shortcuts.
// ---------------------------------------------------------------------------

bool RefIsQuote(int c) { return c == '\'' || c == '"'; }

std::size_t RefScanFor(std::size_t pos, std::string_view t, std::string_view delims,
                       bool quoteAware) {
  bool kanji = false;
  int quote = -1;
  int prev = -1;
  std::size_t i = pos;
  while (i < t.size()) {
    if (kanji) {
      if (IsJisKanjiOut(t, i)) {
        kanji = false;
        i += 3;
      } else {
        i += 2;
      }
      continue;
    }
    if (IsJisKanjiIn(t, i)) {
      kanji = true;
      i += 3;
      continue;
    }
    const int c = static_cast<unsigned char>(t[i]);
    bool test = true;
    if (quoteAware && RefIsQuote(c)) {
      if (quote < 0) {
        if (c != prev) quote = c;
      } else if (c == quote) {
        quote = -1;
      }
      test = false;
    } else if (quote >= 0 && !(c == '>' && RefIsQuote(prev))) {
      test = false;
    }
    if (test && delims.find(static_cast<char>(c)) != npos) return i;
    prev = c;
    ++i;
  }
  return npos;
}

// The first "-->" from pos + 2 outside JIS two-byte codes, plainly: npos when none.
std::size_t RefCommentEnd(std::size_t pos, std::string_view t) {
  for (std::size_t i = pos + 2;;) {
    const std::size_t dash = RefScanFor(i, t, "-", false);
    if (dash == npos) return npos;
    if (t.substr(dash, 3) == "-->") return dash + 3;
    i = dash + 1;
  }
}

std::string_view RefCutToken(std::string_view t, std::size_t& pos) {
  const std::size_t start = pos;
  std::size_t end;
  const std::size_t comment = t.substr(pos, 4) == "<!--" ? RefCommentEnd(pos, t) : npos;
  if (comment != npos) {
    end = comment;
  } else if (t[pos] == '<') {
    const std::size_t q = RefScanFor(pos, t, ">", true);
    end = q == npos ? t.size() : q + 1;
  } else {
    const std::size_t q = RefScanFor(pos, t, "<", false);
    end = q == npos ? t.size() : q;
  }
  pos = end;
  return t.substr(start, end - start);
}

void RefSkip(std::size_t& pos, std::string_view t) {
  while (pos < t.size() && !IsJisKanjiIn(t, pos)) {
    const unsigned char c = static_cast<unsigned char>(t[pos]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead || (c >= 0x21 && c <= 0x7E)) break;
    ++pos;
  }
}

// Cutting attribute texts with one full scan per question, as the rule reads.
bool RefReadAttributeText(std::size_t& pos, std::string_view t, std::string_view& out) {
  RefSkip(pos, t);
  if (pos >= t.size()) return false;
  const std::size_t start = pos;
  const std::size_t e = RefScanFor(start, t, "=", true);
  if (e != npos) {
    const std::size_t w = RefScanFor(start, t, " \r\n\t", true);
    std::size_t j = w;
    while (j < t.size() && (t[j] == ' ' || t[j] == '\r' || t[j] == '\n' || t[j] == '\t')) ++j;
    // Only blanks between the name and its '=': they belong to the separator.
    if (w != npos && w < e && j != e) {
      out = t.substr(start, w - start);
      pos = w;
      return true;
    }
    pos = e + 1;
    const std::string_view v = ReadWord(pos, t);
    if (!v.empty() && v.back() == '>') pos -= v.size();
    out = t.substr(start, pos - start);
    return true;
  }
  const std::size_t q = RefScanFor(start, t, " \r\n\t/>", true);
  if (q != npos && q > start) {
    out = t.substr(start, q - start);
    pos = q;
    return true;
  }
  return false;
}

std::vector<std::string> RefAttributeTexts(std::string_view tagText) {
  std::vector<std::string> out;
  if (tagText.empty() || tagText[0] != '<') return out;
  std::size_t pos = 1;
  const std::string_view name = ReadWord(pos, tagText);
  if (name.empty() || name.substr(0, 3) == "!--") return out;
  std::string_view a;
  while (RefReadAttributeText(pos, tagText, a)) out.emplace_back(a);
  return out;
}

// ---------------------------------------------------------------------------
// Page generator
// ---------------------------------------------------------------------------

class PageGen {
 public:
  explicit PageGen(std::uint32_t seed) : rng_(seed) {}

  std::string Page() {
    std::string p;
    if (Chance(30)) p += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\n";
    const int pieces = Int(1, 60);
    for (int i = 0; i < pieces; ++i) Piece(p);
    return p;
  }

  std::string Mutate(std::string s) {
    const int n = Int(1, 6);
    for (int k = 0; k < n; ++k) {
      const std::size_t at = s.empty() ? 0 : static_cast<std::size_t>(Int(0, static_cast<int>(s.size())));
      switch (Int(0, 5)) {
        case 0:
          if (at < s.size()) s[at] = static_cast<char>(Int(0, 255));
          break;
        case 1: {
          static const char* kBits[] = {"<", ">", "\"", "'", "=", "/", kEsc.c_str(), "\x1B$B",
                                        "\x1B(J", "\0", "\r\n", "<!--", "\x82", "/>"};
          const char* b = kBits[Int(0, 13)];
          s.insert(at, b[0] ? std::string(b) : std::string(1, '\0'));
          break;
        }
        case 2:
          if (at < s.size()) s.erase(at, static_cast<std::size_t>(Int(1, 12)));
          break;
        case 3:
          if (at < s.size()) s.insert(at, s.substr(at, static_cast<std::size_t>(Int(1, 20))));
          break;
        case 4:
          s.resize(at);
          break;
        default:
          s.insert(at, 1, static_cast<char>(Int(0, 255)));
      }
    }
    return s;
  }

 private:
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Int(0, 99) < percent; }
  template <std::size_t N>
  const char* Pick(const char* const (&a)[N]) { return a[Int(0, static_cast<int>(N) - 1)]; }

  void Piece(std::string& p) {
    switch (Int(0, 11)) {
      case 0: case 1: case 2: Tag(p); break;
      case 3: case 4: Text(p); break;
      case 5: p += "<!-- " + Word() + (Chance(30) ? " > " : " ") + "don't -->"; break;
      case 6:
        p += "<script language=\"JavaScript\">if (a<b && c>d) { s = \"</p>\"; t='x'; }";
        p += Chance(80) ? "</script>" : "";
        break;
      case 7: p += Chance(50) ? " < " : " > "; break;
      case 8: p += std::string(1, '\0') + Word(); break;
      case 9: Jis(p); break;
      case 10: p += "<" + Word() + (Chance(50) ? "" : " x=\"open"); break;  // unterminated
      default: p += Pick({"<br>", "<BR>", "<br/>", "<hr size=1 noshade>", "</td></tr>", "<p>"});
    }
  }

  std::string Word() {
    static const char* const kWords[] = {"index", "a.gif", "top", "Netscape", "page2.html",
                                         "x", "http://www.example.co.jp/dir/", "100%"};
    return Pick(kWords);
  }

  void Value(std::string& p) {
    switch (Int(0, 9)) {
      case 0: p += Word(); break;
      case 1: p += "\"" + Word() + " " + Word() + "\""; break;
      case 2: p += "'" + Word() + "'"; break;
      case 3: p += "\"multi\r\n   line\nvalue\""; break;
      case 4: p += "\"\""; break;
      case 5: p += "\"unbalanced"; break;
      case 6: p += "\"a>b\""; break;
      case 7: p += "\"\x93\xFA\x96\x7B\""; break;     // Shift_JIS in quotes
      case 8: p += Word() + "\x93\xFA\x96\x7B"; break;  // and unquoted
      default: p += "\"" + kJisIn + "F|K\\" + kJisOut + "\"";
    }
  }

  void Tag(std::string& p) {
    static const char* const kNames[] = {"a", "A", "img", "IMG", "td", "/td", "font", "META",
                                         "frame", "body", "/a", "input", "table"};
    static const char* const kAttrs[] = {"href", "HREF", "src", "SRC", "alt", "lowsrc",
                                         "name", "width", "content", "http-equiv"};
    p += "<";
    p += Pick(kNames);
    const int n = Int(0, 6);
    for (int i = 0; i < n; ++i) {
      p += Pick({" ", "  ", "\n", "\t", " \r\n "});
      if (Chance(15)) {
        p += Pick(kAttrs);  // no value
        continue;
      }
      p += Pick(kAttrs);
      p += Pick({"=", "=", "=", " = ", "= ", " ="});
      Value(p);
    }
    if (Chance(10)) p += " /";
    p += Chance(95) ? ">" : "";
  }

  void Text(std::string& p) {
    switch (Int(0, 4)) {
      case 0: p += "Hello, world. It's a \"test\" & more "; break;
      case 1: p += "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x58\x83\x67"; break;  // Shift_JIS
      case 2: p += "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE"; break;                          // EUC-JP
      case 3: p += "caf\xE9 na\xEFve "; break;                                         // Latin-1
      default: p += "\r\n  \t"; break;
    }
  }

  void Jis(std::string& p) {
    p += kJisIn;
    // Row and cell bytes are 0x21-0x7E, so '<', '>' and quotes occur inside kanji.
    const int pairs = Int(1, 6);
    for (int i = 0; i < pairs; ++i) {
      p += static_cast<char>(Int(0x21, 0x7E));
      p += static_cast<char>(Int(0x21, 0x7E));
    }
    if (Chance(85)) p += Pick({"\x1B(B", "\x1B(J"});
  }

  std::mt19937 rng_;
};

// Walks `page` and checks every property of the walk; returns the tokens.
std::vector<std::string> CheckWalk(const std::string& page) {
  THTMLParser parser;
  parser.SetText(page);
  std::vector<std::string> tokens;
  THTMLTag tag;
  std::string written;
  std::size_t pos = 0;
  std::size_t refPos = 0;
  bool more = parser.ReadFirstToken(pos, tag);
  while (more) {
    const std::string_view ref = RefCutToken(page, refPos);
    EXPECT_EQ(tag.Text(), ref) << "token at " << refPos;
    EXPECT_EQ(pos, refPos);
    EXPECT_FALSE(tag.Text().empty());
    written += tag.Text();
    tokens.push_back(tag.Text());

    // Attributes are cut from the tag text, in order, exactly as the plain rules cut them.
    const std::vector<std::string> refAttrs = RefAttributeTexts(tag.Text());
    if (tag.Kind() == HtmlTokenKind::Tag || tag.Kind() == HtmlTokenKind::Declaration) {
      EXPECT_EQ(static_cast<std::size_t>(tag.AttributeCount()), refAttrs.size()) << tag.Text();
      for (int i = 0; i < tag.AttributeCount() && static_cast<std::size_t>(i) < refAttrs.size(); ++i) {
        EXPECT_EQ(tag.Attributes(i).Text(), refAttrs[static_cast<std::size_t>(i)]);
        EXPECT_EQ(tag.Attributes(i).Index(), i);
      }
    } else {
      EXPECT_EQ(tag.AttributeCount(), 0);
    }
    const std::size_t before = pos;
    more = parser.ReadNextToken(pos, tag);
    if (more) {
      EXPECT_GT(pos, before);
    }
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_EQ(written, page);
  return tokens;
}

// Rewrites one attribute of every tag of `page` and checks that only its span changed.
void CheckRewrite(const std::string& page, std::mt19937& rng) {
  THTMLParser parser;
  parser.SetText(page);
  THTMLTag tag;
  std::size_t pos = 0;
  for (bool more = parser.ReadFirstToken(pos, tag); more; more = parser.ReadNextToken(pos, tag)) {
    if (tag.AttributeCount() == 0) continue;
    const std::string original = tag.Text();
    // Where each attribute stands: they are cut left to right without overlap.
    std::vector<std::size_t> at;
    std::size_t from = 1;
    ReadWord(from, original);  // behind the name
    for (int i = 0; i < tag.AttributeCount(); ++i) {
      const std::size_t f = original.find(tag.Attributes(i).Text(), from);
      ASSERT_NE(f, npos) << original;
      at.push_back(f);
      from = f + tag.Attributes(i).Text().size();
    }
    const int k = std::uniform_int_distribution<int>(0, tag.AttributeCount() - 1)(rng);
    THTMLEllement& a = tag.Attributes(k);
    const std::string oldText = a.Text();
    if (rng() % 2) {
      a.SetValue(a.Value() + "_new");
    } else {
      tag.RemoveAttribute(k);
    }
    const std::string newText = (static_cast<int>(tag.AttributeCount()) > k && &tag.Attributes(k) == &a)
                                    ? a.Text()
                                    : std::string();
    std::string expected = original;
    expected.replace(at[static_cast<std::size_t>(k)], oldText.size(), newText);
    ASSERT_EQ(tag.Text(), expected) << "in " << original;
  }
}

// ---------------------------------------------------------------------------
// The walk reproduces every input
// ---------------------------------------------------------------------------

TEST(HtmlWalk, GeneratedPagesComeBackByteForByte) {
  PageGen gen(20261208);
  for (int i = 0; i < 1500; ++i) {
    CheckWalk(gen.Page());
    if (HasFailure()) return;
  }
}

TEST(HtmlWalk, MutatedPagesComeBackByteForByte) {
  PageGen gen(7);
  for (int i = 0; i < 1500; ++i) {
    CheckWalk(gen.Mutate(gen.Page()));
    if (HasFailure()) return;
  }
}

TEST(HtmlWalk, RandomBytesComeBackByteForByte) {
  std::mt19937 rng(99);
  // Small alphabets make tags, quotes and shift sequences dense.
  const std::string alphabet = std::string("<>\"'= /!-abc\r\n\t\x1B$(B@J\x82\xA0") + std::string(1, '\0');
  for (int i = 0; i < 3000; ++i) {
    std::string s(rng() % 80, ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    CheckWalk(s);
    if (HasFailure()) return;
  }
}

TEST(HtmlWalk, RewritingChangesOnlyTheAttributeTouched) {
  PageGen gen(4242);
  std::mt19937 rng(5);
  for (int i = 0; i < 800; ++i) {
    const std::string page = i % 2 ? gen.Page() : gen.Mutate(gen.Page());
    CheckRewrite(page, rng);
    if (HasFailure()) return;
  }
}

TEST(HtmlWalk, TokensOfAPlainPage) {
  const std::string page =
      "<!DOCTYPE html>\r\n<HTML><!-- note --><a href=\"x.html\">link</a>< b>t";
  const std::vector<std::string> want = {"<!DOCTYPE html>", "\r\n", "<HTML>", "<!-- note -->",
                                         "<a href=\"x.html\">", "link", "</a>", "< b>", "t"};
  EXPECT_EQ(CheckWalk(page), want);

  THTMLParser parser;
  parser.SetText(page);
  THTMLTag tag;
  std::size_t pos = 0;
  std::vector<HtmlTokenKind> kinds;
  std::vector<std::string> names;
  for (bool more = parser.ReadFirstToken(pos, tag); more; more = parser.ReadNextToken(pos, tag)) {
    kinds.push_back(tag.Kind());
    names.push_back(tag.Name());
  }
  using K = HtmlTokenKind;
  EXPECT_EQ(kinds, (std::vector<K>{K::Declaration, K::Text, K::Tag, K::Comment, K::Tag, K::Text,
                                   K::Tag, K::Tag, K::Text}));
  EXPECT_EQ(names, (std::vector<std::string>{"!DOCTYPE", "", "HTML", "", "a", "", "/a", "b", ""}));
  // A walk can be started again; an empty page has no tokens.
  EXPECT_TRUE(parser.ReadFirstToken(pos, tag));
  EXPECT_EQ(tag.Text(), "<!DOCTYPE html>");
  THTMLParser empty;
  EXPECT_FALSE(empty.ReadFirstToken(pos, tag));
}

TEST(HtmlWalk, CommentsScriptsAndJisText) {
  // A comment ends at its first "-->", whatever quotes and '>' it holds; without one
  // it ends as a tag does.
  EXPECT_EQ(CheckWalk("<!-- a > b -->"), (std::vector<std::string>{"<!-- a > b -->"}));
  EXPECT_EQ(CheckWalk("<!-- don't touch --><a href=x>"),
            (std::vector<std::string>{"<!-- don't touch -->", "<a href=x>"}));
  EXPECT_EQ(CheckWalk("<!---->x<!-->y"), (std::vector<std::string>{"<!---->", "x", "<!-->", "y"}));
  EXPECT_EQ(CheckWalk("<!-- a > b"), (std::vector<std::string>{"<!-- a >", " b"}));
  // Inside a quote only a '>' right behind a quote byte ends the tag.
  EXPECT_EQ(CheckWalk("<a title=\"x>y\">z"), (std::vector<std::string>{"<a title=\"x>y\">", "z"}));
  EXPECT_EQ(CheckWalk("<a title=\"it\"s\">z"), (std::vector<std::string>{"<a title=\"it\"s\">", "z"}));
  // Text runs to the next '<' whatever quotes it holds.
  EXPECT_EQ(CheckWalk("say \"<b>\""), (std::vector<std::string>{"say \"", "<b>", "\""}));
  // A '<' inside a JIS two-byte code never starts a tag, in text or in a tag.
  const std::string jis = "a" + kJisIn + "<!>>" + kJisOut + "b<i t=" + kJisIn + "<>" + kJisOut + ">";
  EXPECT_EQ(CheckWalk(jis),
            (std::vector<std::string>{"a" + kJisIn + "<!>>" + kJisOut + "b",
                                      "<i t=" + kJisIn + "<>" + kJisOut + ">"}));
  // Without the shift back the rest of the page is kanji.
  EXPECT_EQ(CheckWalk("a" + kJisIn + "<b><c>"), (std::vector<std::string>{"a" + kJisIn + "<b><c>"}));
  // An unterminated tag takes the rest of the page.
  EXPECT_EQ(CheckWalk("x<img src=\"a.gif\n<p>text"),
            (std::vector<std::string>{"x", "<img src=\"a.gif\n<p>text"}));
}

// ---------------------------------------------------------------------------
// Scanners
// ---------------------------------------------------------------------------

TEST(HtmlScan, ScanForFollowsQuotesAndShiftSequences) {
  EXPECT_EQ(ScanFor(0, "ab>c", ">", true), 2u);
  EXPECT_EQ(ScanFor(3, "ab>c", ">", true), npos);
  EXPECT_EQ(ScanFor(9, "ab>c", ">", true), npos);
  EXPECT_EQ(ScanFor(0, "a'x>'>", ">", true), 5u);
  EXPECT_EQ(ScanFor(0, "a'x>'>", ">", false), 3u);
  EXPECT_EQ(ScanFor(0, "a'>'>", ">", true), 2u);  // '>' right behind a quote byte
  // A doubled quote opens nothing: the '>' behind it counts.
  EXPECT_EQ(ScanFor(0, "x=\"\"\"> ", ">", true), 5u);
  // A quote of the other kind inside a quote is just a byte.
  EXPECT_EQ(ScanFor(0, "\"a'>\"b>", ">", true), 3u);  // '>' right behind a quote byte
  EXPECT_EQ(ScanFor(0, "\"a'b>\"c>", ">", true), 7u);
  // Kanji: everything between the shift sequences is skipped, two bytes at a time.
  EXPECT_EQ(ScanFor(0, kJisIn + "<>" + kJisOut + "<", "<", false), 8u);
  EXPECT_EQ(ScanFor(0, "\x1B$@<>\x1B(J<", "<", false), 8u);
  EXPECT_EQ(ScanFor(0, "\x1B$b<>\x1B(j<", "<", false), 8u);  // lower case counts too
  EXPECT_EQ(ScanFor(0, "\x1B$A<", "<", false), 3u);          // not a kanji-in
  EXPECT_EQ(ScanFor(0, "\x1B$", "$", false), 1u);            // cut short: no sequence
  EXPECT_EQ(ScanFor(0, kJisIn + "<", "<", false), npos);
  EXPECT_EQ(ScanFor(0, "a b\tc", " \t", false), 1u);
}

TEST(HtmlScan, ScanForAgreesWithThePlainRules) {
  std::mt19937 rng(11);
  const std::string alphabet = "<>\"'= ab\x1B$(B@J";
  const char* delims[] = {">", "<", "=", " \r\n\t", " \r\n\t/>", "\x1B", "'"};
  for (int i = 0; i < 20000; ++i) {
    std::string s(rng() % 24, ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    const std::size_t pos = s.empty() ? 0 : rng() % s.size();
    const char* d = delims[rng() % 7];
    const bool aware = rng() % 2;
    ASSERT_EQ(ScanFor(pos, s, d, aware), RefScanFor(pos, s, d, aware))
        << "text [" << s << "] from " << pos << " for [" << d << "] aware " << aware;
  }
}

TEST(HtmlScan, AttributeCutsAgreeWithThePlainRules) {
  // Tags dense in slashes, quotes and blanks with an '=' here and there: the cases in
  // which a blank ends an attribute only if an '=' follows somewhere.
  std::mt19937 rng(23);
  const std::string alphabet = "aab/ / \"'=>\x1B$B(";
  THTMLTag tag;
  for (int i = 0; i < 30000; ++i) {
    std::string s = "<x ";
    const std::size_t len = rng() % 48;
    for (std::size_t k = 0; k < len; ++k) s += alphabet[rng() % alphabet.size()];
    tag.SetText(s);
    const std::vector<std::string> want = RefAttributeTexts(s);
    std::vector<std::string> got;
    for (int k = 0; k < tag.AttributeCount(); ++k) got.push_back(tag.Attributes(k).Text());
    ASSERT_EQ(got, want) << "tag [" << s << "]";
  }
}

TEST(HtmlScan, JisShiftSequences) {
  EXPECT_TRUE(IsJisKanjiIn("\x1B$B", 0));
  EXPECT_TRUE(IsJisKanjiIn("x\x1B$@", 1));
  EXPECT_TRUE(IsJisKanjiIn("\x1B$d", 0));
  EXPECT_FALSE(IsJisKanjiIn("\x1B$A", 0));
  EXPECT_FALSE(IsJisKanjiIn("\x1B$", 0));
  EXPECT_FALSE(IsJisKanjiIn("\x1B(B", 0));
  EXPECT_FALSE(IsJisKanjiIn("\x1B$B", 5));
  EXPECT_TRUE(IsJisKanjiOut("\x1B(B", 0));
  EXPECT_TRUE(IsJisKanjiOut("\x1B(i", 0));
  EXPECT_TRUE(IsJisKanjiOut("\x1B(J", 0));
  EXPECT_FALSE(IsJisKanjiOut("\x1B(C", 0));
  EXPECT_FALSE(IsJisKanjiOut("\x1B(", 0));
}

TEST(HtmlScan, ReadWord) {
  auto word = [](std::string_view text, std::size_t pos, std::size_t* after = nullptr) {
    const std::string w(ReadWord(pos, text));
    if (after) *after = pos;
    return w;
  };
  std::size_t after = 0;
  EXPECT_EQ(word("  \t\r\nIMG SRC", 0, &after), "IMG");
  EXPECT_EQ(after, 8u);
  EXPECT_EQ(word("   ", 0, &after), "");
  EXPECT_EQ(after, 3u);
  // "/>" and then '>' stay in the text.
  EXPECT_EQ(word("BR/>", 0, &after), "BR");
  EXPECT_EQ(after, 2u);
  EXPECT_EQ(word("x>", 0, &after), "x");
  EXPECT_EQ(after, 1u);
  EXPECT_EQ(word("/>", 0), "/");  // only longer words lose the "/>"
  EXPECT_EQ(word(">", 0), ">");
  EXPECT_EQ(word("a>>", 0), "a>");
  // A quote holds blanks and Japanese text; the closing quote ends the word.
  EXPECT_EQ(word("\"a b \x93\xFA\"c d", 0, &after), "\"a b \x93\xFA\"");
  EXPECT_EQ(after, 8u);
  EXPECT_EQ(word("ab\"c d\"e", 0), "ab\"c d\"");
  EXPECT_EQ(word("'open to the end", 0), "'open to the end");
  // An unquoted word ends at a byte of 0x80 and above; a lead byte starts no word.
  EXPECT_EQ(word("abc\x93\xFA", 0, &after), "abc");
  EXPECT_EQ(after, 3u);
  EXPECT_EQ(word("\x93\xFA", 0, &after), "");
  EXPECT_EQ(after, 0u);
  EXPECT_EQ(word("\x80\xA0x", 0), "x");  // not lead bytes: skipped like blanks
  // JIS text belongs to the word, blanks inside it too.
  EXPECT_EQ(word(kJisIn + "  " + kJisOut + "x y", 0), kJisIn + "  " + kJisOut + "x");
}

TEST(HtmlScan, NormalizeValueSpaces) {
  EXPECT_EQ(NormalizeValueSpaces("a\r\nb"), "ab");
  EXPECT_EQ(NormalizeValueSpaces("a\rb\nc"), "abc");
  EXPECT_EQ(NormalizeValueSpaces("a\n   \tb"), "a b");
  EXPECT_EQ(NormalizeValueSpaces("a \n  b"), "a  b");
  EXPECT_EQ(NormalizeValueSpaces("a\n \nb"), "a b");
  EXPECT_EQ(NormalizeValueSpaces("a\n  \t"), "a");
  EXPECT_EQ(NormalizeValueSpaces("a\nb\n  c\n  "), "ab c");
  EXPECT_EQ(NormalizeValueSpaces(std::string("\x01 x \x1F", 5)), "x");
  EXPECT_EQ(NormalizeValueSpaces(""), "");
  EXPECT_EQ(NormalizeValueSpaces("\x93\xFA \x96\x7B"), "\x93\xFA \x96\x7B");
}

// ---------------------------------------------------------------------------
// Tags and attributes
// ---------------------------------------------------------------------------

struct Attr {
  std::string name, separator, value, quote;
  bool operator==(const Attr&) const = default;
};

std::vector<Attr> AttrsOf(const THTMLTag& tag) {
  std::vector<Attr> out;
  for (int i = 0; i < tag.AttributeCount(); ++i) {
    const THTMLEllement& a = tag.Attributes(i);
    out.push_back({a.Name(), a.Separator(), a.Value(), a.Quote()});
  }
  return out;
}

std::ostream& operator<<(std::ostream& os, const Attr& a) {
  return os << "{" << a.name << "|" << a.separator << "|" << a.value << "|" << a.quote << "}";
}

TEST(HtmlTag, NamesAndAttributes) {
  THTMLTag tag;
  tag.SetText("<IMG SRC=a.gif ALT=x>");
  EXPECT_EQ(tag.Kind(), HtmlTokenKind::Tag);
  EXPECT_EQ(tag.Name(), "IMG");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"SRC", "=", "a.gif", ""}, {"ALT", "=", "x", ""}}));

  tag.SetText("<BR/>");
  EXPECT_EQ(tag.Name(), "BR");
  EXPECT_EQ(tag.AttributeCount(), 0);

  tag.SetText("<a href=\"x.html\" target = '_top' NOSHADE title=\"two\r\n   lines\"/>");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"href", "=", "x.html", "\""},
                                             {"target", " = ", "_top", "'"},
                                             {"NOSHADE", "", "", ""},
                                             {"title", "=", "two lines", "\""}}));
  EXPECT_EQ(tag.Attributes(1).Text(), "target = '_top'");

  tag.SetText("<a href=x/y/ b>");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"href", "=", "x/y/", ""}, {"b", "", "", ""}}));

  // An unquoted value ends before Japanese text, which starts the next attribute.
  tag.SetText("<img alt=abc\x93\xFA\x96\x7B>");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"alt", "=", "abc", ""}, {"\x93\xFA\x96\x7B", "", "", ""}}));

  // Unquoted values stay as written; values are never entity-decoded.
  tag.SetText("<a href=a&amp;b?q=1>");
  EXPECT_EQ(tag.Attributes(0).Value(), "a&amp;b?q=1");

  // A value-less attribute followed by a '/' word when an '=' comes later ...
  tag.SetText("<x a/b c=d>");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"a/b", "", "", ""}, {"c", "=", "d", ""}}));
  // ... and with no '=' at all the '/' ends it and the rest is not read.
  tag.SetText("<x a/b c>");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"a", "", "", ""}}));
  EXPECT_EQ(tag.Text(), "<x a/b c>");

  EXPECT_EQ(tag.FindAttribute("A"), 0);
  EXPECT_EQ(tag.FindAttribute("c"), -1);
}

TEST(HtmlTag, Kinds) {
  THTMLTag tag;
  tag.SetText("<!doctype html>");
  EXPECT_EQ(tag.Kind(), HtmlTokenKind::Declaration);
  EXPECT_EQ(tag.Name(), "!doctype");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"html", "", "", ""}}));
  tag.SetText("<!--x=1 y-->");
  EXPECT_EQ(tag.Kind(), HtmlTokenKind::Comment);
  EXPECT_EQ(tag.Name(), "");
  EXPECT_EQ(tag.AttributeCount(), 0);
  tag.SetText("<!-x>");
  EXPECT_EQ(tag.Kind(), HtmlTokenKind::Tag);
  tag.SetText("< >");
  EXPECT_EQ(tag.Kind(), HtmlTokenKind::Tag);  // the '>' is the name
  tag.SetText("<");
  EXPECT_EQ(tag.Kind(), HtmlTokenKind::Text);
  tag.SetText("< \x93\xFA>");
  EXPECT_EQ(tag.Kind(), HtmlTokenKind::Text);
  tag.SetText("plain");
  EXPECT_EQ(tag.Kind(), HtmlTokenKind::Text);
  EXPECT_EQ(tag.Name(), "");
  tag.SetText("</TD>");
  EXPECT_EQ(tag.Kind(), HtmlTokenKind::Tag);
  EXPECT_EQ(tag.Name(), "/TD");
}

TEST(HtmlTag, ChangingAValueRebuildsOnlyThatAttribute) {
  THTMLTag tag;
  tag.SetText("<IMG  SRC='a.gif' WIDTH=10>");
  THTMLEllement& src = tag.Attributes(0);
  src.SetValue("b.gif");
  EXPECT_EQ(src.Text(), "SRC='b.gif'");
  EXPECT_EQ(tag.Text(), "<IMG  SRC='b.gif' WIDTH=10>");
  tag.Attributes(1).SetValue("200");
  EXPECT_EQ(tag.Text(), "<IMG  SRC='b.gif' WIDTH=200>");
  src.SetValue("../images/c.gif");
  EXPECT_EQ(tag.Text(), "<IMG  SRC='../images/c.gif' WIDTH=200>");
  src.SetQuote("\"");
  EXPECT_EQ(tag.Text(), "<IMG  SRC=\"../images/c.gif\" WIDTH=200>");
  src.SetName("src");
  EXPECT_EQ(tag.Text(), "<IMG  src=\"../images/c.gif\" WIDTH=200>");

  // The separator is kept as written, blanks and all.
  tag.SetText("<a href= \"x.html\">");
  tag.Attributes(0).SetValue("y.html");
  EXPECT_EQ(tag.Text(), "<a href= \"y.html\">");

  // A quoted value with line breaks is rewritten whole.
  tag.SetText("<a href=\"x\r\n.html\">");
  EXPECT_EQ(tag.Attributes(0).Value(), "x.html");
  tag.Attributes(0).SetValue("local/x.html");
  EXPECT_EQ(tag.Text(), "<a href=\"local/x.html\">");
}

TEST(HtmlTag, LookAlikesElsewhereInTheTagStayUntouched) {
  THTMLTag tag;
  tag.SetText("<img lowsrc=a.gif src=a.gif>");
  tag.Attributes(1).SetValue("img/a.gif");
  EXPECT_EQ(tag.Text(), "<img lowsrc=a.gif src=img/a.gif>");
  tag.Attributes(0).SetValue("img/low.gif");
  EXPECT_EQ(tag.Text(), "<img lowsrc=img/low.gif src=img/a.gif>");

  tag.SetText("<a href=x.html title=\"see href=x.html\">");
  tag.Attributes(0).SetValue("y.html");
  EXPECT_EQ(tag.Text(), "<a href=y.html title=\"see href=x.html\">");

  // A value-less attribute named like the tag.
  tag.SetText("<a a>");
  tag.Attributes(0).SetName("b");
  EXPECT_EQ(tag.Text(), "<a b>");
}

TEST(HtmlTag, ValuesThatWouldVanishOnRebuild) {
  THTMLTag tag;
  // An empty value keeps its '=' so that a value set later lands behind it.
  tag.SetText("<img alt= >");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"alt", "= ", "", ""}}));
  tag.Attributes(0).SetValue("x");
  EXPECT_EQ(tag.Text(), "<img alt= x>");
  // (a blank behind the '=' does not end the value: the next word is the value)
  tag.SetText("<img alt= src=a.gif>");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"alt", "= ", "src=a.gif", ""}}));

  // A quoted value standing alone keeps its text when changed.
  tag.SetText("<a 'x.html'>");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"", "", "x.html", "'"}}));
  tag.Attributes(0).SetValue("y.html");
  EXPECT_EQ(tag.Text(), "<a 'y.html'>");
  // Blanks around the '=' belong to the separator: href = 'x' is one attribute.
  tag.SetText("<a href = 'x.html' name\t=\r\ntop>");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"href", " = ", "x.html", "'"},
                                             {"name", "\t=\r\n", "top", ""}}));
  tag.Attributes(0).SetValue("y.html");
  EXPECT_EQ(tag.Text(), "<a href = 'y.html' name\t=\r\ntop>");
}

TEST(HtmlTag, OnChangeReportsOwnerIndexAndTexts) {
  THTMLTag tag;
  tag.SetText("<a name=top href=x.html>");
  THTMLEllement& href = tag.Attributes(1);
  int calls = 0;
  href.OnChange = [&](THTMLEllement& owner, int index, const std::string& oldText,
                      const std::string& newText) {
    ++calls;
    EXPECT_EQ(&owner, &href);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(oldText, "href=x.html");
    EXPECT_EQ(newText, "href=y.html");
    tag.AttributeChanged(owner, index, oldText, newText);
  };
  href.SetValue("y.html");
  href.SetValue("y.html");  // no change, no call
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(tag.Text(), "<a name=top href=y.html>");

  // A free attribute has no handler and simply rebuilds its text.
  THTMLEllement loose;
  loose.SetText("SRC=\"a.gif\"");
  EXPECT_EQ(loose.Index(), -1);
  loose.SetValue("b.gif");
  EXPECT_EQ(loose.Text(), "SRC=\"b.gif\"");
  loose.SetText("  alt = x");
  EXPECT_EQ(loose.Name(), "alt");
  EXPECT_EQ(loose.Separator(), " = ");
  EXPECT_EQ(loose.Value(), "x");
  loose.SetText("'q v'");
  EXPECT_EQ(loose.Name(), "");
  EXPECT_EQ(loose.Value(), "q v");
  EXPECT_EQ(loose.Quote(), "'");
  loose.SetText("\"");
  EXPECT_EQ(loose.Name(), "\"");
  EXPECT_EQ(loose.Quote(), "");

  // Handed text that is not where the attribute stands, the tag replaces every
  // occurrence of it.
  tag.SetText("<p class=x id=q>class=x</p>");
  tag.AttributeChanged(tag.Attributes(1), 0, "class=x", "class=y");
  EXPECT_EQ(tag.Text(), "<p class=y id=q>class=y</p>");
  tag.AttributeChanged(tag.Attributes(1), 0, "", "z");
  EXPECT_EQ(tag.Text(), "<p class=y id=q>class=y</p>");
}

TEST(HtmlTag, RemoveAttribute) {
  THTMLTag tag;
  tag.SetText("<img lowsrc=a.gif src=a.gif alt=\"a picture\" border=0>");
  tag.RemoveAttribute(1);
  EXPECT_EQ(tag.Text(), "<img lowsrc=a.gif  alt=\"a picture\" border=0>");
  ASSERT_EQ(tag.AttributeCount(), 3);
  EXPECT_EQ(tag.Attributes(1).Name(), "alt");
  EXPECT_EQ(tag.Attributes(1).Index(), 1);
  EXPECT_EQ(tag.Attributes(2).Index(), 2);
  // The later attributes are still found where they now stand.
  tag.Attributes(2).SetValue("1");
  EXPECT_EQ(tag.Text(), "<img lowsrc=a.gif  alt=\"a picture\" border=1>");
  tag.RemoveAttribute(3);
  tag.RemoveAttribute(-1);
  EXPECT_EQ(tag.AttributeCount(), 3);
  tag.RemoveAttribute(0);
  tag.RemoveAttribute(0);
  tag.RemoveAttribute(0);
  EXPECT_EQ(tag.AttributeCount(), 0);
  EXPECT_EQ(tag.Text(), "<img    >");
  // The spare objects come back clean for the next token.
  tag.SetText("<a href=1>");
  EXPECT_EQ(AttrsOf(tag), (std::vector<Attr>{{"href", "=", "1", ""}}));
  tag.Attributes(0).SetValue("2");
  EXPECT_EQ(tag.Text(), "<a href=2>");
}

TEST(HtmlTag, LongUnterminatedTagIsCutInOnePass) {
  // A stray '<' before a long run of words with slashes and one '=' at the very end:
  // reading each attribute by a scan to the end would take minutes here.
  std::string text = "<";
  for (int i = 0; i < 100000; ++i) text += "a/b ";
  text += "x=y";
  THTMLTag tag;
  tag.SetText(text);
  EXPECT_EQ(tag.Name(), "a/b");
  ASSERT_EQ(tag.AttributeCount(), 100000);
  EXPECT_EQ(tag.Attributes(99998).Text(), "a/b");
  EXPECT_EQ(tag.Attributes(99999).Text(), "x=y");
  // The same without the '=': the first '/' ends the first attribute, and the cut
  // then stops at the '/'.
  text.resize(text.size() - 3);
  tag.SetText(text);
  ASSERT_EQ(tag.AttributeCount(), 1);
  EXPECT_EQ(tag.Attributes(0).Text(), "a");
  EXPECT_EQ(RefAttributeTexts("<a/b a/b a/b"), (std::vector<std::string>{"a"}));
}

// ---------------------------------------------------------------------------
// Pages: charset and title
// ---------------------------------------------------------------------------

std::string Page(const std::string& head, const std::string& body = "<p>\x82\xA0</p>") {
  return "<HTML><HEAD>" + head + "</HEAD><BODY>" + body + "</BODY></HTML>";
}

TEST(HtmlPage, CharsetFromMeta) {
  THTMLParser p;
  p.SetText(Page("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">"));
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::ShiftJis);
  EXPECT_EQ(p.Charset(), "X-SJIS");

  const struct {
    const char* content;
    HtmlCharsetType type;
    const char* charset;
  } rows[] = {
      {"text/html; charset=Shift_JIS", HtmlCharsetType::ShiftJis, "SHIFT_JIS"},
      {"text/html;charset=iso-2022-jp", HtmlCharsetType::Iso2022Jp, "ISO-2022-JP"},
      {"text/html; charset = euc-jp", HtmlCharsetType::EucJp, "EUC-JP"},
      {"text/html; charset=x_euc_japan", HtmlCharsetType::EucJp, "X_EUC_JAPAN"},
      {"text/html; charset=utf-8", HtmlCharsetType::Utf8, "UTF-8"},
      {"text/html; charset=US-ASCII", HtmlCharsetType::Western, "US-ASCII"},
      {"text/html; charset=Windows-1252", HtmlCharsetType::ShiftJis, "WINDOWS-1252"},
      {"text/html; charset=euc-jp;", HtmlCharsetType::Other, "EUC-JP;"},
      {"text/html; charset=big5", HtmlCharsetType::Other, "BIG5"},
  };
  for (const auto& r : rows) {
    p.SetText(Page(std::string("<meta http-equiv=content-type content=\"") + r.content + "\">"));
    EXPECT_EQ(p.CharsetType(), r.type) << r.content;
    EXPECT_EQ(p.Charset(), r.charset) << r.content;
  }

  // Attributes in another order, or another attribute first, do not count; the type
  // then comes from the bytes.
  p.SetText(Page("<META CONTENT=\"text/html; charset=euc-jp\" HTTP-EQUIV=\"Content-Type\">"));
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::ShiftJis);
  EXPECT_EQ(p.Charset(), "");
  p.SetText(Page("<META NAME=x HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=euc-jp\">"));
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::ShiftJis);
  // The first META that declares a charset wins.
  p.SetText(Page("<meta http-equiv=Content-Type content=\"text/html\">"
                 "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
                 "<meta http-equiv=Content-Type content=\"text/html; charset=euc-jp\">"));
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::Utf8);
  // A META outside the head is not read.
  p.SetText(Page("", "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"));
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::Western);
}

TEST(HtmlPage, HeadTagsAndDetection) {
  THTMLParser p;
  // No HEAD: no head tags, no title, type from the bytes.
  p.SetText("<title>t</title><p>\xC6\xFC\xCB\xDC\xB8\xEC</p>");
  EXPECT_EQ(p.HeadTagCount(), 0);
  EXPECT_EQ(p.Title(), "");
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::EucJp);
  EXPECT_EQ(p.Charset(), "");  // SetText names no charset
  p.SetText("plain ascii");
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::Western);
  p.SetText(std::string("<head>\x01\x02", 8));
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::Undetermined);

  p.SetText("<html><head><title>T</title>\n</head><body>");
  ASSERT_EQ(p.HeadTagCount(), 4);
  EXPECT_EQ(p.HeadTags(0).Name(), "title");
  EXPECT_EQ(p.HeadTags(1).Text(), "T");
  EXPECT_EQ(p.HeadTags(3).Text(), "\n");
  EXPECT_EQ(p.Title(), "T");
  // An unclosed head runs to the end of the page.
  p.SetText("<HEAD><TITLE>x</TITLE><BODY>y");
  EXPECT_EQ(p.HeadTagCount(), 5);

  // SetText with the same bytes keeps everything; Clear empties everything.
  const THTMLTag* first = &p.HeadTags(0);
  p.SetText("<HEAD><TITLE>x</TITLE><BODY>y");
  EXPECT_EQ(&p.HeadTags(0), first);
  p.Clear();
  EXPECT_EQ(p.HeadTagCount(), 0);
  EXPECT_EQ(p.Text(), "");
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::Undetermined);
}

TEST(HtmlPage, TitleRules) {
  THTMLParser p;
  p.SetText(Page("<TITLE></TITLE><TITLE>second</TITLE>"));
  EXPECT_EQ(p.Title(), "second");  // the end tag was consumed; a later TITLE still counts
  p.SetText(Page("<title></title>"));
  EXPECT_EQ(p.Title(), "");
  p.SetText(Page("<title>first</title><title>second</title>"));
  EXPECT_EQ(p.Title(), "first");
  p.SetText(Page("<title>"));
  EXPECT_EQ(p.Title(), "");
  // SetText leaves the title raw.
  p.SetText(Page("<title>\r\n  a &amp; b\n</title>"));
  EXPECT_EQ(p.Title(), "\r\n  a &amp; b\n");
}

class HtmlFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("html_parser_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::string TitleOf(const std::string& bytes, HtmlCharsetType* type = nullptr,
                      std::string* charset = nullptr) {
    THTMLParser p;
    p.SetFileName(Write("page" + std::to_string(++n_) + ".html", bytes));
    if (type) *type = p.CharsetType();
    if (charset) *charset = p.Charset();
    return p.Title();
  }

  std::filesystem::path dir_;
  int n_ = 0;
};

const std::string kNihongoSjis = "\x93\xFA\x96\x7B\x8C\xEA";

TEST_F(HtmlFileTest, TitlesInEachEncodingComeOutInShiftJis) {
  HtmlCharsetType type;
  std::string charset;
  // Shift_JIS, declared and detected.
  EXPECT_EQ(TitleOf(Page("<title>" + kNihongoSjis + "</title>"), &type, &charset), kNihongoSjis);
  EXPECT_EQ(type, HtmlCharsetType::ShiftJis);
  EXPECT_EQ(charset, "Shift_JIS");
  // EUC-JP, declared and detected.
  const std::string euc = "\xC6\xFC\xCB\xDC\xB8\xEC";
  EXPECT_EQ(TitleOf(Page("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">"
                         "<title>" + euc + "</title>"),
                    &type, &charset),
            kNihongoSjis);
  EXPECT_EQ(charset, "EUC-JP");
  EXPECT_EQ(TitleOf(Page("<title>" + euc + "</title>", euc), &type, &charset), kNihongoSjis);
  EXPECT_EQ(type, HtmlCharsetType::EucJp);
  EXPECT_EQ(charset, "EUC-JP");
  // ISO-2022-JP, detected; a '<' inside the kanji does not end the title.
  const std::string jis = kJisIn + "F|K\\8l" + kJisOut;
  EXPECT_EQ(TitleOf(Page("<title>" + jis + "</title>", "x"), &type, &charset), kNihongoSjis);
  EXPECT_EQ(type, HtmlCharsetType::Iso2022Jp);
  EXPECT_EQ(charset, "ISO-2022-JP");
  EXPECT_EQ(TitleOf(Page("<title>" + kJisIn + "$<" + kJisOut + "</title>", "x")), "\x82\xBA");
  // UTF-8, declared (detection cannot tell it).
  EXPECT_EQ(TitleOf(Page("<meta http-equiv=content-type content='text/html; charset=utf-8'>"
                         "<title>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E caf\xC3\xA9</title>"),
                    &type, &charset),
            kNihongoSjis + " caf?");
  EXPECT_EQ(type, HtmlCharsetType::Utf8);
  EXPECT_EQ(charset, "UTF-8");
  // A character beyond 16 bits and a cut-off sequence do not take their neighbours along.
  EXPECT_EQ(TitleOf(Page("<meta http-equiv=content-type content='text/html; charset=utf-8'>"
                         "<title>a\xF0\x9F\x98\x80" "b\xE6\x97</title>")),
            "a?b?");
  // A declared windows-1252 or an unknown name leaves the title alone.
  EXPECT_EQ(TitleOf(Page("<meta http-equiv=content-type content='text/html; charset=windows-1252'>"
                         "<title>caf\xE9</title>"),
                    &type),
            "caf\xE9");
  EXPECT_EQ(type, HtmlCharsetType::ShiftJis);
  EXPECT_EQ(TitleOf(Page("<meta http-equiv=content-type content='text/html; charset=euc-jp;'>"
                         "<title>" + euc + "</title>"),
                    &type, &charset),
            euc);
  EXPECT_EQ(type, HtmlCharsetType::Other);
  EXPECT_EQ(charset, "EUC-JP;");
}

TEST_F(HtmlFileTest, TitleCleanUp) {
  EXPECT_EQ(TitleOf(Page("<title>\r\n  Tom &amp; Jerry\r\n   &copy; 1999&nbsp;&reg;\n</title>")),
            "Tom & Jerry (c) 1999 (R)");
  EXPECT_EQ(TitleOf(Page("<title>&lt;b&gt; &quot;q&quot; &amp;lt; &#65; &eacute; &LT;</title>")),
            "<b> \"q\" &lt; &#65; &eacute; &LT;");
  EXPECT_EQ(TitleOf(Page("<title>  &nbsp;x</title>")), " x");  // trimmed before entities
}

TEST_F(HtmlFileTest, LoadingFiles) {
  THTMLParser p;
  const std::string path = Write("a.html", Page("<title>one</title>"));
  p.SetFileName(path);
  EXPECT_EQ(p.FileName(), path);
  EXPECT_EQ(p.Title(), "one");
  EXPECT_EQ(p.Text(), Page("<title>one</title>"));
  // The same name again does not read the file again.
  Write("a.html", Page("<title>two</title>"));
  p.SetFileName(path);
  EXPECT_EQ(p.Title(), "one");

  // A file that cannot be read leaves the parser cleared.
  p.SetFileName((dir_ / "missing.html").string());
  EXPECT_EQ(p.FileName(), "");
  EXPECT_EQ(p.Title(), "");
  EXPECT_EQ(p.Text(), "");
  EXPECT_EQ(p.HeadTagCount(), 0);
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::Undetermined);
  THTMLTag tag;
  std::size_t pos = 7;
  EXPECT_FALSE(p.ReadFirstToken(pos, tag));
  p.SetFileName(dir_.string());  // a folder
  EXPECT_EQ(p.Text(), "");

  // Reading it again now gets the new content.
  p.SetFileName(path);
  EXPECT_EQ(p.Title(), "two");
  std::string bytes;
  EXPECT_TRUE(ReadFileText(path, bytes));
  EXPECT_EQ(bytes, p.Text());
  EXPECT_FALSE(ReadFileText((dir_ / "missing.html").string(), bytes));

  // An empty file: nothing to walk, detected as plain text.
  p.SetFileName(Write("empty.html", ""));
  EXPECT_EQ(p.FileName(), (dir_ / "empty.html").string());
  EXPECT_EQ(p.CharsetType(), HtmlCharsetType::Western);
  EXPECT_FALSE(p.ReadFirstToken(pos, tag));
}

TEST(HtmlCharset, Tables) {
  EXPECT_EQ(CharsetTypeFromName("SHIFT_JIS"), HtmlCharsetType::ShiftJis);
  EXPECT_EQ(CharsetTypeFromName("x-Sjis"), HtmlCharsetType::ShiftJis);
  EXPECT_EQ(CharsetTypeFromName("X_EUC_JP"), HtmlCharsetType::EucJp);
  EXPECT_EQ(CharsetTypeFromName("utf8"), HtmlCharsetType::Other);
  EXPECT_EQ(CharsetTypeFromName(""), HtmlCharsetType::Other);
  EXPECT_EQ(CanonicalCharsetName(HtmlCharsetType::ShiftJis), "Shift_JIS");
  EXPECT_EQ(CanonicalCharsetName(HtmlCharsetType::Western), "ISO-8859-1");
  EXPECT_EQ(CanonicalCharsetName(HtmlCharsetType::Other), "");
  EXPECT_EQ(DetectCharsetType(kJisIn + "0!" + kJisOut), HtmlCharsetType::Iso2022Jp);
  EXPECT_EQ(DetectCharsetType("\x1B$@0!"), HtmlCharsetType::Iso2022Jp);
  EXPECT_EQ(DetectCharsetType("\xA4\xA2"), HtmlCharsetType::Undetermined);  // EUC or Shift_JIS
  EXPECT_EQ(DetectCharsetType("\x82\xA0"), HtmlCharsetType::ShiftJis);
  EXPECT_EQ(DetectCharsetType("ab\xFF" "c"), HtmlCharsetType::Undetermined);
  EXPECT_EQ(DetectCharsetType("abc\xFF"), HtmlCharsetType::Western);  // the last byte is not read
}

}  // namespace

// The title from a page's first bytes is either left open or the very title the whole
// page gives, at every cut; pages that close their head early are settled by it.
TEST_F(HtmlFileTest, TitleFromTheHeadAgreesWithTheWholePageAtEveryCut) {
  const std::string euc = "\xC6\xFC\xCB\xDC\xB8\xEC";
  const std::string filler(300, 'x');
  struct Row {
    std::string page;
    bool settledWhole;  // the whole page (plus a tail) settles it
  };
  const Row rows[] = {
      {"<HTML><Head><Title>Tom's &amp; Jerry's page</Title></Head><body>" + filler, true},
      // A comment with an apostrophe and a '>' inside, before the title.
      {"<html><head><!-- it's <b>old</b> --><title>Index of /?page=2#top</title></head>" +
           filler, true},
      // The charset is declared after the title.
      {"<html><head><title>" + euc + "</title><meta http-equiv=\"Content-Type\" "
       "content=\"text/html; charset=EUC-JP\"></head>" + filler, true},
      // A non-ASCII title without a declaration needs the whole page's code detection.
      {"<html><head><title>" + euc + "</title></head><body>" + euc + filler, false},
      // A comment that runs past the head's end.
      {"<html><head><!-- <title>no</title></head> --><title>yes</title></head>" + filler, true},
      // No head at all, and a head that never ends.
      {"<title>bare</title>" + filler, false},
      {"<html><head><title>open" + filler, false},
      // A shift sequence anywhere in the head.
      {"<html><head><title>\x1B$BF|K\\8l\x1B(B</title></head>" + filler, false},
  };
  for (const Row& row : rows) {
    const std::string whole = TitleOf(row.page);
    std::string title;
    for (std::size_t cut = 0; cut <= row.page.size(); ++cut) {
      title = "unset";
      if (THTMLParser::TitleFromHead(std::string_view(row.page).substr(0, cut), title)) {
        EXPECT_EQ(title, whole) << row.page << " cut at " << cut;
      } else {
        EXPECT_EQ(title, "unset");
      }
    }
    EXPECT_EQ(THTMLParser::TitleFromHead(row.page, title), row.settledWhole) << row.page;
  }
}
