#include "text/mime_coders.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "text/jcode.h"
#include "text/jtest_util.h"

namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// Sizes around every group and line boundary of the three coders.
const std::vector<std::size_t> kSizes = {0, 1, 2, 3, 4, 5, 44, 45, 46, 47, 48, 49, 56, 57, 58,
                                         59, 89, 90, 91, 114, 200, 1000};

std::string StripTrailingNewlines(std::string s) {
  while (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

// ---------------------------------------------------------------------------
// Base64

TEST(Base64, AgreesWithCoreutils) {
  if (!jtest::HaveProgram("base64")) GTEST_SKIP() << "base64 not installed";
  for (std::size_t n : kSizes) {
    SCOPED_TRACE(n);
    const std::string data = RandomBytes(n, static_cast<unsigned>(n));
    const auto plain = jtest::RunFilter("base64 -w 0", data);
    const auto wrapped = jtest::RunFilter("base64 -w 76", data);
    ASSERT_TRUE(plain && wrapped);
    EXPECT_EQ(EncodeBase64(data), *plain);
    // coreutils ends every line, ours breaks only after complete 76-character lines.
    EXPECT_EQ(StripTrailingNewlines(EncodeBase64R(data, "\n")), StripTrailingNewlines(*wrapped));
    EXPECT_EQ(DecodeBase64(*wrapped), data);
    EXPECT_EQ(DecodeBase64(EncodeBase64R(data, "\r\n")), data);
  }
}

TEST(Base64, LineBreaksAndDecoding) {
  const std::string data = RandomBytes(57 * 2 + 1, 7);
  const std::string text = EncodeBase64R(data, "\r\n");
  // Two full lines of 76, each followed by the break, then the last partial group.
  ASSERT_EQ(text.size(), 76u + 2 + 76 + 2 + 4);
  EXPECT_EQ(text.substr(76, 2), "\r\n");
  EXPECT_EQ(text.substr(154, 2), "\r\n");
  EXPECT_EQ(text.substr(156, 2), EncodeBase64(data).substr(152, 2));
  EXPECT_EQ(text.substr(158), "==");
  // Padding ends a group early, so concatenated encodings decode as one.
  EXPECT_EQ(DecodeBase64(EncodeBase64("a") + EncodeBase64("bc")), "abc");
  // Characters outside the alphabet are skipped.
  EXPECT_EQ(DecodeBase64("YW Jj\tZA==\r\n"), "abcd");
  EXPECT_EQ(DecodeBase64(""), "");
  EXPECT_EQ(DecodeBase64("Y"), "");  // six bits make no byte
}

// ---------------------------------------------------------------------------
// uuencode

// The lines between "begin" and "end" of uuencode's output, each ended by "\n".
std::string UuencodeBody(const std::string& data) {
  auto full = jtest::RunFilter("uuencode data", data);
  EXPECT_TRUE(full.has_value());
  if (!full) return {};
  const std::size_t begin = full->find('\n') + 1;
  const std::size_t end = full->rfind("end\n");
  EXPECT_NE(end, std::string::npos);
  return full->substr(begin, end - begin);
}

TEST(UUEncode, AgreesWithSharutils) {
  if (!jtest::HaveProgram("uuencode")) GTEST_SKIP() << "uuencode not installed";
  for (std::size_t n : kSizes) {
    SCOPED_TRACE(n);
    const std::string data = RandomBytes(n, static_cast<unsigned>(n) + 100);
    const std::string body = UuencodeBody(data);
    EXPECT_EQ(EncodeUU(data, "\n"), body);
    EXPECT_EQ(DecodeUU(body), data);
    EXPECT_EQ(DecodeUU(EncodeUU(data, "\r\n")), data);
  }
  // Zero bytes are written as grave accents, never as spaces.
  const std::string zeros(45, '\0');
  EXPECT_EQ(EncodeUU(zeros, "\n"), UuencodeBody(zeros));
  EXPECT_EQ(EncodeUU(zeros, "\n").find(' '), std::string::npos);
}

TEST(UUEncode, DecoderIsBoundedByItsInput) {
  // A line that promises more bytes than it carries gives zero bits for the rest
  // instead of reading the next line.
  EXPECT_EQ(DecodeUU("$86)C\n`\n"), std::string("abc\0", 4));
  // Decoding stops at the terminating line; what follows is not data.
  EXPECT_EQ(DecodeUU("#86)C\n`\nend\n"), "abc");
  EXPECT_EQ(DecodeUU(""), "");
  EXPECT_EQ(DecodeUU("\r\n\r\n"), "");
}

// ---------------------------------------------------------------------------
// BinHex

TEST(BinHex, EncodingShape) {
  // 0x00 and 0xFF map to the first and last letters of the alphabet.
  EXPECT_EQ(EncodeBinHex(std::string(3, '\0'), "\n"), ":!!!!:");
  EXPECT_EQ(EncodeBinHex(std::string(3, '\xFF'), "\n"), ":rrrr:");
  EXPECT_EQ(EncodeBinHex("", "\n"), "::");
  const std::string text = EncodeBinHex(RandomBytes(300, 3), "\r\n");
  // Lines of 64 characters, the leading colon included.
  std::size_t start = 0;
  std::vector<std::size_t> lengths;
  for (std::size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
    lengths.push_back(p - start);
  lengths.push_back(text.size() - start);
  ASSERT_EQ(lengths.size(), 7u);  // 1 + 400 + 1 characters
  for (std::size_t i = 0; i + 1 < lengths.size(); ++i) EXPECT_EQ(lengths[i], 64u);
  EXPECT_EQ(lengths.back(), 402u - 6 * 64);
  EXPECT_EQ(text.front(), ':');
  EXPECT_EQ(text.back(), ':');
}

TEST(BinHex, RoundTripsAndStopsAtTheClosingColon) {
  for (std::size_t n : kSizes) {
    const std::string data = RandomBytes(n, static_cast<unsigned>(n) + 200);
    EXPECT_EQ(DecodeBinHex(EncodeBinHex(data, "\r\n")), data) << n;
    EXPECT_EQ(DecodeBinHex("\r\n" + EncodeBinHex(data, "\n") + "trailing text"), data) << n;
  }
  EXPECT_EQ(DecodeBinHex(""), "");
  EXPECT_EQ(DecodeBinHex(":"), "");
}

// ---------------------------------------------------------------------------
// Header words

TEST(HeaderString, EncodesJapaneseRunsAsIso2022JpWords) {
  // "件名: テスト test 表示" in Shift_JIS; 表 has the trail byte 0x5C.
  const std::string subject = "\x8C\x8F\x96\xBC: \x83\x65\x83\x58\x83\x67 test \x95\x5C\x8E\xA6";
  const std::string header = CreateHeaderString(subject);
  for (char c : header) ASSERT_LT(static_cast<unsigned char>(c), 0x80u) << header;
  // Three words with the ASCII runs between them as they were.
  std::vector<std::string> words;
  std::string rest;
  std::size_t pos = 0;
  while (true) {
    const std::size_t b = header.find("=?ISO-2022-JP?B?", pos);
    rest += header.substr(pos, b == std::string::npos ? std::string::npos : b - pos);
    if (b == std::string::npos) break;
    const std::size_t e = header.find("?=", b + 16);
    ASSERT_NE(e, std::string::npos);
    words.push_back(header.substr(b + 16, e - b - 16));
    pos = e + 2;
  }
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(rest, ":  test ");
  // Each word is independently valid ISO-2022-JP for its run.
  const char* runs[] = {"\x8C\x8F\x96\xBC", "\x83\x65\x83\x58\x83\x67", "\x95\x5C\x8E\xA6"};
  for (int i = 0; i < 3; ++i) {
    const std::string jis = DecodeBase64(words[i]);
    EXPECT_EQ(jtest::Iconv("ISO-2022-JP", "SHIFT_JIS", jis).value_or("<rejected>"), runs[i]);
    EXPECT_EQ(jis.substr(jis.size() - 3), "\x1B(B");
  }
  // And the pair of helpers round-trips through JIS.
  EXPECT_EQ(jis2sjis(DecodeHeaderString(header)), subject);
}

TEST(HeaderString, HalfWidthKanaIsEncodedToo) {
  const std::string header = CreateHeaderString("a\xB6\xDE" "b");
  for (char c : header) ASSERT_LT(static_cast<unsigned char>(c), 0x80u) << header;
  EXPECT_EQ(jis2sjis(DecodeHeaderString(header)), "a\x83\x4B" "b");  // full-width ガ
  EXPECT_EQ(CreateHeaderString("plain ascii"), "plain ascii");
}

TEST(HeaderString, Decoding) {
  const std::string word = "=?ISO-2022-JP?B?" + EncodeBase64("\x1B$B\x30\x21\x1B(B") + "?=";
  EXPECT_EQ(DecodeHeaderString("Re: " + word + " x"), "Re: \x1B$B\x30\x21\x1B(B\x1B(J x");
  // The prefix is found without regard to case.
  std::string lower = word;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  lower.replace(16, lower.size() - 18, word.substr(16, word.size() - 18));  // payload keeps its case
  EXPECT_EQ(DecodeHeaderString(lower), "\x1B$B\x30\x21\x1B(B\x1B(J");
  // An unterminated word, or another charset, is left alone.
  EXPECT_EQ(DecodeHeaderString("x =?ISO-2022-JP?B?GyRC"), "x =?ISO-2022-JP?B?GyRC");
  EXPECT_EQ(DecodeHeaderString("=?UTF-8?B?YQ==?="), "=?UTF-8?B?YQ==?=");
}

}  // namespace
