// What one Netscape 4.x profile and its disk cache consist of, in the form the writer
// needs.  Text fields hold the bytes that go to disk (CP932, as the browser stored them).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace mnc {

// The counted strings of a data item, by the names used in descriptions.
inline const char* const kStringFields[] = {"file",     "text-b",    "header-a", "content-type",
                                            "header-b", "charset",   "text-c",   "url"};

struct CacheEntry {
  int line = 0;  // where it was described, for messages

  std::string url;
  std::string contentType;
  std::string charset;
  std::string headerA;
  std::string headerB;
  std::string textB;
  std::string textC;

  std::uint32_t lastModified = 0;  // seconds since 1970-01-01 UTC
  std::uint32_t lastAccessed = 0;
  std::uint32_t expires = 0;
  std::optional<std::uint32_t> contentLength;  // default: the body's size

  // Body: bytes, or a host file to copy.
  std::string body;
  std::string bodySource;

  // Body file name relative to the cache folder, Windows separators ("0A\M0ABCDEF.gif").
  // Generated when empty.
  std::string fileName;

  std::uint32_t version = 5;
  bool missingBody = false;
  // Length fields that lie: field name -> the value written instead of the real one.
  std::map<std::string, std::int64_t> badLength;
  // First key word; normally the key's total length.  Setting it lets two keys carry
  // the same URL.
  std::optional<std::uint32_t> keyPrefix;

  bool flagA = false;
  bool flagB = true;
  bool flagC = false;
  std::uint32_t valueA = 0, valueB = 0, valueC = 0, valueD = 0, valueE = 0;
};

struct Profile {
  std::string user = "taro";
  std::string installDirectory = "C:\\Program Files\\Netscape\\Communicator\\Program";
  std::string cacheDirectory;   // browser.cache.directory; empty = profile's "Cache"
  std::string bookmarksSource;  // host path of a bookmark.htm to copy; empty = none
  std::vector<std::string> extraPrefs;  // more user_pref lines for prefs.js
  bool writeCurrentUser = true;
  bool writeInstallDirectory = true;
  bool writePrefs = true;
  bool bookkeeping = true;      // the browser's own non-URL records in FAT.DB
  bool subfolders = false;      // generated body names go into 00..1F
  // The Unix browser's layout: OUT_DIR is the home folder, the profile is its
  // .netscape/ (preferences.js, bookmarks.html) and the cache folder (cacheDirectory,
  // relative to the profile, default "cache") holds index.db; body names use '/'.
  bool unixLayout = false;
};

struct CacheDescription {
  Profile profile;
  std::vector<CacheEntry> entries;
  // Makes the body of an entry that has neither bytes nor a source file, just before it
  // is written; lets the generator keep only one body in memory at a time.
  std::function<void(std::size_t index, const CacheEntry& entry, std::string& body)> makeBody;
  // Churn, as a browser's cache goes through it: right before the entry at `deleteAt`
  // is put, the pairs of the entries listed in `deletions` (indexes below `deleteAt`)
  // are deleted again through the library.  Their body files stay on disk (as after a
  // crash), so a reader that shows deleted pairs is caught.
  std::size_t deleteAt = 0;
  std::vector<std::size_t> deletions;
};

}  // namespace mnc
