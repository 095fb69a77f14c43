#include "cache/fat_db_reader.h"

#include <algorithm>
#include <cstring>

#include "cache/cache_source.h"
#include "platform/codepage.h"

namespace {

// At most this many 16-bit words fit behind the count of a page.
constexpr int kMaxPageWords = static_cast<int>(kFatDbPageSize / 2) - 1;
constexpr std::size_t kFirstItemOffset = 4;

std::uint16_t Word16(std::string_view b, std::size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.data()) + at;
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Word32(std::string_view b, std::size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.data()) + at;
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Sequential reads inside one page; the first read that would leave it fails all
// that follow.
class ItemCursor {
 public:
  ItemCursor(std::string_view page, std::size_t pos, std::int32_t* longString)
      : page_(page), pos_(pos), longString_(longString), ok_(pos <= page.size()) {}

  bool ok() const { return ok_; }

  std::uint32_t U32() {
    if (!Need(4)) return 0;
    std::uint32_t v = Word32(page_, pos_);
    pos_ += 4;
    return v;
  }
  bool Flag() {
    if (!Need(1)) return false;
    return page_[pos_++] != 0;
  }
  void Skip(std::size_t n) {
    if (Need(n)) pos_ += n;
  }
  // A 32-bit length L (counting the terminating zero) and L bytes.
  void CountedString(std::string& out) {
    out.clear();
    if (!Need(4)) return;
    auto length = static_cast<std::int32_t>(Word32(page_, pos_));
    pos_ += 4;
    if (length == 0) return;
    if (length < 0) {
      ok_ = false;
      return;
    }
    if (length > kMaxCountedString) {
      // No record has strings this long: it is damaged and dropped, and the walker
      // tells the user once per enumeration.
      if (longString_ && *longString_ == 0) *longString_ = length;
      ok_ = false;
      return;
    }
    auto n = static_cast<std::size_t>(length);
    if (!Need(n)) return;
    std::string_view bytes = page_.substr(pos_, n);
    out.assign(bytes.substr(0, bytes.find('\0')));
    pos_ += n;
  }

 private:
  bool Need(std::size_t n) {
    if (ok_ && page_.size() - pos_ >= n) return true;
    ok_ = false;
    return false;
  }

  std::string_view page_;
  std::size_t pos_;
  std::int32_t* longString_;
  bool ok_;
};

}  // namespace

bool DecodeCacheObject(std::string_view page, std::size_t dataOffset, std::size_t keyOffset,
                       TCacheObject& obj, std::int32_t* longString) {
  // Berkeley DB keeps its big-item and overflow markers (0-3) in the offset words;
  // they point into the offset table, not at an item.
  if (dataOffset < kFirstItemOffset || keyOffset < kFirstItemOffset) return false;
  if (dataOffset > page.size() || keyOffset > page.size()) return false;
  return DecodeCacheItem(page.substr(dataOffset), page.substr(keyOffset), obj, longString);
}

bool DecodeCacheItem(std::string_view data, std::string_view keyBytes, TCacheObject& obj,
                     std::int32_t* longString) {
  if (longString) *longString = 0;
  ItemCursor item(data, 0, longString);
  obj.HeadValue = item.U32();
  obj.Version = item.U32();
  // Checked first so that foreign bytes (bitmap pages, big-item pages) never reach the
  // string decoding and its message.
  if (!item.ok() || obj.Version != kCacheObjectVersion) return false;
  obj.LastModified = item.U32();
  obj.LastAccessed = item.U32();
  obj.Expires = item.U32();
  obj.ContentLength = item.U32();
  obj.FlagA = item.Flag();
  obj.ValueA = item.U32();
  item.CountedString(obj.FileName);
  obj.ValueB = item.U32();
  obj.FlagB = item.Flag();
  obj.ValueC = item.U32();
  item.CountedString(obj.TextB);
  obj.ValueD = item.U32();
  item.CountedString(obj.HeaderTextA);
  item.CountedString(obj.ContentType);
  item.CountedString(obj.HeaderTextB);
  item.CountedString(obj.Charset);
  obj.FlagC = item.Flag();
  obj.ValueE = item.U32();
  item.CountedString(obj.TextC);
  if (!item.ok()) return false;

  ItemCursor key(keyBytes, 0, longString);
  key.Skip(4);
  key.CountedString(obj.Url);
  return key.ok();
}

