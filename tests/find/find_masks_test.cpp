// Name masks of the find engine.
#include "find/find_masks.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace {

TEST(FindMask, WildcardsSetsAndDoubleByteCharacters) {
  EXPECT_EQ(MatchesMask("index.html", "*.html"), TMaskResult::Match);
  EXPECT_EQ(MatchesMask("index.html", "*.htm"), TMaskResult::NoMatch);
  EXPECT_EQ(MatchesMask("index.html", "i?dex*"), TMaskResult::Match);
  EXPECT_EQ(MatchesMask("index.html", "*x.h*l"), TMaskResult::Match);
  EXPECT_EQ(MatchesMask("Index.HTML", "index.html"), TMaskResult::Match);
  EXPECT_EQ(MatchesMask("a1", "a[0-9]"), TMaskResult::Match);
  EXPECT_EQ(MatchesMask("ab", "a[0-9]"), TMaskResult::NoMatch);
  EXPECT_EQ(MatchesMask("ab", "a[!0-9]"), TMaskResult::Match);
  EXPECT_EQ(MatchesMask("aB", "a[a-c]"), TMaskResult::Match);
  EXPECT_EQ(MatchesMask("a-", "a[x-]"), TMaskResult::Malformed);
  EXPECT_EQ(MatchesMask("a", "a[bc"), TMaskResult::Malformed);
  EXPECT_EQ(MatchesMask("a", "a[]"), TMaskResult::Malformed);
  EXPECT_EQ(MatchesMask("", "*"), TMaskResult::Match);
  EXPECT_EQ(MatchesMask("", "?"), TMaskResult::NoMatch);
  // A double-byte character is one character for '?' and for sets.
  std::string so = platform::Utf8ToAnsi("ソフト");  // ソ is 0x83 0x5C
  EXPECT_EQ(MatchesMask(so, "???"), TMaskResult::Match);
  EXPECT_EQ(MatchesMask(so, "????"), TMaskResult::NoMatch);
  EXPECT_EQ(MatchesMask(so, "*\\*"), TMaskResult::NoMatch) << "a trail byte is no '\\'";
  EXPECT_EQ(MatchesMask(so, "[" + platform::Utf8ToAnsi("ソ") + "]*"), TMaskResult::Match);
  // Many stars over a long name stay quick (no exponential backtracking).
  std::string longName(5000, 'a');
  EXPECT_EQ(MatchesMask(longName, "*a*a*a*a*a*a*a*a*b"), TMaskResult::NoMatch);
}

}  // namespace
