// Feeds arbitrary bytes to the two text primitives every scanner builds on and
// checks their promises: stepping through ANSI text never leaves the text, never
// takes a separator or control byte as a trail byte, and the UTF-8 reading always
// gives well-formed UTF-16, keeps every ASCII byte in place and agrees with a
// strict decoder wherever the input is well-formed.
#include <unicode/ustring.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace {

void CheckStepping(std::string_view s) {
  std::size_t i = 0;
  std::size_t slashes = 0;
  while (i < s.size()) {
    const std::size_t n = platform::AnsiCharLength(s, i);
    if (n != 1 && n != 2) std::abort();
    if (i + n > s.size()) std::abort();
    if (n == 2) {
      const auto lead = static_cast<unsigned char>(s[i]);
      const auto trail = static_cast<unsigned char>(s[i + 1]);
      if (!platform::IsLeadByte(lead)) std::abort();
      if (trail < 0x40 || trail == 0x7F || trail > 0xFC) std::abort();
    }
    if (s[i] == '/') ++slashes;
    i += n;
  }
  if (i != s.size()) std::abort();
  // A '/' is never a trail byte, so the aware search sees every one of them.
  std::size_t found = 0;
  for (std::size_t p = platform::AnsiFind(s, '/'); p != platform::npos;
       p = platform::AnsiFind(s, '/', p + 1))
    ++found;
  std::size_t all = 0;
  for (char c : s) all += c == '/';
  if (found != all || slashes != all) std::abort();
}

void CheckUtf8(std::string_view s) {
  const std::u16string u = platform::Utf8ToUtf16(s);
  if (u.size() > s.size()) std::abort();
  // Well-formed UTF-16: every surrogate in a proper pair.
  for (std::size_t i = 0; i < u.size(); ++i) {
    const char16_t c = u[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= u.size() || u[i + 1] < 0xDC00 || u[i + 1] > 0xDFFF) std::abort();
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      std::abort();
    }
  }
  // ASCII is never taken into a sequence, and nothing else turns into ASCII.
  std::u16string asciiIn, asciiOut;
  for (char c : s)
    if (static_cast<unsigned char>(c) < 0x80) asciiIn.push_back(char16_t(c));
  for (char16_t c : u)
    if (c < 0x80) asciiOut.push_back(c);
  if (asciiIn != asciiOut) std::abort();
  // Well-formed input reads exactly as the strict decoder reads it.
  std::u16string strict(s.size() + 1, u'\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = 0;
  u_strFromUTF8(reinterpret_cast<UChar*>(strict.data()), static_cast<int32_t>(strict.size()), &n,
                s.data(), static_cast<int32_t>(s.size()), &err);
  if (U_SUCCESS(err)) {
    strict.resize(static_cast<std::size_t>(n));
    if (strict != u) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckStepping(input);
  CheckUtf8(input);
  return 0;
}
