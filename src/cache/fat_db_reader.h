// Decoding of FAT.DB, the Netscape 4.x cache index: a Berkeley DB 1.x hash file whose
// bucket pages hold (key, data) pairs.  The key is the URL, the data Netscape's own
// record of the cached object.  Only the bytes handed in are read; every read is
// checked against the page and the end of the data, so damaged files just yield
// fewer records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TCacheNotifier;

// One decoded data item plus its key.  Strings are the stored bytes up to the
// first zero byte.
struct TCacheObject {
  std::uint32_t HeadValue = 0;
  std::uint32_t Version = 0;
  std::uint32_t LastModified = 0;  // seconds since 1970-01-01 UTC
  std::uint32_t LastAccessed = 0;
  std::uint32_t Expires = 0;
  bool FlagA = false;
  std::uint32_t ContentLength = 0;
  std::string FileName;  // body file, relative to the cache folder
  std::uint32_t ValueB = 0;
  bool FlagB = false;
  std::uint32_t ValueC = 0;
  std::string TextB;
  std::uint32_t ValueA = 0;
  std::uint32_t ValueD = 0;
  std::string HeaderTextA;
  std::string ContentType;
  std::string HeaderTextB;
  std::string Charset;
  bool FlagC = false;
  std::uint32_t ValueE = 0;
  std::string TextC;
  std::string Url;  // from the key
};

inline constexpr std::size_t kFatDbPageSize = 4096;
// The only record layout this reader understands.
inline constexpr std::uint32_t kCacheObjectVersion = 5;
// Longer counted strings are taken for damage: reported, not copied.
inline constexpr std::int32_t kMaxCountedString = 10000;

// Decodes the pair whose data item starts at `dataOffset` and whose key starts at
// `keyOffset` in `page` (the readable bytes of one page).  False when the item is not
// a version-5 record or any part of it lies outside `page`.  A string length above
// kMaxCountedString makes the item unusable; `longString` (when given) gets that length
// (0 when there was none).
bool DecodeCacheObject(std::string_view page, std::size_t dataOffset, std::size_t keyOffset,
                       TCacheObject& obj, std::int32_t* longString = nullptr);
// The same for an item and key given as their own bytes (an item too big for a page,
// gathered from its pages).
bool DecodeCacheItem(std::string_view data, std::string_view key, TCacheObject& obj,
                     std::int32_t* longString = nullptr);

namespace fatdb_detail {
struct HashLayout;
}

// Walks the pairs that FAT.DB really holds, in ascending page order and, within a
// page, from the last pair to the first.  The hash file's header maps every bucket to
// its page; each bucket page leads through its overflow chain to more pages, and to
// items too big for one page, which are delivered at their first page.  Pages the
// hash no longer reaches (freed overflow pages still holding old pairs) are left out,
// except overflow pages that the free-page bitmap still counts as in use (a damaged
// link must not lose the pages behind it).  A header too damaged to map the buckets
// makes the walker fall back to every page in file order after the header.
//
// Records dropped for a string longer than kMaxCountedString are told to the notifier
// once, when the walk reaches the end: "とてつもなく大きい文字列[L]" with the first such
// length and the number of records dropped.
class TFatDbWalker {
 public:
  TFatDbWalker() = default;
  explicit TFatDbWalker(std::string_view bytes, TCacheNotifier* notifier = nullptr);
  // The walker only looks at the bytes; they must outlive it.
  TFatDbWalker(std::string&&, TCacheNotifier* = nullptr) = delete;

  // Back to the start of a new walk.
  void Rewind();
  // The next decodable version-5 item; false when the data is exhausted.
  bool NextItem(TCacheObject& obj);

  // Position, for tests: the offset in the data of the page that the last item came
  // from (an item too big for a page: its first page).
  std::size_t PageOffset() const { return page_; }
  // True when the header mapped the buckets (false: the file-order walk).
  bool FollowsBuckets() const { return !kinds_.empty(); }
  // Records of this walk dropped for an over-long string so far.
  int LongStringRecords() const { return longStringRecords_; }

 private:
  std::string_view PageBytes() const;
  int PageCount() const;
  void MapBuckets();
  bool NextPage();
  bool DecodeBigItem(TCacheObject& obj);
  bool Decoded(bool ok, std::int32_t longString);
  void ReportLongStrings();

  std::string_view bytes_;
  TCacheNotifier* notifier_ = nullptr;
  std::shared_ptr<const fatdb_detail::HashLayout> layout_;
  // One kind per page of the file when the buckets could be mapped; empty otherwise.
  std::vector<std::uint8_t> kinds_;
  std::size_t page_ = 0;
  int index_ = 0;
  std::string bigKey_, bigData_;
  int longStringRecords_ = 0;
  std::int32_t firstLongString_ = 0;
};
