#include "cache/netscape_cache.h"

#include "cache/netscape_location.h"
#include "platform/codepage.h"
#include "platform/file_time.h"

namespace {

bool IsSeparatorAt(std::string_view s, std::size_t i) {
  return (s[i] == '\\' || s[i] == '/') && !platform::IsTrailByteAt(s, i);
}

// Everything up to and including the last path separator.
std::string FolderOf(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsSeparatorAt(path, i - 1)) return path.substr(0, i);
  }
  return {};
}

// Body names come from the index file, and deleting an entry deletes the file they
// name: only plain relative names that stay inside the cache folder are accepted.
bool IsSafeBodyName(std::string_view name) {
  if (name.empty()) return false;
  std::size_t segmentStart = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size()) {
      if (platform::AnsiCharLength(name, i) == 2) {
        ++i;  // the trail byte may be '\\' or '|' and is never a separator
        continue;
      }
      char c = name[i];
      if (c == ':') return false;
      if (c != '\\' && c != '/') continue;
    }
    std::string_view segment = name.substr(segmentStart, i - segmentStart);
    if (segment.empty() || segment == "." || segment == "..") return false;
    segmentStart = i + 1;
  }
  return true;
}

// Host separators for a body name below a host-path cache folder.
std::string HostSeparators(std::string name) {
  for (std::size_t i = 0; i < name.size(); i += platform::AnsiCharLength(name, i)) {
    if (name[i] == '\\') name[i] = '/';
  }
  return name;
}

platform::FILETIME RecordTime(std::uint32_t seconds) {
  return seconds == 0 ? 0 : platform::UnixSecondsToFileTime(seconds);
}

}  // namespace

TNetscapeCache::TNetscapeCache(const TNetscapeCacheOptions& options)
    : fatDbPath_(options.FatDbPath.empty() ? LocateCache(options.Search).IndexFile : options.FatDbPath) {
  if (fatDbPath_.empty()) return;
  cacheDirectory_ = FolderOf(fatDbPath_);
  // The walk reads every page of the index.
  if (!file_.Open(fatDbPath_, true)) return;
  walker_ = TFatDbWalker(file_.view(), options.Notifier);
}

TNetscapeCache::~TNetscapeCache() = default;

bool TNetscapeCache::Rewind(TCacheObject& record) {
  if (!IsOpen()) return false;
  walker_.Rewind();
  return ReadNextRecord(record);
}

std::string TNetscapeCache::BodyPath(const TCacheObject& record) const {
  if (!IsSafeBodyName(record.FileName)) return {};
  // A cache folder given as a host path takes host separators below it too.
  if (!cacheDirectory_.empty() && cacheDirectory_.back() == '/') {
    return cacheDirectory_ + HostSeparators(record.FileName);
  }
  return cacheDirectory_ + record.FileName;
}

void TNetscapeCache::NameSet::Assign(std::vector<std::string> names) {
  names_ = std::move(names);
  std::size_t size = 16;
  while (size < names_.size() * 2) size *= 2;
  slots_.assign(size, 0);
  for (std::size_t i = 0; i < names_.size(); ++i) {
    const std::uint64_t hash = std::hash<std::string_view>{}(names_[i]);
    std::size_t at = hash & (size - 1);
    while (slots_[at] != 0) at = (at + 1) & (size - 1);
    slots_[at] = (hash & ~std::uint64_t{0xFFFFFFFF}) | (i + 1);
  }
}

bool TNetscapeCache::NameSet::Contains(std::string_view name) const {
  if (names_.empty()) return false;
  const std::uint64_t hash = std::hash<std::string_view>{}(name);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask; slots_[at] != 0; at = (at + 1) & mask) {
    const std::uint64_t slot = slots_[at];
    if ((slot ^ hash) >> 32 == 0 && names_[(slot & 0xFFFFFFFF) - 1] == name) return true;
  }
  return false;
}

bool TNetscapeCache::BodyExists(const std::string& fileName, const std::string& bodyPath) {
  // fileName is a safe relative name: its folder part ends at the last separator.
  std::size_t split = 0;
  for (std::size_t i = 0; i < fileName.size(); i += platform::AnsiCharLength(fileName, i)) {
    if (fileName[i] == '\\' || fileName[i] == '/') split = i + 1;
  }
  std::string folder = fileName.substr(0, split);
  auto listing = listings_.find(folder);
  if (listing == listings_.end()) {
    const std::string folderPath = bodyPath.substr(0, bodyPath.size() - (fileName.size() - split));
    Listing made;
    // A sub-folder that is a link to somewhere else holds no bodies of this cache.
    made.Inside = split == 0 || platform::StaysInside(folderPath, cacheDirectory_);
    if (made.Inside) {
      // Files only: a body name that names a folder is no body.
      std::vector<std::string> links;
      made.Files.Assign(platform::ListFolder(folderPath, true, &links));
      made.Links.Assign(std::move(links));
    }
    listing = listings_.emplace(std::move(folder), std::move(made)).first;
  }
  const Listing& seen = listing->second;
  if (!seen.Inside) return false;
  const std::string_view name = std::string_view(fileName).substr(split);
  if (seen.Files.Contains(name)) return true;
  // A link, a name that differs in case on a drive-letter path, or a file that appeared
  // since: the file system decides, and the body must not lie outside the cache folder.
  if (!seen.Links.Contains(name) && !platform::FileExists(bodyPath)) return false;
  return platform::StaysInside(bodyPath, cacheDirectory_);
}

