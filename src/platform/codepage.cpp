#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <array>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace platform {
namespace {

// ICU's table that maps like Windows code page 932: 0x5C stays '\', 0x7E stays '~',
// and the NEC and IBM extension rows are included.
constexpr const char* kCp932Name = "ibm-943_P15A-2003";

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
struct CollatorCloser {
  void operator()(UCollator* c) const { ucol_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

// ICU converters and collators keep state, so every thread (the search thread too)
// gets its own, created on first use.
UConverter* Cp932() {
  thread_local ConverterPtr conv = [] {
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open(kCp932Name, &err));
    if (c && U_SUCCESS(err)) {
      // Characters without a CP932 form become '?', as the system conversion does.
      UErrorCode e2 = U_ZERO_ERROR;
      ucnv_setSubstChars(c.get(), "?", 1, &e2);
    } else {
      c.reset();
    }
    return c;
  }();
  return conv.get();
}

UCollator* Collator(bool ignoreCase) {
  auto make = [](UColAttributeValue strength) {
    UErrorCode err = U_ZERO_ERROR;
    CollatorPtr c(ucol_open("ja", &err));
    if (!c || U_FAILURE(err)) return CollatorPtr();
    ucol_setStrength(c.get(), strength);
    return c;
  };
  thread_local CollatorPtr exact = make(UCOL_TERTIARY);
  thread_local CollatorPtr folded = make(UCOL_SECONDARY);
  return ignoreCase ? folded.get() : exact.get();
}

// Fallback when ICU cannot give us the converter: bytes below 0x80 map through,
// everything else is lost to the substitution characters.
std::u16string LatinFallbackToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (unsigned char c : s) out.push_back(c < 0x80 ? char16_t(c) : char16_t(0xFFFD));
  return out;
}

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

bool IsTrailByteAt(std::string_view s, std::size_t pos) {
  if (pos >= s.size()) return false;
  std::size_t i = 0;
  while (i < pos) i += AnsiCharLength(s, i);
  return i != pos;
}

std::size_t AnsiFind(std::string_view s, char ch, std::size_t from) {
  for (std::size_t i = from; i < s.size(); i += AnsiCharLength(s, i)) {
    if (s[i] == ch) return i;
  }
  return npos;
}

std::size_t AnsiFindLast(std::string_view s, char ch) {
  std::size_t found = npos;
  for (std::size_t i = 0; i < s.size(); i += AnsiCharLength(s, i)) {
    if (s[i] == ch) found = i;
  }
  return found;
}

std::size_t AnsiFindStr(std::string_view s, std::string_view sub, std::size_t from) {
  if (from > s.size()) return npos;
  if (sub.empty()) return from;
  for (std::size_t i = from; i + sub.size() <= s.size(); i += AnsiCharLength(s, i)) {
    if (s.compare(i, sub.size(), sub) == 0) return i;
  }
  return npos;
}

std::size_t AnsiFindLastStr(std::string_view s, std::string_view sub) {
  if (sub.empty()) return s.size();
  std::size_t found = npos;
  for (std::size_t i = 0; i + sub.size() <= s.size(); i += AnsiCharLength(s, i)) {
    if (s.compare(i, sub.size(), sub) == 0) found = i;
  }
  return found;
}

std::string AnsiReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  // Without the bytes anywhere there is nothing to replace at a character either.
  if (s.find(from) == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (i + from.size() <= s.size() && s.compare(i, from.size(), from) == 0) {
      out.append(to);
      i += from.size();
    } else {
      std::size_t n = AnsiCharLength(s, i);
      out.append(s.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::string AnsiLowerCase(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size();) {
    std::size_t n = AnsiCharLength(out, i);
    if (n == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = char(out[i] - 'A' + 'a');
    i += n;
  }
  return out;
}

std::string AnsiUpperCase(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size();) {
    std::size_t n = AnsiCharLength(out, i);
    if (n == 1 && out[i] >= 'a' && out[i] <= 'z') out[i] = char(out[i] - 'a' + 'A');
    i += n;
  }
  return out;
}

namespace {

std::u16string ConvertAnsiToUtf16(std::string_view s) {
  UConverter* conv = Cp932();
  if (!conv) return LatinFallbackToUtf16(s);
  // One byte or one double-byte character never gives more than one UTF-16 unit
  // in this table, but let ICU tell us if that ever changes.
  std::u16string out(s.size() + 1, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    ucnv_resetToUnicode(conv);
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(conv, out.data(), static_cast<int32_t>(out.size()), s.data(),
                              static_cast<int32_t>(s.size()), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
      out.assign(static_cast<std::size_t>(n) + 1, u'\0');
      continue;
    }
    if (U_FAILURE(err)) return LatinFallbackToUtf16(s);
    out.resize(static_cast<std::size_t>(n));
    return out;
  }
  return LatinFallbackToUtf16(s);
}

std::string ConvertUtf16ToAnsi(std::u16string_view s) {
  UConverter* conv = Cp932();
  if (!conv) {
    std::string out;
    for (char16_t c : s) out.push_back(c < 0x80 ? char(c) : '?');
    return out;
  }
  std::string out(s.size() * 2 + 1, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    ucnv_resetFromUnicode(conv);
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                                reinterpret_cast<const UChar*>(s.data()),
                                static_cast<int32_t>(s.size()), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
      out.assign(static_cast<std::size_t>(n) + 1, '\0');
      continue;
    }
    if (U_FAILURE(err)) return {};
    out.resize(static_cast<std::size_t>(n));
    return out;
  }
  return {};
}

// Most text (URLs, file names, header lines) is plain ASCII, which the code page
// maps to the same code points both ways; such text skips the converter.  Which
// bytes do is asked of the converter once.
const std::array<bool, 128>& UnchangedAscii() {
  static const std::array<bool, 128> same = [] {
    std::array<bool, 128> t{};
    for (int c = 0; c < 128; ++c) {
      const char byte = static_cast<char>(c);
      const char16_t unit = static_cast<char16_t>(c);
      std::u16string wide = ConvertAnsiToUtf16(std::string_view(&byte, 1));
      std::string back = ConvertUtf16ToAnsi(std::u16string_view(&unit, 1));
      t[static_cast<std::size_t>(c)] = wide.size() == 1 && wide[0] == unit && back.size() == 1 &&
                                       back[0] == byte;
    }
    return t;
  }();
  return same;
}

template <typename Char>
bool IsUnchangedAscii(std::basic_string_view<Char> s) {
  const std::array<bool, 128>& same = UnchangedAscii();
  for (Char ch : s) {
    const auto c = static_cast<std::make_unsigned_t<Char>>(ch);
    if (c >= 0x80 || !same[c]) return false;
  }
  return true;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view s) {
  if (s.empty()) return {};
  if (IsUnchangedAscii(s)) return std::u16string(s.begin(), s.end());
  return ConvertAnsiToUtf16(s);
}

std::string Utf16ToAnsi(std::u16string_view s) {
  if (s.empty()) return {};
  if (IsUnchangedAscii(s)) return std::string(s.begin(), s.end());
  return ConvertUtf16ToAnsi(s);
}

std::string AnsiToUtf8(std::string_view s) {
  if (IsUnchangedAscii(s)) return std::string(s);
  std::u16string u = AnsiToUtf16(s);
  if (u.empty()) return {};
  std::string out(u.size() * 3 + 1, '\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = 0;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &n,
                     reinterpret_cast<const UChar*>(u.data()), static_cast<int32_t>(u.size()),
                     0xFFFD, nullptr, &err);
  if (U_FAILURE(err)) return {};
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
      out.push_back(char16_t(lead));
      ++i;
      continue;
    }
    std::size_t follow;
    std::uint32_t cp;
    if (lead >= 0xC0 && lead <= 0xDF) {
      follow = 1;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      follow = 2;
      cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      follow = 3;
      cp = lead & 0x07;
    } else {
      out.push_back(char16_t(lead));  // cannot start a sequence: stands for itself
      ++i;
      continue;
    }
    std::size_t k = 1;
    while (k <= follow && i + k < n && IsUtf8Continuation(s[i + k])) {
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
      ++k;
    }
    if (k <= follow) {
      if (i + k == n) {  // cut off by the end of the text
        out.push_back(u'\uFFFD');
        break;
      }
      out.push_back(char16_t(lead));  // a lead without its continuation bytes
      ++i;
      continue;
    }
    static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[follow] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      out.push_back(u'\uFFFD');
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i += k;
  }
  return out;
}

std::string Utf8ToAnsi(std::string_view s) {
  if (s.empty()) return {};
  if (IsUnchangedAscii(s)) return std::string(s);
  return Utf16ToAnsi(Utf8ToUtf16(s));
}

namespace {

int Compare(std::string_view a, std::string_view b, bool ignoreCase) {
  UCollator* coll = Collator(ignoreCase);
  std::u16string ua = AnsiToUtf16(a);
  std::u16string ub = AnsiToUtf16(b);
  if (!coll) {
    std::u16string_view va(ua), vb(ub);
    int r = va.compare(vb);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
  UCollationResult r =
      ucol_strcoll(coll, reinterpret_cast<const UChar*>(ua.data()), static_cast<int32_t>(ua.size()),
                   reinterpret_cast<const UChar*>(ub.data()), static_cast<int32_t>(ub.size()));
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

}  // namespace

int AnsiCompareStr(std::string_view a, std::string_view b) { return Compare(a, b, false); }

int AnsiCompareText(std::string_view a, std::string_view b) { return Compare(a, b, true); }

bool AnsiSameText(std::string_view a, std::string_view b) { return Compare(a, b, true) == 0; }

std::string AnsiSortKey(std::string_view s, bool ignoreCase) {
  UCollator* coll = Collator(ignoreCase);
  std::u16string u = AnsiToUtf16(s);
  if (!coll) {
    // Big-endian UTF-16 units sort like the plain comparison used above.
    std::string key;
    for (char16_t c : u) {
      key.push_back(char(c >> 8));
      key.push_back(char(c & 0xFF));
    }
    return key;
  }
  const UChar* src = reinterpret_cast<const UChar*>(u.data());
  int32_t len = static_cast<int32_t>(u.size());
  std::string key(u.size() * 4 + 16, '\0');
  int32_t n = ucol_getSortKey(coll, src, len, reinterpret_cast<uint8_t*>(key.data()),
                              static_cast<int32_t>(key.size()));
  if (n > static_cast<int32_t>(key.size())) {
    key.assign(static_cast<std::size_t>(n), '\0');
    n = ucol_getSortKey(coll, src, len, reinterpret_cast<uint8_t*>(key.data()), n);
  }
  // The key ends in a zero byte; drop it so that a shorter key that is a prefix of
  // a longer one still sorts first under plain string comparison.
  if (n > 0) key.resize(static_cast<std::size_t>(n) - 1);
  else key.clear();
  return key;
}

}  // namespace platform
