#include "text/mime_coders.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/codepage.h"
#include "text/jcode.h"

namespace {

using u8 = unsigned char;

constexpr char kBase64Chars[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kBinHexChars[] =
    "!\"#$%&'()*+,-012345689@ABCDEFGHIJKLMNPQRSTUVXYZ[`abcdefhijklmpqr";

// Reverse lookup: value 0-63, or -1 for a character outside the alphabet.
std::array<signed char, 256> ReverseTable(const char* alphabet) {
  std::array<signed char, 256> t{};
  t.fill(-1);
  for (int v = 0; v < 64; ++v) t[static_cast<u8>(alphabet[v])] = static_cast<signed char>(v);
  return t;
}

const std::array<signed char, 256>& Base64Values() {
  static const auto table = ReverseTable(kBase64Chars);
  return table;
}

const std::array<signed char, 256>& BinHexValues() {
  static const auto table = ReverseTable(kBinHexChars);
  return table;
}

inline u8 At(std::string_view s, std::size_t i) { return static_cast<u8>(s[i]); }

// uuencode: 0 is written as the grave accent so that lines carry no spaces.
inline char UUChar(unsigned v) { return v == 0 ? '`' : static_cast<char>(0x20 + v); }

// Three bytes (zero-filled past `count`) as four 6-bit values.
inline void Split24(std::string_view s, std::size_t i, std::size_t count, unsigned v[4]) {
  const unsigned b0 = At(s, i);
  const unsigned b1 = count > 1 ? At(s, i + 1) : 0;
  const unsigned b2 = count > 2 ? At(s, i + 2) : 0;
  const unsigned w = (b0 << 16) | (b1 << 8) | b2;
  v[0] = (w >> 18) & 0x3F;
  v[1] = (w >> 12) & 0x3F;
  v[2] = (w >> 6) & 0x3F;
  v[3] = w & 0x3F;
}

std::string Base64(std::string_view bytes, std::string_view lineBreak) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4 + (bytes.size() / 57 + 1) * lineBreak.size());
  const std::size_t full = bytes.size() / 3 * 3;
  std::size_t column = 0;
  unsigned v[4];
  for (std::size_t i = 0; i < full; i += 3) {
    Split24(bytes, i, 3, v);
    for (unsigned x : v) out.push_back(kBase64Chars[x]);
    column += 4;
    if (!lineBreak.empty() && column == 76) {
      out.append(lineBreak);
      column = 0;
    }
  }
  const std::size_t rest = bytes.size() - full;
  if (rest > 0) {
    Split24(bytes, full, rest, v);
    out.push_back(kBase64Chars[v[0]]);
    out.push_back(kBase64Chars[v[1]]);
    out.push_back(rest == 2 ? kBase64Chars[v[2]] : '=');
    out.push_back('=');
  }
  return out;
}

}  // namespace

std::string EncodeBase64(std::string_view bytes) { return Base64(bytes, {}); }

std::string EncodeBase64R(std::string_view bytes, std::string_view lineBreak) {
  return Base64(bytes, lineBreak);
}

std::string EncodeUU(std::string_view bytes, std::string_view lineBreak) {
  std::string out;
  out.reserve((bytes.size() / 45 + 2) * (61 + lineBreak.size()));
  unsigned v[4];
  for (std::size_t line = 0; line < bytes.size(); line += 45) {
    const std::size_t count = bytes.size() - line < 45 ? bytes.size() - line : 45;
    out.push_back(UUChar(static_cast<unsigned>(count)));
    for (std::size_t i = 0; i < count; i += 3) {
      Split24(bytes, line + i, count - i, v);
      for (unsigned x : v) out.push_back(UUChar(x));
    }
    out.append(lineBreak);
  }
  out.push_back('`');
  out.append(lineBreak);
  return out;
}

std::string EncodeBinHex(std::string_view bytes, std::string_view lineBreak) {
  std::string out;
  out.reserve(bytes.size() * 4 / 3 + 4 + (bytes.size() / 48 + 1) * lineBreak.size());
  std::size_t column = 0;
  auto put = [&](char c) {
    if (column == 64) {
      out.append(lineBreak);
      column = 0;
    }
    out.push_back(c);
    ++column;
  };
  put(':');
  unsigned bits = 0;
  int nbits = 0;
  for (char ch : bytes) {
    bits = (bits << 8) | static_cast<u8>(ch);
    nbits += 8;
    while (nbits >= 6) {
      nbits -= 6;
      put(kBinHexChars[(bits >> nbits) & 0x3F]);
    }
    bits &= (1u << nbits) - 1;
  }
  if (nbits > 0) put(kBinHexChars[(bits << (6 - nbits)) & 0x3F]);
  put(':');
  return out;
}

