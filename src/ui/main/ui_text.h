// Conversions between the program's CP932 text and Qt's UTF-16 strings.  The core
// holds every string as CP932 bytes; widgets only ever see QString, so text is
// converted exactly where it crosses into a control and back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace ui {

inline QString ToQ(std::string_view ansi) {
  // Most cache text is plain ASCII, which needs no code-page conversion.
  bool ascii = true;
  for (char c : ansi) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return QString::fromLatin1(ansi.data(), static_cast<qsizetype>(ansi.size()));
  return QString::fromStdU16String(platform::AnsiToUtf16(ansi));
}

inline std::string FromQ(const QString& text) {
  return platform::Utf16ToAnsi(text.toStdU16String());
}

// Qt literals in this program are written in UTF-8 source; core text needs CP932.
inline std::string AnsiFromUtf8(const char* utf8) {
  return platform::Utf8ToAnsi(utf8);
}

}  // namespace ui
