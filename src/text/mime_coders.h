// Base64, uuencode and BinHex 4.0 coders and MIME header words for Japanese text.
// Encoders take raw bytes and the line break to use ("\r\n", "\n", ...); decoders
// never fail and skip what they cannot read.
#pragma once

#include <string>
#include <string_view>

// Base64 with '=' padding and no line breaks.
std::string EncodeBase64(std::string_view bytes);
// As EncodeBase64, with `lineBreak` after every 76 characters of complete groups.
std::string EncodeBase64R(std::string_view bytes, std::string_view lineBreak);
// uuencode body lines (no "begin"/"end" lines), each ended by `lineBreak`, followed
// by the terminating line holding one grave accent.
std::string EncodeUU(std::string_view bytes, std::string_view lineBreak);
// ':' + data in the BinHex 4.0 alphabet + ':', broken into lines of 64 characters.
// No run-length compression, header or CRC.
std::string EncodeBinHex(std::string_view bytes, std::string_view lineBreak);

std::string DecodeBase64(std::string_view text);
std::string DecodeUU(std::string_view text);
std::string DecodeBinHex(std::string_view text);

// Shift_JIS text to a mail header value: runs of Japanese characters become
// "=?ISO-2022-JP?B?...?=" words, ASCII runs are copied.
std::string CreateHeaderString(std::string_view text);
// Replaces every "=?ISO-2022-JP?B?...?=" word by its decoded ISO-2022-JP bytes
// followed by ESC ( J; the result stays ISO-2022-JP.
std::string DecodeHeaderString(std::string_view text);
