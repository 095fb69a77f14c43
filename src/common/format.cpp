#include "common/format.h"

#include <cstdio>

namespace {

// CP932 forms of the few Japanese words used here, spelled as bytes so that the
// source file's own encoding does not matter.
constexpr const char kByteWord[] = "\x83\x6f\x83\x43\x83\x67";  // バイト
constexpr const char kYear[] = "\x94\x4e";                      // 年
constexpr const char kMonth[] = "\x8c\x8e";                     // 月
constexpr const char kDay[] = "\x93\xfa";                       // 日

}  // namespace

std::string FormatThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  const std::size_t lead = digits.size() % 3;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (i + 3 - lead) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

std::string FormatSize(std::uint32_t size) {
  if (size <= 999) return std::to_string(size) + " " + kByteWord;

  static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  double v = size / 1024.0;
  std::size_t unit = 0;
  while (v > 999 && unit + 1 < std::size(kUnits)) {
    v /= 1024;
    ++unit;
  }
  char buf[64];
  if (v <= 9.99) {
    std::snprintf(buf, sizeof buf, "%4.2f%s", v, kUnits[unit]);
  } else if (v <= 99.9) {
    std::snprintf(buf, sizeof buf, "%4.1f%s", v, kUnits[unit]);
  } else {
    std::snprintf(buf, sizeof buf, "%3.0f%s", v, kUnits[unit]);
  }
  return buf;
}

std::string FormatSizeKB(std::uint32_t size) {
  // In 64 bits: sizes within 1023 bytes of 4 GB would wrap to a tiny count in 32.
  const std::uint64_t kb = (static_cast<std::uint64_t>(size) + 1023) / 1024;
  return FormatThousands(kb) + "KB";
}

std::string FormatShortDateTime(const platform::SYSTEMTIME& st) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u/%02u/%02u %u:%02u", unsigned{st.wYear},
                unsigned{st.wMonth}, unsigned{st.wDay}, unsigned{st.wHour},
                unsigned{st.wMinute});
  return buf;
}

std::string FormatLongDateTime(const platform::SYSTEMTIME& st) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%u%s%u%s%u%s %u:%02u:%02u", unsigned{st.wYear}, kYear,
                unsigned{st.wMonth}, kMonth, unsigned{st.wDay}, kDay, unsigned{st.wHour},
                unsigned{st.wMinute}, unsigned{st.wSecond});
  return buf;
}
