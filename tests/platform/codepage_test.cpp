#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace platform;

namespace {

// CP932 bytes of a few characters whose trail byte looks like ASCII.
const std::string kHyou = "\x95\x5C";      // 表, trail is '\'
const std::string kSo = "\x83\x5C";        // ソ, trail is '\'
const std::string kBo = "\x83\x7B";        // ボ, trail is '{'
const std::string kPo = "\x83\x7C";        // ポ, trail is '|'
const std::string kFullA = "\x82\x60";     // Ａ, trail is '`'
const std::string kKatakanaA = "\x83\x41"; // ア, trail is 'A'

TEST(CodePageScan, TrailBytesAreRecognisedFromTheStart) {
  std::string s = "a" + kHyou + "\\" + kSo + kKatakanaA;
  // a 95 5C 5C 83 5C 83 41
  EXPECT_FALSE(IsTrailByteAt(s, 0));
  EXPECT_FALSE(IsTrailByteAt(s, 1));
  EXPECT_TRUE(IsTrailByteAt(s, 2));
  EXPECT_FALSE(IsTrailByteAt(s, 3));
  EXPECT_FALSE(IsTrailByteAt(s, 4));
  EXPECT_TRUE(IsTrailByteAt(s, 5));
  EXPECT_TRUE(IsTrailByteAt(s, 7));
  EXPECT_FALSE(IsTrailByteAt(s, 8));  // past the end
  // A lead byte at the very end has no trail.
  std::string cut = "ab\x83";
  EXPECT_FALSE(IsTrailByteAt(cut, 2));
  // Two lead-valued bytes in a row: the second is a trail, the third starts anew.
  std::string pair = "\x81\x81\x81\x40";
  EXPECT_TRUE(IsTrailByteAt(pair, 1));
  EXPECT_FALSE(IsTrailByteAt(pair, 2));
  EXPECT_TRUE(IsTrailByteAt(pair, 3));
}

TEST(CodePageScan, CharLengthPairsALeadByteOnlyWithATrailByte) {
  struct Row {
    std::string text;
    std::size_t at, length;
  };
  const Row rows[] = {
      {"a", 0, 1},
      {kHyou, 0, 2},           // trail '\\' is a trail byte
      {kPo, 0, 2},             // so is '|'
      {kKatakanaA, 0, 2},      // and 'A'
      {"\x81\x40", 0, 2},       // lowest trail
      {"\x9F\xFC", 0, 2},       // highest lead and trail of the first range
      {"\xE0\x80", 0, 2},
      {"\xFC\x7E", 0, 2},
      {"\x83/", 0, 1},          // a separator is never swallowed
      {"\x83?", 0, 1},
      {"\x83 ", 0, 1},
      {std::string("\x83\0", 2), 0, 1},
      {"\x83\t", 0, 1},
      {"\x83\x7F", 0, 1},
      {"\x83\xFD", 0, 1},
      {"\x83\x3F", 0, 1},
      {"\x83", 0, 1},           // cut off by the end
      {"ab\x83", 2, 1},
      {"\xA0\x40", 0, 1},       // not a lead byte (half-width range)
      {"\x80\x40", 0, 1},
      {"\xFD\x40", 0, 1},
      {"\x81\x81\x40", 1, 2},  // read on its own, a lead-valued trail leads again
  };
  for (const Row& r : rows) EXPECT_EQ(AnsiCharLength(r.text, r.at), r.length) << r.text;
  // A stray lead byte no longer hides the '/' after it from the searches.
  EXPECT_EQ(AnsiFind("a\x83/b", '/'), 2u);
  EXPECT_FALSE(IsTrailByteAt("a\x83/b", 2));
}

TEST(CodePageConvert, Utf8ReadingIsLenientAndAlwaysWellFormed) {
  struct Row {
    std::string utf8;
    std::u16string utf16;
  };
  const Row rows[] = {
      {"a\xC3\xA9\xE3\x81\x82", u"a\u00E9\u3042"},
      {"\xF0\x9F\x98\x80!", u"\U0001F600!"},           // a surrogate pair
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},  // U+0000 is kept
      {"caf\xE9s", u"caf\u00E9s"},                        // Latin-1 stays readable
      {"\x80\xBF\xFF", u"\u0080\u00BF\u00FF"},           // stray bytes stand for themselves
      {"\xE3" "AB", u"\u00E3AB"},                         // ASCII is never swallowed
      {"\xE3\x81/", u"\u00E3\u0081/"},
      {"\xC0\xAF", u"\uFFFD"},                           // overlong '/'
      {"\xE0\x80\x80", u"\uFFFD"},
      {"\xED\xA0\x80x", u"\uFFFDx"},                    // a surrogate spelled in UTF-8
      {"\xF4\x90\x80\x80", u"\uFFFD"},                  // beyond U+10FFFF
      {"a\xE3\x81", u"a\uFFFD"},                         // cut off by the end
      {"a\xF0", u"a\uFFFD"},
      {"", u""},
  };
  for (const Row& r : rows) EXPECT_EQ(Utf8ToUtf16(r.utf8), r.utf16) << r.utf8;
}

