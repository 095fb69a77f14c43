// A cache source held in memory, for tests and benchmarks: it hands out records in
// the order given (or as a generator makes them), counts what is asked of it, and
// records deletions instead of touching files.  Records are written with Record:
//
//   auto cache = std::make_shared<thtest::MemoryCache>();
//   cache->records.push_back(thtest::Record("http://h/a.html").Type("text/html").Size(10));
//   TWebCacheTree tree(std::make_unique<thtest::MemorySource>(cache));
//
// Header-only, so that bench/ can use it without the test support's other units.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cache/cache_source.h"
#include "platform/file_time.h"

namespace thtest {

// Builds one source record.  Unless set: size 100, modified 2001-09-09 01:46:40 UTC
// (Unix time 1000000000), no header lines, no body file, a normal entry.
class Record {
 public:
  explicit Record(std::string url) {
    rec_.SourceUrlName = std::move(url);
    rec_.SizeLow = 100;
    rec_.LastModifiedTime = platform::UnixSecondsToFileTime(1000000000);
  }
  // A "Content-Type: ..." line; "" adds none.
  Record& Type(const std::string& contentType) {
    return contentType.empty() ? *this : Header("Content-Type", contentType);
  }
  Record& Header(const std::string& name, const std::string& value) {
    rec_.HeaderInfo += name + ": " + value + "\r\n";
    return *this;
  }
  Record& Size(std::uint32_t bytes) {
    rec_.SizeLow = bytes;
    return *this;
  }
  Record& Modified(std::int64_t unixSeconds) {
    rec_.LastModifiedTime = platform::UnixSecondsToFileTime(unixSeconds);
    return *this;
  }
  Record& File(std::string path) {
    rec_.LocalFileName = std::move(path);
    return *this;
  }
  Record& Kind(std::uint32_t cacheEntryType) {
    rec_.CacheEntryType = cacheEntryType;
    return *this;
  }
  operator TCacheSourceRecord() const& { return rec_; }
  operator TCacheSourceRecord() && { return std::move(rec_); }

 private:
  TCacheSourceRecord rec_;
};

// The short form most tests use: a record with a content type, a size and a date.
inline TCacheSourceRecord Rec(const std::string& url, const std::string& type,
                              std::uint32_t size = 100, std::int64_t unixSeconds = 1000000000,
                              const std::string& file = "") {
  return Record(url).Type(type).Size(size).Modified(unixSeconds).File(file);
}

// What a memory source hands out and what was asked of it.  Tests keep it and may
// change the records between enumerations.
struct MemoryCache {
  std::vector<TCacheSourceRecord> records;
  // Instead of `records`, for caches too large to hold: each enumeration asks for a
  // fresh maker and takes records from it until it returns false.
  using RecordMaker = std::function<bool(TCacheSourceRecord&)>;
  std::function<RecordMaker()> makeRecords;
  // DeleteEntry's answer for a URL; unset: true.
  std::function<bool(const std::string& url)> onDelete;

  std::vector<std::string> deleted;  // every URL DeleteEntry was asked for
  int opened = 0;   // enumerations begun (FindFirst calls)
  int live = 0;     // enumerations not yet destroyed
  int fetched = 0;  // records handed out
};

class MemoryEnumeration : public TCacheEnumeration {
 public:
  explicit MemoryEnumeration(std::shared_ptr<MemoryCache> cache) : cache_(std::move(cache)) {
    ++cache_->live;
    if (cache_->makeRecords) maker_ = cache_->makeRecords();
  }
  ~MemoryEnumeration() override { --cache_->live; }
  MemoryEnumeration(const MemoryEnumeration&) = delete;
  MemoryEnumeration& operator=(const MemoryEnumeration&) = delete;

  bool FindNext(TCacheSourceRecord& rec) override {
    if (maker_) {
      if (!maker_(rec)) return false;
    } else {
      if (next_ >= cache_->records.size()) return false;
      rec = cache_->records[next_++];
    }
    ++cache_->fetched;
    return true;
  }

 private:
  std::shared_ptr<MemoryCache> cache_;
  MemoryCache::RecordMaker maker_;
  std::size_t next_ = 0;
};

class MemorySource : public TWebCacheSource {
 public:
  explicit MemorySource(std::shared_ptr<MemoryCache> cache = std::make_shared<MemoryCache>())
      : cache_(std::move(cache)) {}
  MemoryCache& Cache() { return *cache_; }
  const MemoryCache& Cache() const { return *cache_; }

  std::unique_ptr<TCacheEnumeration> FindFirst(TCacheSourceRecord& rec) override {
    ++cache_->opened;
    auto enumeration = std::make_unique<MemoryEnumeration>(cache_);
    if (!enumeration->FindNext(rec)) return nullptr;
    return enumeration;
  }
  bool DeleteEntry(const std::string& url) override {
    cache_->deleted.push_back(url);
    return cache_->onDelete ? cache_->onDelete(url) : true;
  }

 private:
  std::shared_ptr<MemoryCache> cache_;
};

}  // namespace thtest
