#include "text/jcode.h"

#include <gtest/gtest.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <string>
#include <vector>

#include "text/jtest_util.h"

namespace {

using jtest::Iconv;

// A paragraph of ordinary Japanese: kanji, hiragana, katakana, full-width symbols,
// ASCII and line breaks.  Converted into each code by iconv for the reference texts.
const char kSampleUtf8[] =
    "ネットスケープのキャッシュから、訪れたページを復元します。\r\n"
    "Tollhaven 1.0 は、日本語のページ（シフトJIS・EUC-JP・JIS）を読み込み、"
    "リンクを相対パスに書き換えて保存する。\r\n"
    "東京都千代田区霞が関、漢字「鬱」「薔薇」「檸檬」と記号※〒→■も使います。\r\n"
    "ひらがなだけの行：あいうえおかきくけこさしすせそ\r\n";

std::string Sample(const char* code) {
  auto s = Iconv("UTF-8", code, kSampleUtf8);
  EXPECT_TRUE(s.has_value()) << code;
  return s.value_or("");
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(static_cast<char>(c));
  return s;
}

// Our JIS writer returns to the Roman set with ESC ( J and leaves a text that ends in
// kanji unterminated; other converters use ESC ( B and always terminate.  Bring ours
// into their form before comparing.
std::string AsReferenceJis(std::string jis) {
  jis = jtest::ReplaceAll(std::move(jis), "\x1B(J", "\x1B(B");
  const auto lastIn = jis.rfind("\x1B$B");
  const auto lastOut = jis.rfind("\x1B(B");
  if (lastIn != std::string::npos && (lastOut == std::string::npos || lastOut < lastIn)) jis += "\x1B(B";
  return jis;
}

class StrictLenGuard {
 public:
  StrictLenGuard() : saved_(STRICT_CHECK_LEN) {}
  ~StrictLenGuard() { STRICT_CHECK_LEN = saved_; }