bool TNetscapeCache::ReadNextRecord(TCacheObject& record) {
  if (!IsOpen()) return false;
  while (walker_.NextItem(record)) {
    std::string body = BodyPath(record);
    if (!body.empty() && BodyExists(record.FileName, body)) return true;
  }
  return false;
}

void TNetscapeCache::FillEntryRecord(const TCacheObject& record, TCacheSourceRecord& entry) const {
  entry.SourceUrlName = record.Url;
  entry.LocalFileName = BodyPath(record);

  std::string& header = entry.HeaderInfo;
  header.clear();
  if (!record.HeaderTextA.empty()) header += record.HeaderTextA + "\r\n";
  if (!record.ContentType.empty()) {
    header += "Content-Type: " + record.ContentType;
    if (!record.Charset.empty()) header += "; charset=" + record.Charset;
    header += "\r\n";
  }
  if (!record.HeaderTextB.empty()) header += record.HeaderTextB + "\r\n";

  entry.CacheEntryType = NORMAL_CACHE_ENTRY;
  entry.SizeLow = record.ContentLength;
  entry.LastModifiedTime = RecordTime(record.LastModified);
  entry.ExpireTime = RecordTime(record.Expires);
  entry.LastAccessTime = RecordTime(record.LastAccessed);
  entry.FileExtension.clear();
}

bool TNetscapeCache::FindNext(TCacheSourceRecord& rec) {
  if (!ReadNextRecord(scratch_)) return false;
  FillEntryRecord(scratch_, rec);
  return true;
}

std::unique_ptr<TNetscapeCache> NetscapeFindFirstUrlCacheEntry(
    const char* /*pattern*/, TCacheSourceRecord& rec, const TNetscapeCacheOptions& options) {
  auto cache = std::make_unique<TNetscapeCache>(options);
  TCacheObject record;
  if (cache->Rewind(record)) {
    cache->FillEntryRecord(record, rec);
    return cache;
  }
  platform::SetLastError(ERROR_NO_MORE_ITEMS);
  return nullptr;
}

bool NetscapeFindNextUrlCacheEntry(TNetscapeCache* handle, TCacheSourceRecord& rec) {
  if (handle && handle->FindNext(rec)) return true;
  platform::SetLastError(ERROR_NO_MORE_ITEMS);
  return false;
}

bool NetscapeFindCloseUrlCache(std::unique_ptr<TNetscapeCache> handle) {
  handle.reset();
  return true;
}

bool NetscapeDeleteUrlCacheEntry(const std::string& url, const TNetscapeCacheOptions& givenOptions) {
  // Deleting tells the user nothing; the enumeration that shows the tree does.
  TNetscapeCacheOptions options = givenOptions;
  options.Notifier = nullptr;
  TNetscapeCache cache(options);
  TCacheObject record;
  for (bool more = cache.Rewind(record); more; more = cache.ReadNextRecord(record)) {
    if (record.Url == url) return platform::DeleteOneFile(cache.BodyPath(record));
  }
  return false;
}

std::vector<bool> NetscapeDeleteUrlCacheEntries(const std::vector<std::string>& urls,
                                                const TNetscapeCacheOptions& givenOptions) {
  std::vector<bool> done(urls.size(), false);
  if (urls.empty()) return done;
  // One walk finds the body files of every record of the URLs asked for, in the order
  // the walk meets them.
  std::unordered_map<std::string, std::vector<std::string>> bodies;
  for (const std::string& url : urls) bodies.emplace(url, std::vector<std::string>{});
  TNetscapeCacheOptions options = givenOptions;
  options.Notifier = nullptr;
  TNetscapeCache cache(options);
  TCacheObject record;
  for (bool more = cache.Rewind(record); more; more = cache.ReadNextRecord(record)) {
    auto it = bodies.find(record.Url);
    if (it != bodies.end()) it->second.push_back(cache.BodyPath(record));
  }
  // Then the calls in their order, as one after another would go: each takes the first
  // record of its URL whose body is still there.
  std::unordered_set<std::string> gone;
  for (std::size_t i = 0; i < urls.size(); ++i) {
    for (const std::string& body : bodies[urls[i]]) {
      if (gone.count(body)) continue;
      done[i] = platform::DeleteOneFile(body);
      if (done[i]) gone.insert(body);
      break;
    }
  }
  return done;
}

std::unique_ptr<TCacheEnumeration> TNetscapeCacheSource::FindFirst(TCacheSourceRecord& rec) {
  return NetscapeFindFirstUrlCacheEntry(nullptr, rec, options_);
}

bool TNetscapeCacheSource::DeleteEntry(const std::string& url) {
  return NetscapeDeleteUrlCacheEntry(url, options_);
}

std::vector<bool> TNetscapeCacheSource::DeleteEntries(const std::vector<std::string>& urls) {
  return NetscapeDeleteUrlCacheEntries(urls, options_);
}

void TNetscapeCacheSource::SetNotifier(TCacheNotifier* notifier) {
  TWebCacheSource::SetNotifier(notifier);
  options_.Notifier = notifier;
}

TCacheLocation TNetscapeCacheSource::Location() const {
  if (options_.FatDbPath.empty()) return LocateCache(options_.Search);
  TCacheSearch named;
  named.IndexFile = options_.FatDbPath;
  return LocateCache(named);
}
