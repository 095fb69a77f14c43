// Sizes and dates as the Japanese user interface shows them.  Results are ANSI
// (CP932) text: "999 バイト", "1,465KB", "2001/02/03 4:05", "2001年2月3日 4:05:06".
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_time.h"

// Up to 999 bytes: "<n> バイト"; above: the value in KB, MB, GB... with three
// significant digits and the unit directly behind ("0.98KB", "10.0KB", "512KB").
std::string FormatSize(std::uint32_t size);

// Whole kilobytes, rounded up, with thousands separators: 1 -> "1KB", 1500000 -> "1,465KB".
std::string FormatSizeKB(std::uint32_t size);

// "yyyy/MM/dd H:mm".
std::string FormatShortDateTime(const platform::SYSTEMTIME& st);
// "yyyy年M月d日 H:mm:ss".
std::string FormatLongDateTime(const platform::SYSTEMTIME& st);

// A number with ',' every three digits ("#,##0").
std::string FormatThousands(std::uint64_t value);