 private:
  int saved_;
};

// ---------------------------------------------------------------------------
// Detection

TEST(InCodeCheck, DetectsRealTextInEachCode) {
  EXPECT_EQ(InCodeCheck(Sample("SHIFT_JIS")), JCODE_SJIS);
  EXPECT_EQ(InCodeCheck(Sample("EUC-JP")), JCODE_EUC);
  EXPECT_EQ(InCodeCheck(Sample("ISO-2022-JP")), JCODE_JIS);
  EXPECT_EQ(InCodeCheck("plain ASCII text\r\nwith lines\r\n"), JCODE_ASCII);
  EXPECT_EQ(InCodeCheck("\x1B$@\x30\x21\x1B(J"), JCODE_JIS_OLD);
}

TEST(InCodeCheck, ShortTextsAndTheLastByte) {
  EXPECT_EQ(InCodeCheck(""), JCODE_ASCII);
  EXPECT_EQ(InCodeCheck(std::string(1, '\0')), JCODE_ASCII);
  EXPECT_EQ(InCodeCheck("\x82"), JCODE_ASCII);
  // The only 8-bit byte is the last one: it never starts a test.
  EXPECT_EQ(InCodeCheck("abc\x88"), JCODE_ASCII);
  EXPECT_EQ(InCodeCheck("abc\xF5"), JCODE_ASCII);
  EXPECT_EQ(InCodeCheck("ab\x88\x9F"), JCODE_SJIS);
}

TEST(InCodeCheck, NonTextBytes) {
  StrictLenGuard guard;
  const std::string sjis = Sample("SHIFT_JIS");
  // A NUL early wins over clean Shift_JIS after it.
  EXPECT_EQ(InCodeCheck(std::string("ab\0cd", 5) + sjis), JCODE_BINARY);
  EXPECT_EQ(InCodeCheck(std::string(10, 'a') + "\xFF" + sjis), JCODE_BINARY);
  // Beyond the pre-check only the scan can see it: too late after Shift_JIS decided.
  std::string late = sjis + std::string(600, 'x');
  late[599] = '\0';
  EXPECT_EQ(InCodeCheck(late), JCODE_SJIS);
  std::string asciiLate(700, 'x');
  asciiLate[599] = '\x01';
  EXPECT_EQ(InCodeCheck(asciiLate), JCODE_BINARY);
  // Tab, CR and LF are text.
  EXPECT_EQ(InCodeCheck("a\tb\r\nc\x08"), JCODE_ASCII);
  // The pre-check length is adjustable.
  ASSERT_LT(sjis.size() + 100, 512u);  // the NUL below lies inside the default check
  std::string mid = std::string(100, 'a') + '\x02' + sjis;
  EXPECT_EQ(InCodeCheck(mid), JCODE_BINARY);
  STRICT_CHECK_LEN = 50;
  mid = sjis + std::string(100, 'a') + '\x02';
  EXPECT_EQ(InCodeCheck(mid), JCODE_SJIS);
}

TEST(InCodeCheck, EscapeSequences) {
  EXPECT_EQ(InCodeCheck("abc \x1B$B\x30\x21\x1B(B"), JCODE_JIS);
  EXPECT_EQ(InCodeCheck("\x1B$B"), JCODE_JIS);
  // Shift_JIS bytes seen first decide.
  EXPECT_EQ(InCodeCheck("\x88\x9F \x1B$B\x30\x21"), JCODE_SJIS);
  // Other escapes decide nothing; escapes cut short by the end are harmless.
  EXPECT_EQ(InCodeCheck("\x1B(Babc"), JCODE_ASCII);
  EXPECT_EQ(InCodeCheck("abc\x1B"), JCODE_ASCII);
  EXPECT_EQ(InCodeCheck("abc\x1B$"), JCODE_ASCII);
  EXPECT_EQ(InCodeCheck("\x1B$"), JCODE_ASCII);
}

TEST(InCodeCheck, EucAndShiftJisAmbiguities) {
  // EUC-JP hiragana alone could be Shift_JIS half-width katakana.
  EXPECT_EQ(InCodeCheck("\xA4\xA2"), JCODE_EUC_OR_SJIS);
  EXPECT_EQ(InCodeCheck("\xA4\xA2\xA4\xA4 "), JCODE_EUC_OR_SJIS);
  // A later lead byte 0xF0-0xFE, or a 0xFD/0xFE trail, settles EUC-JP.
  EXPECT_EQ(InCodeCheck("\xA4\xA2\xF3\xA1"), JCODE_EUC);
  EXPECT_EQ(InCodeCheck("\xA4\xA2\xE0\xFE"), JCODE_EUC);
  EXPECT_EQ(InCodeCheck("\xA4\xA2\xA4\xFD"), JCODE_EUC);
  // Half-width katakana followed by ASCII is Shift_JIS.
  EXPECT_EQ(InCodeCheck("\xB1" "a"), JCODE_SJIS);
  // Kana + kanji lead: the look-ahead finds a Shift_JIS-only byte ...
  EXPECT_EQ(InCodeCheck("\xB1\xE0\xA0\x81\x40"), JCODE_SJIS);
  // ... or an EUC-JP-only byte ...
  EXPECT_EQ(InCodeCheck("\xB1\xE0\xA1\xFE"), JCODE_EUC);
  // ... or runs into ASCII undecided.
  EXPECT_EQ(InCodeCheck("\xB1\xE0\xA1 \x81\x40"), JCODE_SJIS);
  EXPECT_EQ(InCodeCheck("\xB1\xE0\xA1\xA1"), JCODE_EUC_OR_SJIS);
  // Only 0x81-0x8D and 0x8F-0x9C are Shift_JIS-only there (0x8E, 0x9D-0x9F are not).
  EXPECT_EQ(InCodeCheck("\xB1\xE0\x9D\xA1\x9F\xA1\x8E\xA1"), JCODE_EUC_OR_SJIS);
  EXPECT_EQ(InCodeCheck("\xB1\xE0\x9D\xA1\x9C\xA1"), JCODE_SJIS);
  // EUC-JP half-width katakana vs Shift_JIS kanji with lead 0x8E.
  EXPECT_EQ(InCodeCheck("\x8E\xB1"), JCODE_EUC_OR_SJIS);
  EXPECT_EQ(InCodeCheck("\x8E\x40"), JCODE_SJIS);
  // Lead 0xE0-0xEF: Shift_JIS trail, EUC-JP-only trail, or either.
  EXPECT_EQ(InCodeCheck("\xE0\x40"), JCODE_SJIS);
  EXPECT_EQ(InCodeCheck("\xE0\xFE"), JCODE_EUC);
  EXPECT_EQ(InCodeCheck("\xE0\xA1"), JCODE_EUC_OR_SJIS);
  // 0x80 and 0xA0 decide nothing.
  EXPECT_EQ(InCodeCheck("\x80\xA0 abc"), JCODE_ASCII);
}

// ---------------------------------------------------------------------------
// Every character of JIS X 0208 against glibc iconv

TEST(JisTable, AgreesWithIconvForEveryCharacter) {
  int compared = 0;
  for (int row = 0x21; row <= 0x74; ++row) {
    for (int cell = 0x21; cell <= 0x7E; ++cell) {
      const std::string euc = Bytes({row | 0x80, cell | 0x80});
      const std::string rc = Bytes({row, cell});
      const auto sjis = Iconv("EUC-JP", "SHIFT_JIS", euc);
      if (!sjis) continue;  // unassigned in JIS X 0208
      const auto sjisToEuc = Iconv("SHIFT_JIS", "EUC-JP", *sjis);
      const auto sjisToJis = Iconv("SHIFT_JIS", "ISO-2022-JP", *sjis);
      ASSERT_TRUE(sjisToEuc && sjisToJis);
      ++compared;
      SCOPED_TRACE(testing::Message() << std::hex << "row 0x" << row << " cell 0x" << cell);
      EXPECT_EQ(euc2sjis(euc), *sjis);
      EXPECT_EQ(sjis2euc(*sjis), *sjisToEuc);
      EXPECT_EQ(AsReferenceJis(sjis2jis83(*sjis)), *sjisToJis);
      EXPECT_EQ(jis2sjis(*sjisToJis), *sjis);
      EXPECT_EQ(ToJis(static_cast<unsigned char>((*sjis)[0]), static_cast<unsigned char>((*sjis)[1])), rc);
      if (HasFailure()) return;  // one report is enough
    }
  }
  RecordProperty("compared", compared);
  // JIS X 0208-1990 assigns 6879 characters; all of them must have been compared.
  EXPECT_GE(compared, 6879);
}

TEST(JisTable, RoundTripsOverAllRowsAndCells) {
  for (int row = 0x21; row <= 0x7E; ++row) {
    for (int cell = 0x21; cell <= 0x7E; ++cell) {
      const std::string rc = Bytes({row, cell});
      const std::string sjis = ToSjis(static_cast<unsigned char>(row), static_cast<unsigned char>(cell));
      ASSERT_EQ(ToJis(static_cast<unsigned char>(sjis[0]), static_cast<unsigned char>(sjis[1])), rc);
      const std::string euc = Bytes({row | 0x80, cell | 0x80});
      ASSERT_EQ(sjis2euc(euc2sjis(euc)), euc);
      ASSERT_EQ(jis2euc("\x1B$B" + rc), euc);
      ASSERT_EQ(jis2sjis("\x1B$B" + rc + "\x1B(B"), sjis);
      ASSERT_EQ(euc2jis83(euc), "\x1B$B" + rc);
    }
  }
}

// ---------------------------------------------------------------------------
// Whole texts

TEST(ConvertJCode, ConvertsRealTextLikeIconv) {
  const std::string sjis = Sample("SHIFT_JIS");
  const std::string euc = Sample("EUC-JP");
  const std::string jis = Sample("ISO-2022-JP");
  EXPECT_EQ(ConvertJCode(euc, JCODE_SJIS), sjis);
  EXPECT_EQ(ConvertJCode(jis, JCODE_SJIS), sjis);
  EXPECT_EQ(ConvertJCode(sjis, JCODE_EUC), euc);
  EXPECT_EQ(ConvertJCode(jis, JCODE_EUC), euc);
  EXPECT_EQ(AsReferenceJis(ConvertJCode(sjis, JCODE_JIS)), jis);
  EXPECT_EQ(AsReferenceJis(ConvertJCode(euc, JCODE_JIS)), jis);
  // The Roman set is resumed before every line break.
  EXPECT_NE(ConvertJCode(sjis, JCODE_JIS).find("\x1B(J\r\n"), std::string::npos);
}

TEST(ConvertJCode, LeavesTextAloneWhenItCannotOrNeedNot) {
  const std::string sjis = Sample("SHIFT_JIS");
  const std::string euc = Sample("EUC-JP");
  const std::string jis = Sample("ISO-2022-JP");
  EXPECT_EQ(ConvertJCode(sjis, JCODE_SJIS), sjis);
  EXPECT_EQ(ConvertJCode(euc, JCODE_EUC), euc);
  EXPECT_EQ(ConvertJCode(jis, JCODE_JIS), jis);
  const std::string undecided = "\xA4\xA2\xA4\xA4";
  EXPECT_EQ(ConvertJCode(undecided, JCODE_SJIS), undecided);
  const std::string binary = std::string("\0\x01\x88\x9F", 4);
  EXPECT_EQ(ConvertJCode(binary, JCODE_EUC), binary);
  EXPECT_EQ(ConvertJCode("ascii", JCODE_JIS), "ascii");
  for (int target : {-1, JCODE_ASCII, JCODE_BINARY, JCODE_JIS_OLD, JCODE_EUC_OR_SJIS, 99})
    EXPECT_EQ(ConvertJCode(euc, target), euc) << target;
  // The strict form trusts the caller even for text that looks like another code.
  EXPECT_EQ(StrictConvertJCode(undecided, JCODE_EUC, JCODE_SJIS), "\x82\xA0\x82\xA2");
  EXPECT_EQ(StrictConvertJCode(undecided, JCODE_SJIS, JCODE_EUC), "\x8E\xA4\x8E\xA2\x8E\xA4\x8E\xA4");
  EXPECT_EQ(StrictConvertJCode(jis, JCODE_JIS_OLD, JCODE_SJIS), sjis);
}

TEST(Jis2Sjis, EscapeHandling) {
  EXPECT_EQ(jis2sjis("\x1B$B\x30\x21\x1B(B"), "\x88\x9F");
  EXPECT_EQ(jis2sjis("a\x1B$@\x30\x21\x1B(Jb"), "a\x88\x9F" "b");
  // An empty kanji run: the second escape is an escape too, not kanji.
  EXPECT_EQ(jis2sjis("a\x1B$B\x1B(Bb"), "ab");
  EXPECT_EQ(jis2euc("a\x1B$B\x1B(Bb"), "ab");
  // Unknown escapes keep the current set and are dropped.
  EXPECT_EQ(jis2sjis("\x1B$B\x30\x21\x1B.A\x30\x21"), "\x88\x9F\x88\x9F");
  // An escape cut short ends the conversion; half a kanji pair is kept.
  EXPECT_EQ(jis2sjis("ab\x1B$"), "ab");
  EXPECT_EQ(jis2sjis("ab\x1B"), "ab");
  EXPECT_EQ(jis2sjis("\x1B$B\x30\x21\x30"), "\x88\x9F\x30");
  EXPECT_EQ(jis2euc("ab\x1B$"), "ab");
  // jis2euc sets the top bit on 0x21-0x7E only.
  EXPECT_EQ(jis2euc("\x1B$B\x30\x21\n\x1B(Bz"), "\xB0\xA1\nz");
}

TEST(EucSjis, BytesOutsideThePairsAndTruncation) {
  // Half-width katakana in both directions.
  EXPECT_EQ(euc2sjis("\x8E\xB6\x8E\xDE"), "\xB6\xDE");
  EXPECT_EQ(sjis2euc("\xB6\xDE"), "\x8E\xB6\x8E\xDE");
  // 0x80 and 0xFF are copied by euc2sjis.
  EXPECT_EQ(euc2sjis("\x80\xFFz"), "\x80\xFFz");
  // A lone lead byte at the end is kept, never read past.
  EXPECT_EQ(euc2sjis("a\xB0"), "a\xB0");
  EXPECT_EQ(euc2sjis("a\x8E"), "a\x8E");
  EXPECT_EQ(sjis2euc("a\x88"), "a\x88");
  // The JIS writers drop it rather than emit an 8-bit byte.
  EXPECT_EQ(sjis2jis83("a\x88"), "a");
  EXPECT_EQ(euc2jis83("a\xB0"), "a");
}

// Length of the longest prefix of `s` that ends on a character boundary, for a text
// whose 8-bit characters are all two bytes long (Shift_JIS or EUC-JP kanji).
std::size_t WholeCharacters(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t len = static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
    if (i + len > s.size()) break;
    i += len;
  }
  return i;
}