TEST(CodePageScan, FindNeverMatchesTrailBytes) {
  std::string path = "C:\\" + kHyou + kSo + "\\x" + kPo + "|y";
  // Positions: C0 :1 \2 95 3 5C 4 83 5 5C 6 \7 x8 83 9 7C 10 |11 y12
  EXPECT_EQ(AnsiFind(path, '\\'), 2u);
  EXPECT_EQ(AnsiFind(path, '\\', 3), 7u);
  EXPECT_EQ(AnsiFindLast(path, '\\'), 7u);
  EXPECT_EQ(AnsiFind(path, '|'), 11u);
  EXPECT_EQ(AnsiFindLast(path, '|'), 11u);
  EXPECT_EQ(AnsiFind(kHyou + kSo, '\\'), npos);
  EXPECT_EQ(AnsiFindLast(kHyou + kSo, '\\'), npos);
  EXPECT_EQ(AnsiFind(kBo, '{'), npos);
  EXPECT_EQ(AnsiFind(kFullA, '`'), npos);
  EXPECT_EQ(AnsiFind("", 'a'), npos);
}

TEST(CodePageScan, SubstringSearchesStartOnCharacterBoundaries) {
  // "\x5C\x83" occurs straddling 表 and ソ but is not a real match.
  std::string s = kHyou + kSo + "\\" + kSo;
  EXPECT_EQ(AnsiFindStr(s, "\\\x83"), 4u);
  EXPECT_EQ(AnsiFindLastStr(s, "\\\x83"), 4u);
  EXPECT_EQ(AnsiFindStr(s, kSo), 2u);
  EXPECT_EQ(AnsiFindStr(s, kSo, 4), 5u);
  EXPECT_EQ(AnsiFindLastStr(s, kSo), 5u);
  EXPECT_EQ(AnsiFindStr(s, "zz"), npos);
  EXPECT_EQ(AnsiFindStr("abc", "", 1), 1u);
  EXPECT_EQ(AnsiFindStr("abc", "c", 9), npos);
  EXPECT_EQ(AnsiFindLastStr("abcabc", "bc"), 4u);
  // Katakana ア has trail 'A'; searching for "A" must skip it.
  EXPECT_EQ(AnsiFindStr(kKatakanaA + "A", "A"), 2u);
}

TEST(CodePageScan, ReplaceAllLeavesDoubleByteCharactersIntact) {
  std::string s = "a\\" + kHyou + "\\" + kSo + "b";
  EXPECT_EQ(AnsiReplaceAll(s, "\\", "/"), "a/" + kHyou + "/" + kSo + "b");
  EXPECT_EQ(AnsiReplaceAll("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(AnsiReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(AnsiReplaceAll(kPo + "|", "|", "%7C"), kPo + "%7C");
}

TEST(CodePageCase, OnlySingleByteLettersChange) {
  std::string s = "ABC" + kKatakanaA + kFullA + "Xyz" + "\x83\x5A";  // セ, trail 'Z'
  std::string lower = AnsiLowerCase(s);
  EXPECT_EQ(lower, "abc" + kKatakanaA + kFullA + "xyz" + "\x83\x5A");
  std::string upper = AnsiUpperCase("abc\x83\x61z");  // trail 'a' stays
  EXPECT_EQ(upper, "ABC\x83\x61Z");
  EXPECT_EQ(AnsiLowerCase("HTTP://WWW.EXAMPLE.COM/"), "http://www.example.com/");
}

TEST(CodePageConvert, KnownCharactersMapLikeWindows31J) {
  EXPECT_EQ(AnsiToUtf16(kHyou), u"\u8868");
  EXPECT_EQ(AnsiToUtf16(kSo), u"\u30BD");
  EXPECT_EQ(AnsiToUtf16(kBo), u"\u30DC");
  EXPECT_EQ(AnsiToUtf16(kPo), u"\u30DD");
  EXPECT_EQ(AnsiToUtf16(kFullA), u"\uFF21");
  // Backslash and tilde stay ASCII (not yen sign / overline).
  EXPECT_EQ(AnsiToUtf16("\\~"), u"\\~");
  // The wave dash row maps to the full-width tilde, as on Windows.
  EXPECT_EQ(AnsiToUtf16("\x81\x60"), u"\uFF5E");
  // NEC row 13 (circled one) and the IBM extension (ⅰ) exist.
  EXPECT_EQ(AnsiToUtf16("\x87\x40"), u"\u2460");
  EXPECT_EQ(AnsiToUtf16("\xFA\x40"), u"\u2170");
  // Half-width katakana are single bytes.
  EXPECT_EQ(AnsiToUtf16("\xB1"), u"\uFF71");
  EXPECT_EQ(AnsiToUtf8(kHyou + "a"), "\xE8\xA1\xA8" "a");
}

TEST(CodePageConvert, PlainAsciiTextConvertsAsInsideJapaneseText) {
  // Text of ASCII bytes only takes a shorter way; behind a Japanese character the same
  // byte goes through the converter, and both must give the same.
  const std::string a = "\x82\xA0";        // あ in CP932
  const std::string aUtf8 = "\xE3\x81\x82";  // あ in UTF-8
  for (int c = 0; c < 0x80; ++c) {
    SCOPED_TRACE(c);
    const std::string byte(1, static_cast<char>(c));
    const std::string text = byte + "x" + byte;
    EXPECT_EQ(aUtf8 + AnsiToUtf8(text), AnsiToUtf8(a + text));
    EXPECT_EQ(u"\u3042" + AnsiToUtf16(text), AnsiToUtf16(a + text));
    EXPECT_EQ(a + Utf8ToAnsi(text), Utf8ToAnsi(aUtf8 + text));
    std::u16string wide(text.begin(), text.end());
    EXPECT_EQ(a + Utf16ToAnsi(wide), Utf16ToAnsi(u"\u3042" + wide));
  }
}

TEST(CodePageConvert, RoundTripsAndDefaultCharacter) {
  std::string text = "Tollhaven " + kHyou + kSo + kBo + kPo + kFullA + "\xB1\\~" +
                     "\x87\x40\xFA\x40\x82\xA0";
  EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(text)), text);
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(text)), text);
  // No CP932 form: Latin e-acute, Hangul, an emoji (surrogate pair) -> one '?' each.
  EXPECT_EQ(Utf16ToAnsi(u"a\u00E9b\uAC00c\U0001F600d"), "a?b?c?d");
  EXPECT_EQ(Utf8ToAnsi("x\xC3\xA9y"), "x?y");
  // Broken UTF-8 does not crash and does not swallow the neighbours.
  std::string broken = Utf8ToAnsi("a\xFF" "b");
  EXPECT_EQ(broken.front(), 'a');
  EXPECT_EQ(broken.back(), 'b');
  // An invalid CP932 sequence is substituted, the rest survives.
  std::u16string u = AnsiToUtf16("a\x85\x40z");
  ASSERT_GE(u.size(), 3u);
  EXPECT_EQ(u.front(), u'a');
  EXPECT_EQ(u.back(), u'z');
  EXPECT_TRUE(AnsiToUtf16("").empty());
  EXPECT_TRUE(Utf8ToAnsi("").empty());
  // Embedded NUL bytes are kept.
  std::string nul("a\0b", 3);
  EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(nul)), nul);
}

