// The interface between TWebCache and whatever reads a browser's cache.  A source
// hands out records one at a time through an enumeration object; the object is the
// enumeration handle, and destroying it closes the enumeration.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_time.h"

// Entry types as WinInet numbers them; sources set NORMAL_CACHE_ENTRY, and TWebCache
// never delivers cookies or history entries.
inline constexpr std::uint32_t NORMAL_CACHE_ENTRY = 0x00000001;
inline constexpr std::uint32_t COOKIE_CACHE_ENTRY = 0x00100000;
inline constexpr std::uint32_t URLHISTORY_CACHE_ENTRY = 0x00200000;

// One record as a source fetches it (the fields of WinInet's cache entry record that
// this program reads, held as owned strings instead of one packed buffer).
struct TCacheSourceRecord {
  std::string SourceUrlName;
  std::string LocalFileName;
  std::uint32_t CacheEntryType = NORMAL_CACHE_ENTRY;
  std::uint32_t SizeLow = 0;
  platform::FILETIME LastModifiedTime = 0;  // UTC; 0 = unknown
  platform::FILETIME ExpireTime = 0;        // UTC; 0 = none
  platform::FILETIME LastAccessTime = 0;    // UTC; 0 = unknown
  std::string HeaderInfo;                   // header lines, each ended by CR LF
  std::string FileExtension;
};

// Receives the messages that a source has for the user (lower layers open no
// windows).  Text is ANSI (CP932).
class TCacheNotifier {
 public:
  virtual ~TCacheNotifier() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

// An open enumeration.  Records only move forward.
class TCacheEnumeration {
 public:
  virtual ~TCacheEnumeration() = default;
  // Fetches the next record; false at the end (and `rec` is left alone).
  virtual bool FindNext(TCacheSourceRecord& rec) = 0;
};

class TWebCacheSource {
 public:
  virtual ~TWebCacheSource() = default;
  // Opens an enumeration and fetches its first record; null when the cache is
  // missing, unreadable or empty.
  virtual std::unique_ptr<TCacheEnumeration> FindFirst(TCacheSourceRecord& rec) = 0;
  // Deletes the cached object of `url` (its body file); true when deleted.
  virtual bool DeleteEntry(const std::string& url) = 0;
  // Deletes the objects of many URLs; the result for each is what DeleteEntry would
  // have given, called for them one after another.  Sources that can should do it in
  // one walk of their index.
  virtual std::vector<bool> DeleteEntries(const std::vector<std::string>& urls) {
    std::vector<bool> done;
    done.reserve(urls.size());
    for (const std::string& url : urls) done.push_back(DeleteEntry(url));
    return done;
  }
  // Where user messages go; null (the default) drops them.
  virtual void SetNotifier(TCacheNotifier* notifier) { notifier_ = notifier; }
  TCacheNotifier* Notifier() const { return notifier_; }

 protected:
  TCacheNotifier* notifier_ = nullptr;
};