TEST(Converters, SurviveEveryTruncationOfRealText) {
  // Cutting a text anywhere must never read past it (the sanitizer build checks) and
  // never disturb the part before the cut.
  const std::string sjis = Sample("SHIFT_JIS").substr(0, 120);
  const std::string euc = Sample("EUC-JP").substr(0, 120);
  const std::string jis = Sample("ISO-2022-JP").substr(0, 120);
  for (std::size_t n = 0; n <= 120; ++n) {
    SCOPED_TRACE(n);
    const std::string s = sjis.substr(0, n), e = euc.substr(0, n), j = jis.substr(0, n);
    const std::string sWhole = s.substr(0, WholeCharacters(s));
    const std::string eWhole = e.substr(0, WholeCharacters(e));
    EXPECT_EQ(euc2sjis(sjis2euc(s)), s);
    EXPECT_EQ(sjis2euc(euc2sjis(e)).substr(0, eWhole.size()), eWhole);
    EXPECT_EQ(jis2sjis(euc2jis83(e)), euc2sjis(eWhole));
    EXPECT_EQ(jis2sjis(sjis2jis83(s)), sWhole);
    // A JIS text cut inside kanji still gives the Shift_JIS of everything before;
    // only a half pair at the very end may stand as it was.
    for (const std::string& out : {jis2sjis(j), euc2sjis(jis2euc(j))}) {
      const std::string settled = out.substr(0, out.empty() ? 0 : out.size() - 1);
      EXPECT_EQ(sjis.substr(0, settled.size()), settled);
    }
    EXPECT_EQ(InCodeCheck(j), n >= 3 ? JCODE_JIS : JCODE_ASCII);
  }
}

