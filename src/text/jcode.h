// Japanese character codes: recognising whether a text is ISO-2022-JP ("JIS"),
// EUC-JP or Shift_JIS, converting between them, and recognising and converting line
// breaks.  Every function is stateless, takes bytes and returns bytes; nothing fails:
// text that is not what a converter expects is converted byte by byte.
#pragma once

#include <string>
#include <string_view>

// Codes returned by InCodeCheck and taken as source/target by the dispatchers.
inline constexpr int JCODE_ASCII = 0;     // no 8-bit byte, no kanji-in sequence
inline constexpr int JCODE_BINARY = 1;    // not text: a byte below 0x08 or 0xFF
inline constexpr int JCODE_JIS = 2;       // ISO-2022-JP, ESC $ B (JIS X 0208-1983)
inline constexpr int JCODE_JIS_OLD = 3;   // ESC $ @ (JIS C 6226-1978)
inline constexpr int JCODE_EUC = 4;       // EUC-JP
inline constexpr int JCODE_SJIS = 5;      // Shift_JIS
inline constexpr int JCODE_EUC_OR_SJIS = 6;  // could be either; undecided

// Line-break codes of ReturnCodeCheck and ConvertReturnCode.
inline constexpr int RETCODE_NONE = 0;
inline constexpr int RETCODE_CRLF = 1;
inline constexpr int RETCODE_CR = 2;
inline constexpr int RETCODE_LF = 3;

// How many leading bytes InCodeCheck looks at for non-text bytes (initially 512).
extern int STRICT_CHECK_LEN;

// Detects the code of `text` (one of the JCODE_ values).
int InCodeCheck(std::string_view text);

// One JIS X 0208 row/cell pair to its two Shift_JIS bytes, and back.
std::string ToSjis(unsigned char j1, unsigned char j2);
std::string ToJis(unsigned char s1, unsigned char s2);

std::string jis2sjis(std::string_view text);
std::string jis2euc(std::string_view text);
std::string euc2sjis(std::string_view text);
std::string sjis2euc(std::string_view text);
// These two write ISO-2022-JP (ESC $ B ... ESC ( J), turning half-width katakana
// into full-width katakana.  A text that ends in kanji ends without ESC ( J.
std::string euc2jis83(std::string_view text);
std::string sjis2jis83(std::string_view text);

// Converts `text` into `target` (JCODE_JIS, JCODE_EUC or JCODE_SJIS).  ASCII,
// binary and undecided texts, texts already in the target code and unknown targets
// come back unchanged.
std::string ConvertJCode(std::string_view text, int target);
// The same with the source code given instead of detected.
std::string StrictConvertJCode(std::string_view text, int source, int target);

// The first line break in `text` decides: one of the RETCODE_ values.
int ReturnCodeCheck(std::string_view text);
// Rewrites every line break of the detected (or given) kind into `target`
// (RETCODE_CRLF, RETCODE_CR or RETCODE_LF).
std::string ConvertReturnCode(std::string_view text, int target);
std::string StrictConvertReturnCode(std::string_view text, int source, int target);
