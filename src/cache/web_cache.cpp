#include "cache/web_cache.h"

#include <array>

#include "cache/netscape_cache.h"
#include "platform/codepage.h"
#include "platform/file_time.h"

bool IsKnownUrlScheme(std::string_view url) {
  static constexpr std::array<std::string_view, 11> kSchemes = {
      "ftp", "gopher", "http", "https", "file", "news",
      "mailto", "socks", "javascript", "vbscript", "res"};
  std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  std::string scheme = platform::AnsiLowerCase(url.substr(0, colon));
  for (std::string_view known : kSchemes) {
    if (scheme == known) return true;
  }
  return false;
}

TWebCache::TWebCache() : TWebCache(std::make_unique<TNetscapeCacheSource>()) {}

TWebCache::TWebCache(std::unique_ptr<TWebCacheSource> source) : source_(std::move(source)) {
  if (!source_) source_ = std::make_unique<TNetscapeCacheSource>();
}

TWebCache::~TWebCache() { FindClose(); }

void TWebCache::SetSource(std::unique_ptr<TWebCacheSource> source) {
  FindClose();
  source_ = source ? std::move(source) : std::make_unique<TNetscapeCacheSource>();
  if (notifier_) source_->SetNotifier(notifier_);
}

void TWebCache::SetNotifier(TCacheNotifier* notifier) {
  notifier_ = notifier;
  source_->SetNotifier(notifier);
}

// Cookies, history entries and URLs whose scheme the program cannot map are never
// shown.
static bool IsDeliverable(const TCacheSourceRecord& rec) {
  if (rec.CacheEntryType & (COOKIE_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY)) return false;
  return IsKnownUrlScheme(rec.SourceUrlName);
}

bool TWebCache::Deliver(const TCacheSourceRecord& rec, TWebCacheEntryInfo& entry) const {
  entry.SourceUrl = rec.SourceUrlName;
  entry.LocalFileName = rec.LocalFileName;

  platform::FILETIME modified = rec.LastModifiedTime;
  if (modified == 0) {
    // The index knows no date: the body file's own date is the best there is.
    if (!platform::GetFileLastWriteTime(rec.LocalFileName, modified)) modified = 0;
  }
  platform::FILETIME local = 0;
  if (!platform::FileTimeToLocalFileTime(modified, local)) local = modified;
  platform::SYSTEMTIME st;
  if (!platform::FileTimeToSystemTime(local, st)) st = platform::SYSTEMTIME{};
  entry.LastModified = st;
  entry.LastModifiedUtc = modified;

  entry.Size = rec.SizeLow;
  entry.HeaderInfo.SetText(rec.HeaderInfo);
  entry.FileExtension = rec.FileExtension;
  return true;
}

bool TWebCache::FindFirst(TWebCacheEntryInfo& entry) {
  FindClose();
  TCacheSourceRecord rec;
  enumHandle_ = source_->FindFirst(rec);
  if (!enumHandle_) return false;
  if (IsDeliverable(rec)) return Deliver(rec, entry);
  while (enumHandle_->FindNext(rec)) {
    if (IsDeliverable(rec)) return Deliver(rec, entry);
  }
  FindClose();
  return false;
}

bool TWebCache::FindNext(TWebCacheEntryInfo& entry) {
  if (!enumHandle_) return false;
  while (enumHandle_->FindNext(record_)) {
    if (IsDeliverable(record_)) return Deliver(record_, entry);
  }
  return false;
}

void TWebCache::FindClose() { enumHandle_.reset(); }

bool TWebCache::DeleteEntry(const std::string& url) { return source_->DeleteEntry(url); }

std::vector<bool> TWebCache::DeleteEntries(const std::vector<std::string>& urls) {
  if (urls.size() == 1) return {source_->DeleteEntry(urls[0])};
  return source_->DeleteEntries(urls);
}

int TWebCache::GetCount() {
  // The records FindFirst and FindNext would deliver, without making entries of them:
  // a delivery converts dates and header lines, and may look at the body file.
  FindClose();
  TCacheSourceRecord rec;
  std::unique_ptr<TCacheEnumeration> walk = source_->FindFirst(rec);
  if (!walk) return 0;
  int count = 0;
  do {
    if (IsDeliverable(rec)) ++count;
  } while (walk->FindNext(rec));
  return count;
}
