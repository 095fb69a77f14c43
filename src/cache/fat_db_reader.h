// Decoding of FAT.DB, the Netscape 4.x cache index: a Berkeley DB 1.x hash file whose
// bucket pages hold (key, data) pairs.  The key is the URL, the data Netscape's own
// record of the cached object.  Only the bytes handed in are read; every read is
// checked against the page and the end of the data, so damaged files just yield
// fewer records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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
// kMaxCountedString is reported to `notifier` (when given) and makes the item unusable.
bool DecodeCacheObject(std::string_view page, std::size_t dataOffset, std::size_t keyOffset,
                       TCacheObject& obj, TCacheNotifier* notifier);

// Walks the bucket pages of FAT.DB bytes in file order and, within a page, the pairs
// from last to first.  Pages are taken every 4096 bytes after the header page, for as
// long as a page starts inside the data; overflow and bitmap pages are walked too and
// simply yield nothing usable.
class TFatDbWalker {
 public:
  TFatDbWalker() = default;
  explicit TFatDbWalker(std::string_view bytes, TCacheNotifier* notifier = nullptr)
      : bytes_(bytes), notifier_(notifier) { Rewind(); }
  // The walker only looks at the bytes; they must outlive it.
  TFatDbWalker(std::string&&, TCacheNotifier* = nullptr) = delete;

  // Back to the last pair of the first bucket page.
  void Rewind();
  // The next decodable version-5 item; false when the data is exhausted.
  bool NextItem(TCacheObject& obj);

  // Position, for tests: the page's offset in the data and the pair word index.
  std::size_t PageOffset() const { return page_; }

 private:
  std::string_view PageBytes() const;
  int PageCount() const;

  std::string_view bytes_;
  TCacheNotifier* notifier_ = nullptr;
  std::size_t page_ = kFatDbPageSize;
  int index_ = 0;
};