// ---------------------------------------------------------------------------
// Half-width katakana

TEST(HalfWidthKana, EachLetterMatchesUnicodeCompatibilityMapping) {
  // NFKC maps U+FF61..U+FF9D to the full-width forms; the two voicing marks map to
  // combining marks instead, while JIS uses the spacing marks 0x212B/0x212C.
  const UNormalizer2* nfkc = nullptr;
  UErrorCode err = U_ZERO_ERROR;
  nfkc = unorm2_getNFKCInstance(&err);
  ASSERT_TRUE(U_SUCCESS(err));
  for (int k = 0xA1; k <= 0xDD; ++k) {
    const UChar half = static_cast<UChar>(0xFF61 + (k - 0xA1));
    UChar full[4];
    err = U_ZERO_ERROR;
    const int32_t len = unorm2_normalize(nfkc, &half, 1, full, 4, &err);
    ASSERT_TRUE(U_SUCCESS(err) && len == 1);
    char utf8[8];
    int32_t u8len = 0;
    err = U_ZERO_ERROR;
    u_strToUTF8(utf8, sizeof utf8, &u8len, full, 1, &err);
    const auto refEuc = Iconv("UTF-8", "EUC-JP", std::string_view(utf8, static_cast<std::size_t>(u8len)));
    ASSERT_TRUE(refEuc.has_value()) << std::hex << k;
    const std::string ours = sjis2jis83(Bytes({k}));
    ASSERT_EQ(ours.size(), 5u);
    EXPECT_EQ(Bytes({ours[3] | 0x80, ours[4] | 0x80}), *refEuc) << std::hex << k;
  }
  EXPECT_EQ(sjis2jis83("\xDE"), "\x1B$B\x21\x2B");
  EXPECT_EQ(sjis2jis83("\xDF"), "\x1B$B\x21\x2C");
}

