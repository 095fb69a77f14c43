// Content search of the find engine: trail bytes, case, and the shortcuts that skip
// converting a body.
#include "find/find_text.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "text/jcode.h"

namespace {

TEST(FindContent, TrailBytesAndCase) {
  const std::string hyo = platform::Utf8ToAnsi("表");  // 0x95 0x5C
  const std::string a = platform::Utf8ToAnsi("ア");    // 0x83 0x41
  ASSERT_EQ(hyo[1], '\\');
  ASSERT_EQ(a[1], 'A');
  EXPECT_FALSE(BytesContainText("x" + hyo + "y", "\\", false)) << "a trail byte is no '\\'";
  EXPECT_TRUE(BytesContainText("x" + hyo + "\\y", "\\", false));
  EXPECT_FALSE(BytesContainText(a + a, "A", false));
  EXPECT_FALSE(BytesContainText(a + a, "a", true)) << "folding never touches trail bytes";
  // Folding 0x41 to 0x61 would turn ア (83 41) into ャ (83 61).
  EXPECT_FALSE(BytesContainText(a, platform::Utf8ToAnsi("ャ"), true));
  EXPECT_TRUE(BytesContainText("Hello World", "hello world", true));
  EXPECT_FALSE(BytesContainText("Hello World", "hello world", false));
  EXPECT_TRUE(BytesContainText("Hello World", "Hello World", false));
  // A candidate on a trail byte is passed over, and a later one at a boundary found.
  std::string odd = "\x83" "ab" + std::string("ab");  // 83 61 is one character
  EXPECT_TRUE(BytesContainText(odd, "ab", false));
  EXPECT_FALSE(BytesContainText("\x83" "ab", "ab", false));
  // Binary bodies are searched as they are.
  std::string bin("GIF89a\0\0\xff secret", 17);
  EXPECT_TRUE(BytesContainText(bin, "secret", false));
  EXPECT_TRUE(BytesContainText("anything", "", false));
  EXPECT_FALSE(BytesContainText("", "x", true));
  EXPECT_FALSE(FileContainsText("/nonexistent/body", "x", false));
  EXPECT_FALSE(FileContainsText("", "x", false));
  EXPECT_FALSE(FileContainsText("/", "x", false)) << "a folder is not a readable body";
}

TEST(FindContent, RawShortcutAgreesWithTheConvertedText) {
  const std::string kanji = platform::Utf8ToAnsi("日本語の文書です。漢字とかなの例文。");
  // Ends in kanji mode: the tests switch back to ASCII themselves.
  const std::string jis = sjis2jis83(kanji) + "\x1b(B";
  const std::string euc = sjis2euc(kanji);
  ASSERT_EQ(InCodeCheck(jis + "x"), JCODE_JIS);
  ASSERT_EQ(InCodeCheck(euc + "x"), JCODE_EUC);
  // Escapes between two single-byte runs vanish in conversion and join the runs.
  EXPECT_TRUE(BytesContainText(jis + "abc\x1b(Bdef", "abcdef", false));
  EXPECT_TRUE(BytesContainText(jis + "ABC\x1b$B\x1b(BDEF", "abcdef", true));
  EXPECT_TRUE(BytesContainText(jis + "abc\x1b(Idef", "abc", false));
  // Kanji-mode bytes that look like ASCII are kanji, not text.
  EXPECT_FALSE(BytesContainText(jis + "\x1b$Bab\x1b(B", "ab", false));
  EXPECT_TRUE(BytesContainText(jis + "\x1b$Bab\x1b(Bab", "ab", false));
  // EUC-JP: the half-width kana prefix is dropped, joining what surrounds it.
  EXPECT_TRUE(BytesContainText(euc + "ab\x8e" "cd", "abcd", false));
  EXPECT_TRUE(BytesContainText(euc + "Needle", "needle", true));
  EXPECT_FALSE(BytesContainText(euc + "Needle", "needle", false));
  EXPECT_FALSE(BytesContainText(euc + "nee dle", "needle", true));
}

}  // namespace

// Bodies in every code a cached page comes in, searched for texts as the criteria
// hand them over (CP932, folded when ignoring case).
TEST(FindContent, EveryCodeAndFullWidthCase) {
  using platform::Utf8ToAnsi;
  const std::string utf8Page =
      "<html><head><title>会社概要</title></head><body>所在地 東京都千代田区 あTokyo "
      "ＴＯＫＹＯタワー</body></html>";
  // Valid UTF-8 but for one stray byte: the declaration decides.
  const std::string declared =
      "<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">"
      "</HEAD><BODY>\x80 東京都</BODY></HTML>";
  const std::string kanaEuc = sjis2euc(Utf8ToAnsi("<p>かきくけこ さしすせそ</p>"));
  ASSERT_EQ(InCodeCheck(kanaEuc), JCODE_EUC_OR_SJIS);
  const std::string sjisWide = Utf8ToAnsi("<p>ＴＯＫＹＯタワー ｼﾞｬﾝﾌﾟ</p>");
  struct Row {
    const char* what;
    std::string body, text;
    bool ignoreCase, found;
  } rows[] = {
      {"UTF-8 kanji", utf8Page, Utf8ToAnsi("東京都"), false, true},
      {"UTF-8 kanji not there", utf8Page, Utf8ToAnsi("大阪"), false, false},
      // Read as CP932, the last byte of あ (E3 81 82) pairs with the 'T'.
      {"ASCII after UTF-8 kana", utf8Page, "Tokyo", false, true},
      {"ASCII after UTF-8 kana, any case", utf8Page, "tokyo", true, true},
      {"UTF-8 full-width, any case", utf8Page, Utf8ToAnsi("ｔｏｋｙｏタワー"), true, true},
      {"UTF-8 full-width, as typed", utf8Page, Utf8ToAnsi("ｔｏｋｙｏ"), false, false},
      {"declared UTF-8", declared, Utf8ToAnsi("東京都"), false, true},
      {"kana-only EUC-JP", kanaEuc, Utf8ToAnsi("くけこ さし"), false, true},
      {"kana-only EUC-JP, not there", kanaEuc, Utf8ToAnsi("こさ"), false, false},
      {"Shift_JIS full-width, any case", sjisWide, Utf8ToAnsi("ｔｏｋｙｏ"), true, true},
      {"Shift_JIS full-width, as typed", sjisWide, Utf8ToAnsi("ｔｏｋｙｏ"), false, false},
      {"Shift_JIS half-width kana", sjisWide, Utf8ToAnsi("ｼﾞｬﾝﾌﾟ"), false, true},
  };
  for (const Row& r : rows)
    EXPECT_EQ(BytesContainText(r.body, r.text, r.ignoreCase), r.found) << r.what;
}