namespace {

// The parts of the Berkeley DB 1.x hash header that place buckets and overflow pages.
// The library writes its header big-endian whatever the order of the pages.
constexpr std::uint32_t kHashMagic = 0x061561;
constexpr std::uint32_t kHashVersion = 2;
constexpr std::uint32_t kPagesLittleEndian = 1234;
constexpr std::size_t kHashHeaderSize = 260;
constexpr int kSplitPoints = 32;
constexpr int kSplitShift = 11;
constexpr std::uint16_t kSplitMask = 0x7FF;
constexpr std::uint32_t kBitsPerBitmapPage = kFatDbPageSize * 8;

// Marker words in the offset table.  A pair whose data word is kOverflowLink names the
// next page of the bucket's chain in its key word; a page whose second word is below
// kRealKey holds a piece of an item too big for one page.
constexpr std::uint16_t kOverflowLink = 0;
constexpr std::uint16_t kPartialKey = 1;
constexpr std::uint16_t kFullKey = 2;
constexpr std::uint16_t kFullKeyData = 3;
constexpr std::uint16_t kRealKey = 4;

// No whole record needs more pages than this (every string is at most 10000 bytes);
// longer chains are damage.
constexpr std::size_t kMaxBigItemPages = 32;

enum PageKind : std::uint8_t { kUnreached, kPairsPage, kBigItemPage, kBigPiecePage, kOtherPage };

std::uint32_t Be32(std::string_view b, std::size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.data()) + at;
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

// Smallest i with 2^i >= n, as the library computes it.
std::uint32_t Log2(std::uint64_t n) {
  std::uint32_t i = 0;
  for (std::uint64_t limit = 1; limit < n; limit <<= 1) ++i;
  return i;
}

}  // namespace

namespace fatdb_detail {
struct HashLayout {
  std::uint32_t headerPages = 0;
  std::uint32_t maxBucket = 0;
  std::uint32_t overflowPoint = 0;
  std::uint32_t spares[kSplitPoints] = {};
  std::uint16_t bitmaps[kSplitPoints] = {};

  // False when the header is not one this walker can follow.
  bool Read(std::string_view file) {
    if (file.size() < kHashHeaderSize) return false;
    if (Be32(file, 0) != kHashMagic || Be32(file, 4) != kHashVersion ||
        Be32(file, 8) != kPagesLittleEndian || Be32(file, 12) != kFatDbPageSize)
      return false;
    overflowPoint = Be32(file, 32);
    maxBucket = Be32(file, 40);
    headerPages = Be32(file, 60);
    if (overflowPoint >= kSplitPoints || headerPages == 0 || headerPages > 64 ||
        maxBucket > 0x7FFFFFFFu || Log2(std::uint64_t{maxBucket} + 1) > overflowPoint)
      return false;
    for (int i = 0; i < kSplitPoints; ++i) {
      spares[i] = Be32(file, 68 + 4 * static_cast<std::size_t>(i));
      bitmaps[i] = static_cast<std::uint16_t>(Be32(file, 194 + 2 * static_cast<std::size_t>(i)) & 0xFFFF);
    }
    // Overflow pages are only ever added: the counts never fall from one split point
    // to the next.
    for (std::uint32_t i = 1; i <= overflowPoint; ++i) {
      if (spares[i] < spares[i - 1]) return false;
    }
    return true;
  }

  std::uint64_t BucketPage(std::uint32_t bucket) const {
    return std::uint64_t{bucket} + headerPages +
           (bucket ? spares[Log2(std::uint64_t{bucket} + 1) - 1] : 0);
  }