TEST(HalfWidthKana, VoicedForms) {
  EXPECT_EQ(sjis2jis83("\xB6\xDE"), "\x1B$B\x25\x2C");  // ガ, no ESC ( J at the end
  EXPECT_EQ(sjis2jis83("\xCA\xDF\xB3\xDE"), "\x1B$B\x25\x51\x25\x74");  // パヴ
  EXPECT_EQ(euc2jis83("\x8E\xCA\x8E\xDF\x8E\xB3\x8E\xDE"), "\x1B$B\x25\x51\x25\x74");
  // A mark that cannot merge stands on its own; only one mark is consumed.
  EXPECT_EQ(sjis2jis83("\xB1\xDE"), "\x1B$B\x25\x22\x21\x2B");
  EXPECT_EQ(sjis2jis83("\xB6\xDE\xDE"), "\x1B$B\x25\x2C\x21\x2B");
  EXPECT_EQ(sjis2jis83("\xB6\xDF"), "\x1B$B\x25\x2B\x21\x2C");
  // Mixed with ASCII and line breaks.
  EXPECT_EQ(sjis2jis83("a\xB6\xDE\r\nb"), "a\x1B$B\x25\x2C\x1B(J\r\nb");
}

TEST(HalfWidthKana, AgreesWithNkfForEveryLetterAndMark) {
  if (!jtest::HaveProgram("nkf")) GTEST_SKIP() << "nkf not installed";
  // Every half-width letter alone, then followed by each voicing mark, one per line,
  // with some kanji and ASCII around them.
  std::string sjis = "\x8A\xBF\x8E\x9A kana:\n";
  for (int k = 0xA1; k <= 0xDF; ++k) {
    for (int mark : {0, 0xDE, 0xDF}) {
      sjis += Bytes({k});
      if (mark) sjis += Bytes({mark});
      sjis += " x\x82\xA0\n";
    }
  }
  sjis += "\xB6\xDE\x83\x4B";  // ends in kanji
  const auto nkfFromSjis = jtest::RunFilter("nkf -j -S", sjis);
  ASSERT_TRUE(nkfFromSjis.has_value());
  EXPECT_EQ(AsReferenceJis(sjis2jis83(sjis)), *nkfFromSjis);
  const std::string euc = sjis2euc(sjis);
  const auto nkfFromEuc = jtest::RunFilter("nkf -j -E", euc);
  ASSERT_TRUE(nkfFromEuc.has_value());
  EXPECT_EQ(AsReferenceJis(euc2jis83(euc)), *nkfFromEuc);
}