std::string DecodeBase64(std::string_view text) {
  const auto& values = Base64Values();
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  unsigned v[4];
  int have = 0;
  auto flush = [&]() {
    // A group of n characters carries n-1 whole bytes.
    if (have >= 2) out.push_back(static_cast<char>((v[0] << 2) | (v[1] >> 4)));
    if (have >= 3) out.push_back(static_cast<char>(((v[1] & 0x0F) << 4) | (v[2] >> 2)));
    if (have >= 4) out.push_back(static_cast<char>(((v[2] & 0x03) << 6) | v[3]));
    have = 0;
  };
  for (char ch : text) {
    if (ch == '=') {
      flush();
      continue;
    }
    const int x = values[static_cast<u8>(ch)];
    if (x < 0) continue;  // CR, LF and anything else outside the alphabet
    v[have++] = static_cast<unsigned>(x);
    if (have == 4) flush();
  }
  flush();
  return out;
}

std::string DecodeUU(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (text[i] == '\r' || text[i] == '\n') {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
    const unsigned count = (At(text, i) - 0x20u) & 0x3F;
    if (count == 0) break;  // the terminating "`" line
    std::size_t p = i + 1;
    unsigned produced = 0;
    while (produced < count) {
      unsigned v[4] = {0, 0, 0, 0};
      for (int k = 0; k < 4; ++k) {
        if (p < end) v[k] = (At(text, p++) - 0x20u) & 0x3F;
      }
      const u8 b[3] = {static_cast<u8>((v[0] << 2) | (v[1] >> 4)),
                       static_cast<u8>(((v[1] & 0x0F) << 4) | (v[2] >> 2)),
                       static_cast<u8>(((v[2] & 0x03) << 6) | v[3])};
      for (int k = 0; k < 3 && produced < count; ++k, ++produced) out.push_back(static_cast<char>(b[k]));
    }
    i = end;
  }
  return out;
}

std::string DecodeBinHex(std::string_view text) {
  const auto& values = BinHexValues();
  std::string out;
  out.reserve(text.size() * 3 / 4);
  std::size_t i = 0;
  while (i < text.size() && (text[i] == '\r' || text[i] == '\n')) ++i;
  if (i < text.size() && text[i] == ':') ++i;
  unsigned bits = 0;
  int nbits = 0;
  for (; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r' || ch == '\n') continue;
    const int x = values[static_cast<u8>(ch)];
    if (x < 0) break;  // the closing ':' or anything else outside the alphabet
    bits = (bits << 6) | static_cast<unsigned>(x);
    nbits += 6;
    if (nbits >= 8) {
      nbits -= 8;
      out.push_back(static_cast<char>((bits >> nbits) & 0xFF));
      bits &= (1u << nbits) - 1;
    }
  }
  return out;
}

std::string CreateHeaderString(std::string_view text) {
  static constexpr std::string_view kPrefix = "=?ISO-2022-JP?B?";
  std::string out;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    std::size_t j = i;
    if (At(text, i) < 0x80) {
      while (j < n && At(text, j) < 0x80) ++j;
      out.append(text.substr(i, j - i));
    } else {
      // Japanese run: double-byte characters and half-width katakana alike, since a
      // header must stay 7-bit.
      while (j < n && At(text, j) >= 0x80) j += platform::AnsiCharLength(text, j);
      std::string jis = sjis2jis83(text.substr(i, j - i));
      jis.append("\x1B(B", 3);  // an encoded word must end in ASCII
      out.append(kPrefix);
      out.append(EncodeBase64(jis));
      out.append("?=");
    }
    i = j;
  }
  return out;
}

std::string DecodeHeaderString(std::string_view text) {
  static constexpr std::string_view kPrefix = "=?ISO-2022-JP?B?";
  auto prefixAt = [&](std::size_t pos) {
    if (pos + kPrefix.size() > text.size()) return false;
    for (std::size_t k = 0; k < kPrefix.size(); ++k) {
      char c = text[pos + k];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != kPrefix[k]) return false;
    }
    return true;
  };
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '=' && prefixAt(i)) {
      const std::size_t start = i + kPrefix.size();
      const std::size_t end = text.find("?=", start);
      if (end == std::string_view::npos) break;  // unterminated word: copied as it is below
      out.append(DecodeBase64(text.substr(start, end - start)));
      out.append("\x1B(J", 3);
      i = end + 2;
    } else {
      out.push_back(text[i]);
      ++i;
    }
  }
  out.append(text.substr(i));
  return out;
}
