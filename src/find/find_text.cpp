#include "find/find_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "text/html_parser.h"
#include "text/jcode.h"

namespace {

// A search text made ready for scanning bodies: each byte compared exactly, as an
// ASCII letter in either case (byte | 0x20), or as the trail byte of a full-width
// Latin letter in either case.  Candidates are sifted by two of its bytes sixteen
// positions at a time, so a body is scanned at about the speed of memchr however
// the case is treated.
class TSearchText {
 public:
  TSearchText(std::string_view text, bool ignoreCase) : text_(text), how_(text.size(), kExact) {
    for (std::size_t i = 0; ignoreCase && i < text.size();) {
      const std::size_t n = platform::AnsiCharLength(text, i);
      const unsigned char c = static_cast<unsigned char>(text[i]);
      if (n == 1 && c >= 'a' && c <= 'z') {
        how_[i] = kLetter;
      } else if (n == 2 && c == 0x82) {
        const unsigned char t = static_cast<unsigned char>(text[i + 1]);
        if (t >= 0x81 && t <= 0x9A) how_[i + 1] = kWideTrail;  // ａ-ｚ; Ａ-Ｚ is 0x21 lower
      }
      i += n;
    }
    // The second sifting byte: the last one that is not a full-width trail.
    last_ = text_.empty() ? 0 : text_.size() - 1;
    while (last_ > 0 && how_[last_] == kWideTrail) --last_;
  }

  std::size_t size() const { return text_.size(); }

  // First position at or after `from` where the text stands (a character boundary or
  // not); npos when none.
  std::size_t Find(std::string_view s, std::size_t from = 0) const {
    const std::size_t len = text_.size();
    if (len == 0) return from <= s.size() ? from : platform::npos;
    if (len > s.size()) return platform::npos;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t lastStart = s.size() - len;
    const unsigned char m0 = Mask(0), mk = Mask(last_);
    const unsigned char t0 = t[0], tk = t[last_];
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i f = _mm_set1_epi8(static_cast<char>(t0)), fm = _mm_set1_epi8(static_cast<char>(m0));
    const __m128i l = _mm_set1_epi8(static_cast<char>(tk)), lm = _mm_set1_epi8(static_cast<char>(mk));
    for (; i + 16 <= lastStart + 1; i += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + last_));
      const __m128i eq = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, fm), f),
                                       _mm_cmpeq_epi8(_mm_or_si128(b, lm), l));
      for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(eq)); bits; bits &= bits - 1) {
        const std::size_t pos = i + static_cast<std::size_t>(__builtin_ctz(bits));
        if (Equal(p + pos)) return pos;
      }
    }
#endif
    for (; i <= lastStart; ++i)
      if ((p[i] | m0) == t0 && (p[i + last_] | mk) == tk && Equal(p + i)) return i;
    return platform::npos;
  }

  // True when the text stands in `s` starting on a character boundary.
  bool FindAtBoundary(std::string_view s) const {
    std::size_t from = 0;      // where the next candidate search starts
    std::size_t boundary = 0;  // a known character boundary at or before `from`
    for (;;) {
      const std::size_t pos = Find(s, from);
      if (pos == platform::npos) return false;
      while (boundary < pos) boundary += platform::AnsiCharLength(s, boundary);
      if (boundary == pos) return true;
      // The candidate began on a trail byte: look again from the next byte.
      from = pos + 1;
    }
  }

 private:
  enum How : unsigned char { kExact, kLetter, kWideTrail };
  unsigned char Mask(std::size_t i) const { return how_[i] == kLetter ? 0x20 : 0; }
  bool Equal(const unsigned char* q) const {
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text_.data());
    for (std::size_t j = 0; j < text_.size(); ++j) {
      const unsigned char c = q[j];
      switch (how_[j]) {
        case kExact:
          if (c != t[j]) return false;
          break;
        case kLetter:
          if ((c | 0x20) != t[j]) return false;
          break;
        case kWideTrail:
          if (c != t[j] && c != t[j] - 0x21) return false;
          break;
      }
    }
    return true;
  }

  std::string_view text_;
  std::vector<How> how_;
  std::size_t last_ = 0;
};

// A text that can only match plain single-byte characters: printable ASCII without
// '?' (which a converter writes for a character it cannot map).
bool PlainAsciiText(std::string_view text) {
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c > 0x7E || c == '?') return false;
  }
  return true;
}

// True when converting the body could bring two runs of single-byte text together
// that lie apart in the raw bytes (a byte or a sequence dropped between them): then
// the raw bytes say nothing about what the converted text holds.
bool ConversionMayJoin(std::string_view s, int code) {
  const char* p = s.data();
  const std::size_t n = s.size();
  if (code == JCODE_EUC) return std::memchr(p, 0x8E, n) != nullptr;  // SS2 is dropped
  if (std::memchr(p, 0x0E, n)) return true;  // shifted kana runs
  bool ascii = true;
  std::size_t lastEnd = SIZE_MAX;
  for (std::size_t i = 0; i < n;) {
    const void* hit = std::memchr(p + i, 0x1B, n - i);
    if (!hit) break;
    std::size_t e = static_cast<std::size_t>(static_cast<const char*>(hit) - p);
    if (e + 2 >= n) return true;
    std::size_t len = 3;
    if (s[e + 1] == '(') {
      char f = s[e + 2];
      bool toAscii = f == 'B' || f == 'J' || f == 'H';
      // Single-byte text after single-byte text, or after an empty kanji or kana run.
      if (toAscii && (ascii || e == lastEnd)) return true;
      ascii = toAscii;
    } else if (s[e + 1] == '$') {
      if (s[e + 2] == '(') len = 4;
      ascii = false;
    } else {
      return true;  // an escape the converter may drop
    }
    lastEnd = e + len;
    i = e + len;
  }
  return false;
}

