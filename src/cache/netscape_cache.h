// The Netscape 4.x disk cache as a cache source: TNetscapeCache maps FAT.DB read-only
// and hands out the records whose body file exists, and the four Netscape... functions
// give it the calling contract of WinInet's URL-cache enumeration.  FAT.DB is never
// written; deleting an entry deletes its body file only.
#pragma once

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cache/cache_source.h"
#include "cache/fat_db_reader.h"
#include "cache/netscape_location.h"
#include "platform/files.h"

// What the enumeration functions leave in platform::LastError() at the end (the
// errno stand-in for WinInet's ERROR_NO_MORE_ITEMS).
inline constexpr int ERROR_NO_MORE_ITEMS = ENODATA;

struct TNetscapeCacheOptions {
  // FAT.DB (or index.db) to read; "" finds it as `Search` says (by default through
  // the registry and prefs.js, GetFatDbPath).
  std::string FatDbPath;
  TCacheSearch Search;
  TCacheNotifier* Notifier = nullptr;
};

// One open enumeration over FAT.DB.  It is also the enumeration handle that
// TWebCache holds, so destroying it closes the enumeration.
class TNetscapeCache : public TCacheEnumeration {
 public:
  explicit TNetscapeCache(const TNetscapeCacheOptions& options = {});
  ~TNetscapeCache() override;

  // True while FAT.DB is mapped.
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& FatDbPath() const { return fatDbPath_; }
  // Folder of FAT.DB ending in its separator; body file names are relative to it, and
  // no body lies outside it (sub-folders are fine, links that lead out are not).
  const std::string& CacheDirectory() const { return cacheDirectory_; }

  // Back to the start, then ReadNextRecord.  False when closed or nothing is left.
  bool Rewind(TCacheObject& record);
  // The next version-5 record whose body file exists; false at the end.
  bool ReadNextRecord(TCacheObject& record);
  void FillEntryRecord(const TCacheObject& record, TCacheSourceRecord& entry) const;
  // The body file's path for a record ("" when its name is not a plain relative
  // name inside the cache folder).
  std::string BodyPath(const TCacheObject& record) const;

  bool FindNext(TCacheSourceRecord& rec) override;

 private:
  bool BodyExists(const std::string& fileName, const std::string& bodyPath);

  std::string fatDbPath_;
  std::string cacheDirectory_;
  platform::MappedFile file_;
  TFatDbWalker walker_;
  TCacheObject scratch_;
  // The names of one folder, looked up by their bytes: the names side by side and an
  // open table of their hashes, which a lookup per record touches far less than a
  // node per name.
  class NameSet {
   public:
    void Assign(std::vector<std::string> names);
    bool Contains(std::string_view name) const;

   private:
    std::vector<std::string> names_;
    std::vector<std::uint64_t> slots_;  // hash bits above, index + 1 below; 0 = empty
  };
  // The names in each body folder, listed once per enumeration: one look at a folder
  // costs far less than a path lookup per record.
  struct Listing {
    NameSet Files;
    NameSet Links;  // followed only when they stay inside
    bool Inside = true;  // the folder itself, links followed, lies in the cache folder
  };
  std::unordered_map<std::string, Listing> listings_;
};

// The WinInet-style functions over TNetscapeCache.  The pattern is not used.
std::unique_ptr<TNetscapeCache> NetscapeFindFirstUrlCacheEntry(
    const char* pattern, TCacheSourceRecord& rec, const TNetscapeCacheOptions& options = {});
bool NetscapeFindNextUrlCacheEntry(TNetscapeCache* handle, TCacheSourceRecord& rec);
bool NetscapeFindCloseUrlCache(std::unique_ptr<TNetscapeCache> handle);
// Deletes the body file of the first record whose URL equals `url` byte for byte.
bool NetscapeDeleteUrlCacheEntry(const std::string& url, const TNetscapeCacheOptions& options = {});
// The same for many URLs in one walk of the index: each URL as often as it is listed
// deletes the body files of that many records, the first ones met, as the same calls
// one after another would.
std::vector<bool> NetscapeDeleteUrlCacheEntries(const std::vector<std::string>& urls,
                                                const TNetscapeCacheOptions& options = {});

// The Netscape cache as TWebCache's source.
class TNetscapeCacheSource : public TWebCacheSource {
 public:
  TNetscapeCacheSource() = default;
  explicit TNetscapeCacheSource(std::string fatDbPath) { options_.FatDbPath = std::move(fatDbPath); }

  // A FAT.DB to read instead of the one that the registry names ("" = find it).
  void SetFatDbPath(std::string path) { options_.FatDbPath = std::move(path); }
  const std::string& FatDbPathOverride() const { return options_.FatDbPath; }
  // How the cache is found when no FAT.DB is given.
  void SetSearch(TCacheSearch search) { options_.Search = std::move(search); }
  const TCacheSearch& Search() const { return options_.Search; }
  // Where the cache is now (looked up afresh): the index file read, the profile and
  // its bookmark file.
  TCacheLocation Location() const;

  std::unique_ptr<TCacheEnumeration> FindFirst(TCacheSourceRecord& rec) override;
  bool DeleteEntry(const std::string& url) override;
  std::vector<bool> DeleteEntries(const std::vector<std::string>& urls) override;
  void SetNotifier(TCacheNotifier* notifier) override;

 private:
  TNetscapeCacheOptions options_;
};
