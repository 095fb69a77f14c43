// TWebCache: the front through which the cache tree enumerates the browser cache and
// deletes cached objects.  It reads no file itself; it drives a TWebCacheSource (the
// Netscape FAT.DB reader unless another is given), skips what the tree must not see
// and turns source records into TWebCacheEntryInfo.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cache/cache_entry.h"
#include "cache/cache_source.h"

// True when `url` starts with a scheme that WinInet knows (ftp, gopher, http, https,
// file, news, mailto, socks, javascript, vbscript, res), compared ignoring case.
bool IsKnownUrlScheme(std::string_view url);

class TWebCache {
 public:
  // Reads the Netscape cache found through the registry and prefs.js.
  TWebCache();
  explicit TWebCache(std::unique_ptr<TWebCacheSource> source);
  virtual ~TWebCache();
  TWebCache(const TWebCache&) = delete;
  TWebCache& operator=(const TWebCache&) = delete;

  // Ends an enumeration still open, starts a new one and delivers its first usable
  // entry.  False when there is none; the enumeration is then closed.
  bool FindFirst(TWebCacheEntryInfo& entry);
  // The next usable entry; false at the end (the enumeration stays open until
  // FindClose) and false at once when no enumeration is open.
  bool FindNext(TWebCacheEntryInfo& entry);
  void FindClose();
  bool IsEnumerating() const { return enumHandle_ != nullptr; }

  // Deletes the cached object of `url`; true when its body file was deleted.
  bool DeleteEntry(const std::string& url);
  // Deletes the objects of many URLs in one walk where the source can; per URL the
  // same result as DeleteEntry one after another.
  std::vector<bool> DeleteEntries(const std::vector<std::string>& urls);

  // Number of entries that an enumeration delivers (runs one by itself).
  virtual int GetCount();

  // The source; replacing it closes an open enumeration, and the new source reports
  // to the notifier given here.
  TWebCacheSource& Source() { return *source_; }
  void SetSource(std::unique_ptr<TWebCacheSource> source);
  void SetNotifier(TCacheNotifier* notifier);

 private:
  bool Deliver(const TCacheSourceRecord& rec, TWebCacheEntryInfo& entry) const;

  std::unique_ptr<TWebCacheSource> source_;
  TCacheNotifier* notifier_ = nullptr;
  std::unique_ptr<TCacheEnumeration> enumHandle_;
  TCacheSourceRecord record_;  // reused for every fetch, keeps its string buffers
};