// Valid UTF-8 with at least one character beyond ASCII.  A sequence cut short by the
// end of the body (a transfer broken off) does not count against it.
bool ValidUtf8BeyondAscii(std::string_view s) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  bool beyond = false;
  std::size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      std::uint64_t w;
      std::memcpy(&w, p + i, 8);
      if (!(w & 0x8080808080808080ull)) {
        i += 8;
        continue;
      }
    }
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    for (std::size_t k = 1; k < len; ++k) {
      if (i + k >= n) return beyond;
      const unsigned char d = p[i + k];
      if (k == 1 ? (d < low || d > high) : (d < 0x80 || d > 0xBF)) return false;
    }
    beyond = true;
    i += len;
  }
  return beyond;
}

// True when the page says it is UTF-8 (a META charset the parser reads).  Only the
// head is looked at, and only when "utf" occurs at all.
bool DeclaresUtf8(std::string_view s) {
  constexpr std::size_t kHeadLimit = 64 * 1024;
  static const TSearchText utf("utf", true);
  const std::string_view head = s.substr(0, kHeadLimit);
  if (utf.Find(head) == platform::npos) return false;
  THTMLParser parser;
  parser.SetText(head);
  return parser.CharsetType() == HtmlCharsetType::Utf8;
}

// A body that is to be converted from JIS or EUC-JP (`code`) before searching.
bool ConvertedContains(std::string_view content, int code, const TSearchText& search,
                       bool plainAscii) {
  // Converting is the costly part.  A plain ASCII text can only be found in the
  // converted body where it already stands in the raw bytes (conversion keeps
  // single-byte runs as they are), so a raw miss settles it, unless conversion could
  // join runs.  (Any ASCII letter of the raw bytes is folded here, which finds at
  // least what the converted body holds.)
  if (plainAscii && !ConversionMayJoin(content, code) && search.Find(content) == platform::npos)
    return false;
  return search.FindAtBoundary(StrictConvertJCode(content, code, JCODE_SJIS));
}

}  // namespace

std::string FindFoldCase(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t n = platform::AnsiCharLength(out, i);
    const unsigned char c = static_cast<unsigned char>(out[i]);
    std::uint16_t code = n == 1 ? c : static_cast<std::uint16_t>((c << 8) | static_cast<unsigned char>(out[i + 1]));
    const std::uint16_t folded = FindFoldChar(code);
    if (folded != code) {
      if (n == 1) out[i] = static_cast<char>(folded);
      else out[i + 1] = static_cast<char>(folded & 0xFF);
    }
    i += n;
  }
  return out;
}

bool BytesContainText(std::string_view content, std::string_view text, bool ignoreCase) {
  if (text.empty()) return true;
  const TSearchText search(text, ignoreCase);
  const bool plainAscii = PlainAsciiText(text);
  const int code = InCodeCheck(content);
  if (code == JCODE_JIS || code == JCODE_JIS_OLD)
    return ConvertedContains(content, JCODE_JIS, search, plainAscii);
  if (code != JCODE_EUC && code != JCODE_SJIS && code != JCODE_EUC_OR_SJIS)
    return search.FindAtBoundary(content);  // ASCII, binary

  // A plain ASCII text stands in the raw bytes wherever it stands in the page, however
  // the page is read, unless converting EUC-JP drops a byte between two runs: a raw
  // miss settles it before the costlier questions below.
  if (plainAscii && (code == JCODE_SJIS || !ConversionMayJoin(content, JCODE_EUC)) &&
      search.Find(content) == platform::npos)
    return false;
  // UTF-8 reads as one of these three (あ is E3 81 82, a Shift_JIS lead and trail).
  if (ValidUtf8BeyondAscii(content) || DeclaresUtf8(content)) {
    // An ASCII byte of UTF-8 is always a character of its own, and converting writes
    // it unchanged and nothing else as ASCII but '?': for a plain ASCII text the raw
    // bytes are as good as the converted ones.
    if (plainAscii) return search.Find(content) != platform::npos;
    return search.FindAtBoundary(platform::Utf8ToAnsi(content));
  }
  if (code == JCODE_EUC) return ConvertedContains(content, JCODE_EUC, search, plainAscii);
  if (code == JCODE_SJIS) return search.FindAtBoundary(content);
  // Undecided (kana-only EUC-JP reads as Shift_JIS half-width kana): both readings.
  return search.FindAtBoundary(content) ||
         ConvertedContains(content, JCODE_EUC, search, plainAscii);
}

bool FileContainsText(const std::string& path, std::string_view text, bool ignoreCase) {
  if (path.empty()) return false;
  // Bodies are small and many: the thread keeps one buffer for all of them (large
  // bodies are mapped instead).
  thread_local platform::FileBuffer buffer;
  return platform::ReadFile(path, buffer) && BytesContainText(buffer.view(), text, ignoreCase);
}