TEST(CodePageCollate, CaseSensitiveAndInsensitiveCompare) {
  EXPECT_LT(AnsiCompareStr("apple", "banana"), 0);
  EXPECT_GT(AnsiCompareStr("banana", "apple"), 0);
  EXPECT_NE(AnsiCompareStr("Index.html", "index.html"), 0);
  EXPECT_EQ(AnsiCompareText("Index.HTML", "index.html"), 0);
  EXPECT_TRUE(AnsiSameText("WWW.Example.COM", "www.example.com"));
  EXPECT_FALSE(AnsiSameText("a", "b"));
  EXPECT_EQ(AnsiCompareStr("", ""), 0);
  EXPECT_LT(AnsiCompareText("", "a"), 0);
  // Linguistic, not byte order: "b" before "C" ignoring case.
  EXPECT_LT(AnsiCompareText("b", "C"), 0);
  EXPECT_EQ(AnsiCompareStr(kHyou, kHyou), 0);
}

TEST(CodePageCollate, SortKeysOrderLikeCompare) {
  std::vector<std::string> words = {"index.html", "Index.html", "b", "C", "a", "",
                                    "abc", "ab", kSo, kBo, kPo, kFullA, "A",
                                    "\x82\xA0", "\xB1", "z" + kHyou, "Z"};
  for (bool ignoreCase : {false, true}) {
    for (const auto& a : words) {
      for (const auto& b : words) {
        int c = ignoreCase ? AnsiCompareText(a, b) : AnsiCompareStr(a, b);
        std::string ka = AnsiSortKey(a, ignoreCase), kb = AnsiSortKey(b, ignoreCase);
        int k = ka.compare(kb);
        k = k < 0 ? -1 : (k > 0 ? 1 : 0);
        EXPECT_EQ(c, k) << "ignoreCase=" << ignoreCase << " a=" << a << " b=" << b;
      }
    }
  }
  EXPECT_EQ(AnsiSortKey("ABC", true), AnsiSortKey("abc", true));
  EXPECT_NE(AnsiSortKey("ABC", false), AnsiSortKey("abc", false));
}

TEST(CodePageThreads, ConvertersWorkFromSeveralThreads) {
  std::string text = kHyou + kSo + "abc" + kFullA;
  std::vector<int> ok(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      int good = 0;
      for (int i = 0; i < 500; ++i) {
        if (Utf8ToAnsi(AnsiToUtf8(text)) == text && AnsiSameText("ABC", "abc")) ++good;
      }
      ok[t] = good;
    });
  }
  for (auto& th : threads) th.join();
  for (int v : ok) EXPECT_EQ(v, 500);
}

}  // namespace
