// Writes a described profile as a Wine-style prefix: registry files, the profile folder
// with prefs.js and bookmark.htm, the cache folder with FAT.DB and the body files, and a
// manifest of what went in.  A Unix profile is written as a home folder instead:
// .netscape/ with preferences.js, bookmarks.html and cache/index.db.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cache_model.h"

namespace mnc {

struct WriteOptions {
  std::string outDir;           // the prefix; created when missing
  std::string regFile;          // also write a REGEDIT4 export here when not empty
  unsigned dbCacheBytes = 4u << 20;
};

struct WriteSummary {
  std::string fatDbWindowsPath;  // as the browser's settings lead to it
  std::string fatDbHostPath;
  std::string cacheHostPath;
  std::string profileHostPath;
  std::size_t records = 0;  // pairs put into FAT.DB, bookkeeping included
};

bool WriteCache(const CacheDescription& desc, const WriteOptions& options,
                WriteSummary& summary, std::string& error);

// The key the browser stored for a URL: total length (URL + 13), counted length
// (URL + 1), the URL, its zero byte and four zero bytes.
std::string EncodeKey(const CacheEntry& entry);
// The data item, little-endian; the first word is the item's own length.
std::string EncodeItem(const CacheEntry& entry, std::uint32_t contentLength);

// "C:\dir\sub" -> "<outDir>/drive_c/dir/sub" (names converted from CP932 to UTF-8).
// Empty when the path has no drive letter.
std::string WindowsToHostPath(const std::string& outDir, std::string_view windowsPath);

// The folder the browser derives from its install folder and profile name, with a
// trailing backslash; empty when the install folder has no backslash.
std::string ProfileFolderFor(const Profile& profile);

}  // namespace mnc