  // The page of an overflow address (split point in the top five bits, page number
  // within the split point below); false for addresses no page can have.
  bool OverflowPage(std::uint16_t address, std::uint64_t& page) const {
    std::uint32_t split = address >> kSplitShift;
    std::uint32_t number = address & kSplitMask;
    if (split == 0 || split > overflowPoint || number == 0) return false;
    page = BucketPage((1u << split) - 1) + number;
    return true;
  }
};
}  // namespace fatdb_detail

namespace {
using fatdb_detail::HashLayout;

// Reads of one page's 16-bit words, inside the page and the file.
struct PageWords {
  std::string_view page;
  bool Get(std::size_t index, std::uint16_t& w) const {
    if (2 * index + 2 > page.size()) return false;
    w = Word16(page, 2 * index);
    return true;
  }
};

std::string_view PageAt(std::string_view bytes, std::uint64_t page) {
  std::uint64_t at = page * kFatDbPageSize;
  if (at >= bytes.size()) return {};
  return bytes.substr(static_cast<std::size_t>(at),
                      std::min<std::uint64_t>(kFatDbPageSize, bytes.size() - at));
}

// A page that starts an item too big for one page: its second word is a status, not
// an offset.
bool StartsBigItem(std::string_view page) {
  PageWords w{page};
  std::uint16_t count = 0, status = 0;
  return w.Get(0, count) && count >= 2 && count <= kMaxPageWords && w.Get(2, status) &&
         status != kOverflowLink && status < kRealKey;
}

struct BigItemChain {
  bool whole = false;       // the item's pieces were all found
  bool continues = false;   // the bucket's chain goes on after the item ...
  std::uint64_t next = 0;   // ... at this page
};

// Follows the pages of one big item from `start`.  The key's pieces, then the data's,
// each run from the offset in word 1 to the end of its page; a key that ends on a page
// with room left starts the data there, below the key's piece.  `kinds` (when given)
// gets every further page marked as a piece, and a page met twice ends the walk;
// `key` and `data` (when given) collect the bytes.
BigItemChain FollowBigItem(std::string_view bytes, const HashLayout& layout, std::uint64_t start,
                           std::vector<std::uint8_t>* kinds, std::string* key, std::string* data) {
  BigItemChain result;
  bool inKey = true;
  std::uint64_t page = start;
  for (std::size_t steps = 0; steps < kMaxBigItemPages; ++steps) {
    std::string_view bytesOfPage = PageAt(bytes, page);
    if (bytesOfPage.size() != kFatDbPageSize) return result;
    if (kinds && page != start) {
      if ((*kinds)[page] != kUnreached) return result;
      (*kinds)[page] = kBigPiecePage;
    }
    PageWords w{bytesOfPage};
    std::uint16_t count = 0, offset = 0, status = 0;
    if (!w.Get(0, count) || count < 2 || count > kMaxPageWords || !w.Get(1, offset) ||
        !w.Get(2, status) || offset < 2 * (count + 1) || offset > kFatDbPageSize)
      return result;
    std::uint16_t link = 0;
    const bool hasLink = count >= 4 && w.Get(count - 1, link);
    std::string_view piece = bytesOfPage.substr(offset);
    if (inKey) {
      if (key) key->append(piece);
      if (status == kPartialKey || status == kFullKey) {
        inKey = status == kPartialKey;
        if (!hasLink || !layout.OverflowPage(link, page)) return result;
        continue;
      }
      if (status != kFullKeyData) return result;
      // The data starts on this page, below the key's piece.
      std::uint16_t dataOffset = 0, freeSpace = 0;
      if (!w.Get(count, dataOffset) || !w.Get(count + 1, freeSpace) || dataOffset > offset ||
          dataOffset < 2 * (count + 1))
        return result;
      if (data) data->append(bytesOfPage.substr(dataOffset, offset - dataOffset));
      inKey = false;
      if (freeSpace == 0) {
        // A full page: the data goes on on the next one.
        if (!hasLink || !layout.OverflowPage(link, page)) return result;
        continue;
      }
    } else {
      if (data) data->append(piece);
      if (status == kFullKey) {
        if (!hasLink || !layout.OverflowPage(link, page)) return result;
        continue;
      }
      if (status != kFullKeyData) return result;
    }
    // The item ends on this page; the bucket's chain may go on behind it.
    result.whole = true;
    result.continues = hasLink && layout.OverflowPage(link, result.next);
    return result;
  }
  return result;
}

}  // namespace

