#include "text/jcode.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

int STRICT_CHECK_LEN = 512;

namespace {

using u8 = unsigned char;

constexpr u8 kEsc = 0x1B;
constexpr u8 kCR = 0x0D;
constexpr u8 kLF = 0x0A;

inline u8 At(std::string_view s, std::size_t i) { return static_cast<u8>(s[i]); }

inline bool In(u8 c, u8 lo, u8 hi) { return c >= lo && c <= hi; }

// JIS row/cell to Shift_JIS, written straight into a buffer (hot in the converters).
inline void PutSjis(char*& out, u8 j1, u8 j2) {
  *out++ = static_cast<char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
  *out++ = static_cast<char>(j2 + ((j1 & 1) == 0 ? 0x7E : (j2 < 0x60 ? 0x1F : 0x20)));
}

// Shift_JIS to JIS row/cell; the row wraps modulo 256 for bytes outside JIS X 0208.
inline void SjisToJisPair(u8 s1, u8 s2, u8& row, u8& cell) {
  row = static_cast<u8>(2 * (s1 - (s1 < 0xA0 ? 0x70 : 0xB0)));
  if (s2 <= 0x9E) {
    row = static_cast<u8>(row - 1);
    cell = static_cast<u8>(s2 - (s2 >= 0x80 ? 0x20 : 0x1F));
  } else {
    cell = static_cast<u8>(s2 - 0x7E);
  }
}

// Full-width JIS X 0208 cell in row 0x25 (or 0x21, flagged by the high byte) for each
// half-width katakana 0xA1-0xDF.
constexpr std::uint16_t kKanaToJis[0xDF - 0xA1 + 1] = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523,  // A1-A8
    0x2525, 0x2527, 0x2529, 0x2563, 0x2565, 0x2567, 0x2543, 0x213C,  // A9-B0
    0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B, 0x252D, 0x252F,  // B1-B8
    0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F,  // B9-C0
    0x2541, 0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C, 0x254D,  // C1-C8
    0x254E, 0x254F, 0x2552, 0x2555, 0x2558, 0x255B, 0x255E, 0x255F,  // C9-D0
    0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569, 0x256A,  // D1-D8
    0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C,          // D9-DF
};

// The full-width form of half-width katakana `k`, merged with the following voicing
// mark `next` (0 when there is none).  Sets `merged` when the mark was used up.
inline std::uint16_t KanaToJis(u8 k, u8 next, bool& merged) {
  std::uint16_t code = kKanaToJis[k - 0xA1];
  merged = false;
  if (next == 0xDE) {
    if (k == 0xB3) {
      code = 0x2574;
      merged = true;
    } else if (In(k, 0xB6, 0xC4) || In(k, 0xCA, 0xCE)) {
      code += 1;
      merged = true;
    }
  } else if (next == 0xDF && In(k, 0xCA, 0xCE)) {
    code += 2;
    merged = true;
  }
  return code;
}

// Shared by the two ISO-2022-JP writers: keeps the shift state.
class JisWriter {
 public:
  explicit JisWriter(std::size_t reserve) { out_.reserve(reserve); }
  void Kanji(u8 row, u8 cell) {
    if (!kanji_) {
      out_.append("\x1B$B", 3);
      kanji_ = true;
    }
    out_.push_back(static_cast<char>(row));
    out_.push_back(static_cast<char>(cell));
  }
  void Single(char c) {
    if (kanji_) {
      out_.append("\x1B(J", 3);
      kanji_ = false;
    }
    out_.push_back(c);
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  bool kanji_ = false;
};

// Escape handling shared by jis2sjis and jis2euc.  At an ESC, returns false when the
// escape is cut short by the end of the text (the conversion ends there); otherwise
// updates the kanji flag and steps over the three bytes.
inline bool SkipEscape(std::string_view s, std::size_t& i, bool& kanji) {
  if (i + 2 >= s.size()) return false;
  const u8 b = At(s, i + 1);
  if (b == '$') kanji = true;
  else if (b == '(') kanji = false;
  i += 3;
  return true;
}

}  // namespace

