// An in-memory cache source for tree tests: records are handed out in the order given,
// and deletions are recorded instead of touching files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cache/cache_source.h"
#include "platform/file_time.h"

namespace treetest {

struct MemoryCache {
  std::vector<TCacheSourceRecord> records;
  std::vector<std::string> deleted;
};

class MemoryEnumeration : public TCacheEnumeration {
 public:
  explicit MemoryEnumeration(std::shared_ptr<MemoryCache> cache) : cache_(std::move(cache)) {}
  bool FindNext(TCacheSourceRecord& rec) override {
    if (next_ >= cache_->records.size()) return false;
    rec = cache_->records[next_++];
    return true;
  }

 private:
  std::shared_ptr<MemoryCache> cache_;
  std::size_t next_ = 1;
};

class MemorySource : public TWebCacheSource {
 public:
  explicit MemorySource(std::shared_ptr<MemoryCache> cache) : cache_(std::move(cache)) {}
  std::unique_ptr<TCacheEnumeration> FindFirst(TCacheSourceRecord& rec) override {
    if (cache_->records.empty()) return nullptr;
    rec = cache_->records[0];
    return std::make_unique<MemoryEnumeration>(cache_);
  }
  bool DeleteEntry(const std::string& url) override {
    cache_->deleted.push_back(url);
    return true;
  }

 private:
  std::shared_ptr<MemoryCache> cache_;
};

// A record with a content type and a UTC date given as Unix seconds.
inline TCacheSourceRecord Rec(const std::string& url, const std::string& type,
                              std::uint32_t size = 100, std::int64_t unixSeconds = 1000000000,
                              const std::string& body = "") {
  TCacheSourceRecord r;
  r.SourceUrlName = url;
  r.LocalFileName = body;
  r.SizeLow = size;
  r.LastModifiedTime = platform::UnixSecondsToFileTime(unixSeconds);
  if (!type.empty()) r.HeaderInfo = "Content-Type: " + type + "\r\n";
  return r;
}

}  // namespace treetest