TFatDbWalker::TFatDbWalker(std::string_view bytes, TCacheNotifier* notifier)
    : bytes_(bytes), notifier_(notifier) {
  MapBuckets();
  Rewind();
}

void TFatDbWalker::MapBuckets() {
  kinds_.clear();
  layout_.reset();
  auto owned = std::make_shared<HashLayout>();
  const HashLayout& layout = *owned;
  if (!owned->Read(bytes_)) return;
  const std::uint64_t pages = (bytes_.size() + kFatDbPageSize - 1) / kFatDbPageSize;
  std::vector<std::uint8_t> kinds(static_cast<std::size_t>(pages), kUnreached);
  for (std::uint32_t h = 0; h < layout.headerPages && h < pages; ++h) kinds[h] = kOtherPage;
  std::uint64_t bitmapPages[kSplitPoints] = {};
  for (int i = 0; i < kSplitPoints; ++i) {
    std::uint64_t page = 0;
    if (layout.bitmaps[i] && layout.OverflowPage(layout.bitmaps[i], page) && page < pages) {
      kinds[page] = kOtherPage;
      bitmapPages[i] = page;
    }
  }

  // Every bucket and the chain behind it.  A link that leads out of the file or to a
  // page already reached ends the chain.
  for (std::uint64_t bucket = 0; bucket <= layout.maxBucket; ++bucket) {
    std::uint64_t page = layout.BucketPage(static_cast<std::uint32_t>(bucket));
    // Bucket pages rise with the bucket number: the rest lie past the end too.
    if (page >= pages) break;
    while (page < pages && kinds[page] == kUnreached) {
      std::string_view bytesOfPage = PageAt(bytes_, page);
      if (StartsBigItem(bytesOfPage)) {
        BigItemChain chain = FollowBigItem(bytes_, layout, page, &kinds, nullptr, nullptr);
        kinds[page] = chain.whole ? kBigItemPage : kOtherPage;
        if (!chain.continues) break;
        page = chain.next;
        continue;
      }
      kinds[page] = kPairsPage;
      PageWords w{bytesOfPage};
      std::uint16_t count = 0, last = 1, link = 0;
      if (!w.Get(0, count) || count < 2 || count > kMaxPageWords || !w.Get(count, last) ||
          last != kOverflowLink || !w.Get(count - 1, link) || !layout.OverflowPage(link, page))
        break;
    }
  }

  // Overflow pages that the bitmap counts as in use but no chain reached: a damaged
  // link cut them off.  Their pairs are still the file's own; freed pages are not.
  for (std::uint32_t split = 1; split <= layout.overflowPoint; ++split) {
    std::uint64_t first = layout.BucketPage((1u << split) - 1) + 1;
    for (std::uint32_t bit = layout.spares[split - 1]; bit < layout.spares[split]; ++bit) {
      std::uint64_t page = first + (bit - layout.spares[split - 1]);
      if (page >= pages) break;
      if (kinds[page] != kUnreached) continue;
      std::uint32_t map = bit / kBitsPerBitmapPage;
      if (map >= kSplitPoints || !bitmapPages[map]) continue;
      std::string_view bitmap = PageAt(bytes_, bitmapPages[map]);
      std::size_t at = (bit % kBitsPerBitmapPage) / 32 * 4;
      if (at + 4 > bitmap.size() || !(Word32(bitmap, at) >> (bit % 32) & 1u)) continue;
      if (!StartsBigItem(PageAt(bytes_, page))) kinds[page] = kPairsPage;
    }
  }
  kinds_ = std::move(kinds);
  layout_ = std::move(owned);
}

