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

// A byte that can end a double-byte character: 0x40-0x7E or 0x80-0xFC.  The
// backslash 0x5C and '|' 0x7C are among them (U+30BD "ソ" is 0x83 0x5C); '/', '?',
// blanks and control bytes are not.
constexpr bool IsTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// The length, 1 or 2, of the character at `i` (which must be inside `text`).  A lead
// byte makes a pair only with a trail byte after it; a stray lead byte before '/',
// '?', a control byte or the end of the text is a character of its own, so it never
// swallows a separator.  Every scan over ANSI text steps with this.
constexpr std::size_t AnsiCharLength(std::string_view text, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
                 IsTrailByte(static_cast<unsigned char>(text[i + 1]))
             ? 2
             : 1;
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
// UTF-8 -> UTF-16, the one reading of UTF-8 in this program.  It is lenient, and
// the result is always well-formed UTF-16:
// - a well-formed sequence gives its character (beyond U+FFFF a surrogate pair);
// - a byte that cannot start a sequence (0x80-0xBF, 0xF5-0xFF), or a lead byte not
//   followed by the continuation bytes (0x80-0xBF) it needs, stands for itself as
//   U+0080-U+00FF (text that is really Latin-1 stays readable) and reading goes on
//   at the next byte, so an ASCII byte is never taken into a sequence;
// - a complete sequence that is overlong (0xC0 0xAF for '/'), encodes a surrogate
//   (0xED 0xA0 0x80) or lies beyond U+10FFFF gives one U+FFFD;
// - a sequence cut off by the end of the text gives one U+FFFD;
// - U+0000 is a character like any other; callers that end text there cut it.
std::u16string Utf8ToUtf16(std::string_view s);

// Locale-aware comparison for Japanese (ICU collator); result <0, 0, >0.
int AnsiCompareStr(std::string_view a, std::string_view b);   // case-sensitive
int AnsiCompareText(std::string_view a, std::string_view b);  // ignoring case
bool AnsiSameText(std::string_view a, std::string_view b);
// A byte string whose memcmp order equals the collation order above, for sorting
// many items without converting on each comparison.
std::string AnsiSortKey(std::string_view s, bool ignoreCase);

}  // namespace platform
