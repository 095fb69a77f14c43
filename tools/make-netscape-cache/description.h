// Reads the text description of a cache (format in README.md).
#pragma once

#include <string>

#include "cache_model.h"

namespace mnc {

// Parses `text` (UTF-8) read from `path`; relative body and bookmark files are resolved
// against `baseDir`.  On failure returns false with "path:line: reason" in `error`.
bool ParseDescription(const std::string& text, const std::string& path,
                      const std::string& baseDir, CacheDescription& out, std::string& error);

// "1999-03-04 12:00:00" (UTC), "1999-03-04" or a plain number of seconds since 1970.
bool ParseTime(const std::string& text, std::uint32_t& out);

// Re-encodes with iconv: UTF-8 -> `to` ("CP932" for everything stored in the cache),
// or `from` -> `to`.  False when a character has no form in the target.
bool ConvertEncoding(const std::string& text, const char* to, std::string& out);
bool ConvertEncoding(const std::string& text, const char* from, const char* to,
                     std::string& out);

}  // namespace mnc