std::string_view TFatDbWalker::PageBytes() const {
  if (page_ >= bytes_.size()) return {};
  return bytes_.substr(page_, std::min(kFatDbPageSize, bytes_.size() - page_));
}

int TFatDbWalker::PageCount() const {
  std::string_view page = PageBytes();
  if (page.size() < 2) return 0;
  int count = Word16(page, 0);
  // Counts with the top bit set, and counts whose offset table would not fit in a
  // page, belong to damaged or non-bucket pages.
  if (count > kMaxPageWords) return 0;
  return count;
}

void TFatDbWalker::Rewind() {
  page_ = 0;
  index_ = 0;
  longStringRecords_ = 0;
  firstLongString_ = 0;
}

bool TFatDbWalker::Decoded(bool ok, std::int32_t longString) {
  if (!ok && longString != 0) {
    if (longStringRecords_++ == 0) firstLongString_ = longString;
  }
  return ok;
}

void TFatDbWalker::ReportLongStrings() {
  if (longStringRecords_ == 0) return;
  if (notifier_) {
    static const std::string prefix = platform::Utf8ToAnsi("とてつもなく大きい文字列[");
    static const std::string dropped = platform::Utf8ToAnsi("件のレコードを読み飛ばしました");
    notifier_->ShowMessage(prefix + std::to_string(firstLongString_) + "] (" +
                           std::to_string(longStringRecords_) + " " + dropped + ")");
  }
  longStringRecords_ = 0;
  firstLongString_ = 0;
}

bool TFatDbWalker::DecodeBigItem(TCacheObject& obj) {
  bigKey_.clear();
  bigData_.clear();
  BigItemChain chain = FollowBigItem(bytes_, *layout_, page_ / kFatDbPageSize, nullptr, &bigKey_, &bigData_);
  if (!chain.whole) return false;
  std::int32_t longString = 0;
  bool ok = DecodeCacheItem(bigData_, bigKey_, obj, &longString);
  return Decoded(ok, longString);
}

bool TFatDbWalker::NextPage() {
  for (;;) {
    if (page_ >= bytes_.size()) return false;
    page_ += kFatDbPageSize;
    if (page_ >= bytes_.size()) return false;
    if (kinds_.empty()) return true;
    std::uint8_t kind = kinds_[page_ / kFatDbPageSize];
    if (kind == kPairsPage || kind == kBigItemPage) return true;
  }
}

bool TFatDbWalker::NextItem(TCacheObject& obj) {
  for (;;) {
    while (index_ == 0) {
      if (!NextPage()) {
        ReportLongStrings();
        return false;
      }
      if (!kinds_.empty() && kinds_[page_ / kFatDbPageSize] == kBigItemPage) {
        if (DecodeBigItem(obj)) return true;
        continue;
      }
      index_ = PageCount();
    }
    std::string_view page = PageBytes();
    while (index_ > 0) {
      const auto dataWord = static_cast<std::size_t>(index_) * 2;
      const auto keyWord = dataWord - 2;
      if (dataWord + 2 > page.size()) {
        // The offset table runs past the end of a truncated file.
        index_ -= 2;
        if (index_ < 0) index_ = 0;
        continue;
      }
      const std::size_t dataOffset = Word16(page, dataWord);
      const std::size_t keyOffset = Word16(page, keyWord);
      if (dataOffset == 0) {
        index_ = std::max(index_ - 2, 0);
        continue;
      }
      if (dataOffset >= kFatDbPageSize) {
        index_ = 0;
        break;
      }
      index_ = std::max(index_ - 2, 0);
      std::int32_t longString = 0;
      bool ok = DecodeCacheObject(page, dataOffset, keyOffset, obj, &longString);
      if (Decoded(ok, longString)) return true;
    }
  }
}