int InCodeCheck(std::string_view text) {
  const std::size_t n = text.size();
  const std::size_t strictLen = STRICT_CHECK_LEN > 0 ? static_cast<std::size_t>(STRICT_CHECK_LEN) : 0;
  // Positions up to the last but one: the last byte is never looked at on its own.
  for (std::size_t i = 0; i < strictLen && i + 1 < n; ++i) {
    const u8 c = At(text, i);
    if (c < 0x08 || c == 0xFF) return JCODE_BINARY;
  }

  int result = JCODE_ASCII;
  std::size_t i = 0;
  while ((result == JCODE_ASCII || result == JCODE_EUC_OR_SJIS) && i + 1 < n) {
    const u8 c = At(text, i);
    if (c == kEsc) {
      ++i;
      if (At(text, i) == '$' && i + 1 < n) {
        ++i;
        if (At(text, i) == 'B') result = JCODE_JIS;
        else if (At(text, i) == '@') result = JCODE_JIS_OLD;
      }
    } else if (c < 0x08 || c == 0xFF) {
      result = JCODE_BINARY;
    } else if (c <= 0x7F) {
      // plain ASCII
    } else if (In(c, 0x81, 0x8D) || In(c, 0x8F, 0x9F)) {
      result = JCODE_SJIS;
    } else if (c == 0x8E) {
      const u8 d = At(text, ++i);
      if (In(d, 0x40, 0x7E) || In(d, 0x80, 0xA0) || In(d, 0xE0, 0xFC)) result = JCODE_SJIS;
      else if (In(d, 0xA1, 0xDF)) result = JCODE_EUC_OR_SJIS;
    } else if (In(c, 0xA1, 0xDF)) {
      const u8 d = At(text, ++i);
      if (In(d, 0xF0, 0xFE)) {
        result = JCODE_EUC;
      } else if (In(d, 0xA1, 0xDF)) {
        result = JCODE_EUC_OR_SJIS;
      } else if (In(d, 0xE0, 0xEF)) {
        result = JCODE_EUC_OR_SJIS;
        // Shift_JIS kana + kanji lead, or EUC-JP kanji: look further for a byte that
        // only one of them can hold.
        while (result == JCODE_EUC_OR_SJIS && i + 1 < n && At(text, i + 1) >= 0x40) {
          const u8 e = At(text, ++i);
          if (In(e, 0x81, 0x8D) || In(e, 0x8F, 0x9C)) result = JCODE_SJIS;
          else if (e == 0xFD || e == 0xFE) result = JCODE_EUC;
        }
      } else if (d <= 0x9F) {
        result = JCODE_SJIS;
      }
    } else if (In(c, 0xF0, 0xFE)) {
      result = JCODE_EUC;
    } else if (In(c, 0xE0, 0xEF)) {
      const u8 d = At(text, ++i);
      if (In(d, 0x40, 0x7E) || In(d, 0x80, 0xA0)) result = JCODE_SJIS;
      else if (d == 0xFD || d == 0xFE) result = JCODE_EUC;
      else if (In(d, 0xA1, 0xFC)) result = JCODE_EUC_OR_SJIS;
    }
    ++i;
  }
  return result;
}

std::string ToSjis(unsigned char j1, unsigned char j2) {
  char buf[2];
  char* p = buf;
  PutSjis(p, j1, j2);
  return std::string(buf, 2);
}

std::string ToJis(unsigned char s1, unsigned char s2) {
  u8 row, cell;
  SjisToJisPair(s1, s2, row, cell);
  const char buf[2] = {static_cast<char>(row), static_cast<char>(cell)};
  return std::string(buf, 2);
}