// ---------------------------------------------------------------------------
// Line breaks

TEST(ReturnCode, Detection) {
  EXPECT_EQ(ReturnCodeCheck(""), RETCODE_NONE);
  EXPECT_EQ(ReturnCodeCheck("no breaks"), RETCODE_NONE);
  EXPECT_EQ(ReturnCodeCheck("a\r\nb\n"), RETCODE_CRLF);
  EXPECT_EQ(ReturnCodeCheck("a\nb\r\n"), RETCODE_LF);
  EXPECT_EQ(ReturnCodeCheck("a\rb\r\n"), RETCODE_CR);
  EXPECT_EQ(ReturnCodeCheck("a\r"), RETCODE_CR);
}

TEST(ReturnCode, Conversion) {
  const std::string crlf = "one\r\ntwo\r\n\r\nthree";
  EXPECT_EQ(ConvertReturnCode(crlf, RETCODE_LF), "one\ntwo\n\nthree");
  EXPECT_EQ(ConvertReturnCode(crlf, RETCODE_CR), "one\rtwo\r\rthree");
  EXPECT_EQ(ConvertReturnCode("one\ntwo\n", RETCODE_CRLF), "one\r\ntwo\r\n");
  EXPECT_EQ(ConvertReturnCode("one\rtwo\r", RETCODE_LF), "one\ntwo\n");
  for (int target : {RETCODE_CRLF, RETCODE_CR, RETCODE_LF}) {
    const std::string there = ConvertReturnCode(crlf, target);
    EXPECT_EQ(ConvertReturnCode(there, RETCODE_CRLF), crlf) << target;
  }
  // Already in the target form, no breaks, or an invalid target: unchanged.
  EXPECT_EQ(ConvertReturnCode(crlf, RETCODE_CRLF), crlf);
  EXPECT_EQ(ConvertReturnCode("abc", RETCODE_LF), "abc");
  EXPECT_EQ(ConvertReturnCode(crlf, 0), crlf);
  EXPECT_EQ(ConvertReturnCode(crlf, 7), crlf);
  // Shift_JIS trail bytes are never line breaks, so nothing else moves.
  const std::string sjis = Sample("SHIFT_JIS");
  EXPECT_EQ(ConvertReturnCode(ConvertReturnCode(sjis, RETCODE_LF), RETCODE_CRLF), sjis);
}

TEST(ReturnCode, StrayBytesInACrLfTextSurvive) {
  // A lone CR (or LF) inside a CR LF text is not a CR LF: it and the byte after it
  // stay where they are.
  EXPECT_EQ(ConvertReturnCode("a\r\nb\rc\r\nd\r", RETCODE_LF), "a\nb\rc\nd\r");
  EXPECT_EQ(StrictConvertReturnCode("a\rb\nc", RETCODE_CRLF, RETCODE_LF), "a\rb\nc");
  EXPECT_EQ(StrictConvertReturnCode("a\rb\nc", RETCODE_CR, RETCODE_CRLF), "a\r\nb\nc");
  EXPECT_EQ(StrictConvertReturnCode("a\rb", RETCODE_NONE, RETCODE_LF), "a\rb");
  EXPECT_EQ(StrictConvertReturnCode("a\rb", 9, RETCODE_LF), "a\rb");
}

}  // namespace
