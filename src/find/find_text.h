// Content search of the find engine: whether a cached body holds a text, in whichever
// code the body is written, and the case folding that searches and name masks share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The case folding of searches: ASCII letters (single-byte positions only, never a
// trail byte) and full-width Latin capitals (Ａ-Ｚ, 0x8260-0x8279) become small letters.
// `c` is a character code: one byte, or lead byte * 256 + trail byte.
constexpr std::uint16_t FindFoldChar(std::uint16_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint16_t>(c + 0x20);
  if (c >= 0x8260 && c <= 0x8279) return static_cast<std::uint16_t>(c + 0x21);
  return c;
}
// The same over CP932 text.
std::string FindFoldCase(std::string_view text);

// True when the cached body at `path` contains `text` (CP932; folded with FindFoldCase
// when `ignoreCase`).  The body is read in its own code: ISO-2022-JP and EUC-JP are
// converted to Shift_JIS, UTF-8 (valid UTF-8 beyond ASCII, or declared in the page) is
// converted too, a body whose code cannot be told (kana-only EUC-JP) is searched as
// Shift_JIS and as EUC-JP, binary bodies as they are.  A match never starts on a trail
// byte.  A file that cannot be read contains nothing.
bool FileContainsText(const std::string& path, std::string_view text, bool ignoreCase);
// The same on bytes in memory.
bool BytesContainText(std::string_view content, std::string_view text, bool ignoreCase);