std::string jis2sjis(std::string_view text) {
  const std::size_t n = text.size();
  std::string out(n + 1, '\0');
  char* o = out.data();
  bool kanji = false;
  std::size_t i = 0;
  while (i < n) {
    const u8 c = At(text, i);
    if (c == kEsc) {
      if (!SkipEscape(text, i, kanji)) break;
      continue;
    }
    if (kanji) {
      if (i + 1 >= n) {  // half a pair at the end: keep the byte
        *o++ = static_cast<char>(c);
        break;
      }
      PutSjis(o, c, At(text, i + 1));
      i += 2;
    } else {
      *o++ = static_cast<char>(c);
      ++i;
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

std::string jis2euc(std::string_view text) {
  const std::size_t n = text.size();
  std::string out;
  out.reserve(n);
  bool kanji = false;
  std::size_t i = 0;
  while (i < n) {
    const u8 c = At(text, i);
    if (c == kEsc) {
      if (!SkipEscape(text, i, kanji)) break;
      continue;
    }
    out.push_back(static_cast<char>(kanji && In(c, 0x21, 0x7E) ? (c | 0x80) : c));
    ++i;
  }
  return out;
}

namespace {

// Shift_JIS bytes (first byte in the low half) for every pair of 7-bit JIS bytes, so
// that the EUC-JP reader converts a character with one load; 32 KB.
struct EucPairTable {
  std::uint16_t sjis[0x80 * 0x80];
  EucPairTable() {
    for (unsigned j1 = 0; j1 < 0x80; ++j1) {
      for (unsigned j2 = 0; j2 < 0x80; ++j2) {
        char buf[2];
        char* p = buf;
        PutSjis(p, static_cast<u8>(j1), static_cast<u8>(j2));
        std::memcpy(&sjis[(j1 << 7) | j2], buf, 2);
      }
    }
  }
};

const EucPairTable& EucPairs() {
  static const EucPairTable table;
  return table;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

}  // namespace

std::string euc2sjis(std::string_view text) {
  const std::size_t n = text.size();
  const std::uint16_t* pairs = EucPairs().sjis;
  std::string out(n, '\0');
  char* o = out.data();
  const u8* s = reinterpret_cast<const u8*>(text.data());
  std::size_t i = 0;
  while (i < n) {
    const u8 c = s[i];
    if (c < 0x80) {
      // Runs of ASCII (markup, English) go eight bytes at a time.
      std::uint64_t w;
      while (i + 8 <= n && (std::memcpy(&w, s + i, 8), (w & kHighBits) == 0)) {
        std::memcpy(o, &w, 8);
        o += 8;
        i += 8;
      }
      while (i < n && s[i] < 0x80) *o++ = static_cast<char>(s[i++]);
    } else if (c == 0x80 || c == 0xFF || i + 1 >= n) {
      // Not a lead byte, or a lone lead byte at the end: kept as it is.
      *o++ = static_cast<char>(c);
      ++i;
    } else if (c == 0x8E) {  // half-width katakana: the same byte in Shift_JIS
      *o++ = static_cast<char>(s[i + 1]);
      i += 2;
    } else {
      // Runs of kanji and kana: stay in this loop while pairs follow.
      u8 lead = c;
      do {
        std::memcpy(o, &pairs[((lead & 0x7F) << 7) | (s[i + 1] & 0x7F)], 2);
        o += 2;
        i += 2;
      } while (i + 1 < n && (lead = s[i]) >= 0xA1 && lead != 0xFF);
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

std::string sjis2euc(std::string_view text) {
  const std::size_t n = text.size();
  std::string out(2 * n, '\0');
  char* o = out.data();
  const u8* s = reinterpret_cast<const u8*>(text.data());
  std::size_t i = 0;
  while (i < n) {
    const u8 c = s[i];
    if (c < 0x80) {
      *o++ = static_cast<char>(c);
      ++i;
    } else if (In(c, 0xA1, 0xDF)) {
      *o++ = static_cast<char>(0x8E);
      *o++ = static_cast<char>(c);
      ++i;
    } else if (i + 1 >= n) {
      *o++ = static_cast<char>(c);
      ++i;
    } else {
      u8 row, cell;
      SjisToJisPair(c, s[i + 1], row, cell);
      *o++ = static_cast<char>(row | 0x80);
      *o++ = static_cast<char>(cell | 0x80);
      i += 2;
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

std::string sjis2jis83(std::string_view text) {
  const std::size_t n = text.size();
  JisWriter w(n + n / 2 + 8);
  std::size_t i = 0;
  while (i < n) {
    const u8 c = At(text, i);
    if (c < 0x80) {
      w.Single(static_cast<char>(c));
      ++i;
    } else if (In(c, 0xA1, 0xDF)) {
      bool merged;
      const std::uint16_t code = KanaToJis(c, i + 1 < n ? At(text, i + 1) : 0, merged);
      w.Kanji(static_cast<u8>(code >> 8), static_cast<u8>(code));
      i += merged ? 2 : 1;
    } else if (i + 1 >= n) {
      break;  // half a character cannot be written in JIS
    } else {
      u8 row, cell;
      SjisToJisPair(c, At(text, i + 1), row, cell);
      w.Kanji(row, cell);
      i += 2;
    }
  }
  return w.Take();
}

std::string euc2jis83(std::string_view text) {
  const std::size_t n = text.size();
  JisWriter w(n + n / 2 + 8);
  std::size_t i = 0;
  while (i < n) {
    const u8 c = At(text, i);
    if (c < 0x80) {
      w.Single(static_cast<char>(c));
      ++i;
    } else if (i + 1 >= n) {
      break;  // half a character cannot be written in JIS
    } else if (c == 0x8E && In(At(text, i + 1), 0xA1, 0xDF)) {
      const u8 k = At(text, i + 1);
      const u8 next = (i + 3 < n && At(text, i + 2) == 0x8E) ? At(text, i + 3) : 0;
      bool merged;
      const std::uint16_t code = KanaToJis(k, next, merged);
      w.Kanji(static_cast<u8>(code >> 8), static_cast<u8>(code));
      i += merged ? 4 : 2;
    } else {
      w.Kanji(c & 0x7F, At(text, i + 1) & 0x7F);
      i += 2;
    }
  }
  return w.Take();
}

std::string StrictConvertJCode(std::string_view text, int source, int target) {
  const bool fromJis = source == JCODE_JIS || source == JCODE_JIS_OLD;
  switch (target) {
    case JCODE_JIS:
      if (source == JCODE_EUC) return euc2jis83(text);
      if (source == JCODE_SJIS) return sjis2jis83(text);
      break;
    case JCODE_EUC:
      if (fromJis) return jis2euc(text);
      if (source == JCODE_SJIS) return sjis2euc(text);
      break;
    case JCODE_SJIS:
      if (fromJis) return jis2sjis(text);
      if (source == JCODE_EUC) return euc2sjis(text);
      break;
    default:
      break;
  }
  return std::string(text);
}

std::string ConvertJCode(std::string_view text, int target) {
  return StrictConvertJCode(text, InCodeCheck(text), target);
}

int ReturnCodeCheck(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const u8 c = At(text, i);
    if (c == kLF) return RETCODE_LF;
    if (c == kCR) return (i + 1 < text.size() && At(text, i + 1) == kLF) ? RETCODE_CRLF : RETCODE_CR;
  }
  return RETCODE_NONE;
}

namespace {

std::string_view LineBreakOf(int code) {
  switch (code) {
    case RETCODE_CRLF: return "\r\n";
    case RETCODE_CR: return "\r";
    case RETCODE_LF: return "\n";
    default: return {};
  }
}

}  // namespace

std::string StrictConvertReturnCode(std::string_view text, int source, int target) {
  const std::string_view from = LineBreakOf(source);
  const std::string_view to = LineBreakOf(target);
  if (from.empty() || to.empty() || source == target) return std::string(text);
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  std::size_t i = 0;
  while (i < text.size()) {
    // Only a whole source line break is replaced: a lone CR in a CR LF text stays,
    // together with the byte after it.
    if (text[i] == from[0] && text.substr(i, from.size()) == from) {
      out.append(to);
      i += from.size();
    } else {
      out.push_back(text[i]);
      ++i;
    }
  }
  return out;
}

std::string ConvertReturnCode(std::string_view text, int target) {
  return StrictConvertReturnCode(text, ReturnCodeCheck(text), target);
}
