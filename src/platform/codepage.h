// Text in this program is held as bytes of the ANSI code page, which is CP932
// (Windows-31J).  Everything that must know about double-byte characters lives here:
// lead-byte tests, searches that never match a trail byte, lower-casing that leaves
// trail bytes alone, conversions to and from Unicode, and locale-aware comparison.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::size_t npos = std::string_view::npos;

// A CP932 lead byte: 0x81-0x9F or 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True when the byte at `pos` is the trail byte of a double-byte character
// (scanning from the start of `s`).
bool IsTrailByteAt(std::string_view s, std::size_t pos);

// Double-byte aware searches: positions are byte offsets; a match never starts on a
// trail byte.  `from` must be a character boundary.
std::size_t AnsiFind(std::string_view s, char ch, std::size_t from = 0);
std::size_t AnsiFindLast(std::string_view s, char ch);
std::size_t AnsiFindStr(std::string_view s, std::string_view sub, std::size_t from = 0);
std::size_t AnsiFindLastStr(std::string_view s, std::string_view sub);
// Replaces every occurrence of `from` (double-byte aware, left to right, no overlap).
std::string AnsiReplaceAll(std::string_view s, std::string_view from, std::string_view to);

// Changes ASCII letters in single-byte positions only; trail bytes are never touched.
std::string AnsiLowerCase(std::string_view s);
std::string AnsiUpperCase(std::string_view s);

// Conversions.  Characters without a CP932 form become the default character '?'.
std::u16string AnsiToUtf16(std::string_view s);
std::string Utf16ToAnsi(std::u16string_view s);
std::string AnsiToUtf8(std::string_view s);
std::string Utf8ToAnsi(std::string_view s);
// UTF-8 -> UTF-16; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view s);

// Locale-aware comparison for Japanese (ICU collator); result <0, 0, >0.
int AnsiCompareStr(std::string_view a, std::string_view b);   // case-sensitive
int AnsiCompareText(std::string_view a, std::string_view b);  // ignoring case
bool AnsiSameText(std::string_view a, std::string_view b);
// A byte string whose memcmp order equals the collation order above, for sorting
// many items without converting on each comparison.
std::string AnsiSortKey(std::string_view s, bool ignoreCase);

}  // namespace platform
