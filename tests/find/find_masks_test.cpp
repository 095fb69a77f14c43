// Name masks of the find engine.
#include "find/find_masks.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace {

TEST(FindMask, WildcardsSetsAndDoubleByteCharacters) {
  using platform::Utf8ToAnsi;
  const std::string so = Utf8ToAnsi("ソフト");  // ソ is 0x83 0x5C
  struct Row {
    std::string text, mask;
    TMaskResult result;
    const char* why;
  } rows[] = {
      {"index.html", "*.html", TMaskResult::Match, ""},
      {"index.html", "*.htm", TMaskResult::NoMatch, ""},
      {"index.html", "i?dex*", TMaskResult::Match, ""},
      {"index.html", "*x.h*l", TMaskResult::Match, ""},
      {"Index.HTML", "index.html", TMaskResult::Match, "ASCII letters in either case"},
      {"a1", "a[0-9]", TMaskResult::Match, ""},
      {"ab", "a[0-9]", TMaskResult::NoMatch, ""},
      {"ab", "a[!0-9]", TMaskResult::Match, ""},
      {"aB", "a[a-c]", TMaskResult::Match, ""},
      {"a-", "a[x-]", TMaskResult::Malformed, "a range without an end"},
      {"a", "a[bc", TMaskResult::Malformed, "a set not closed"},
      {"a", "a[]", TMaskResult::Malformed, "an empty set"},
      {"", "*", TMaskResult::Match, ""},
      {"", "?", TMaskResult::NoMatch, ""},
      // A double-byte character is one character for '?' and for sets.
      {so, "???", TMaskResult::Match, ""},
      {so, "????", TMaskResult::NoMatch, ""},
      {so, "*\\*", TMaskResult::NoMatch, "a trail byte is no '\\'"},
      {so, "[" + Utf8ToAnsi("ソ") + "]*", TMaskResult::Match, ""},
      // Full-width Latin letters fold like ASCII ones, and only to each other.
      {Utf8ToAnsi("ＴＯＫＹＯ.html"), Utf8ToAnsi("ｔｏｋｙｏ*"), TMaskResult::Match, ""},
      {Utf8ToAnsi("ｔｏｋｙｏ.html"), Utf8ToAnsi("*ＴｏＫｙＯ.*"), TMaskResult::Match, ""},
      {Utf8ToAnsi("ＡＢ"), Utf8ToAnsi("[ａ-ｃ]?"), TMaskResult::Match, ""},
      {Utf8ToAnsi("ＴＯＫＹＯ"), "tokyo", TMaskResult::NoMatch, "full-width is not ASCII"},
      // Many stars over a long name stay quick (no exponential backtracking).
      {std::string(5000, 'a'), "*a*a*a*a*a*a*a*a*b", TMaskResult::NoMatch, ""},
  };
  for (const Row& r : rows)
    EXPECT_EQ(MatchesMask(r.text, r.mask), r.result) << r.text << " ~ " << r.mask << " " << r.why;
}

}  // namespace
