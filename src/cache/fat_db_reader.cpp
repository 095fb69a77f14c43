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
  ItemCursor(std::string_view page, std::size_t pos, TCacheNotifier* notifier)
      : page_(page), pos_(pos), notifier_(notifier), ok_(pos <= page.size()) {}

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
      // No item of this size fits in a page: the record is damaged, and the user
      // hears about it once for this string.
      if (notifier_) {
        static const std::string prefix = platform::Utf8ToAnsi("とてつもなく大きい文字列[");
        notifier_->ShowMessage(prefix + std::to_string(length) + "]");
      }
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
  TCacheNotifier* notifier_;
  bool ok_;
};

}  // namespace

bool DecodeCacheObject(std::string_view page, std::size_t dataOffset, std::size_t keyOffset,
                       TCacheObject& obj, TCacheNotifier* notifier) {
  // Berkeley DB keeps its big-item and overflow markers (0-3) in the offset words;
  // they point into the offset table, not at an item.
  if (dataOffset < kFirstItemOffset || keyOffset < kFirstItemOffset) return false;

  ItemCursor item(page, dataOffset, notifier);
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

  ItemCursor key(page, keyOffset, notifier);
  key.Skip(4);
  key.CountedString(obj.Url);
  return key.ok();
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
  page_ = kFatDbPageSize;
  index_ = PageCount();
}

bool TFatDbWalker::NextItem(TCacheObject& obj) {
  for (;;) {
    while (index_ == 0) {
      if (page_ >= bytes_.size()) return false;
      page_ += kFatDbPageSize;
      if (page_ >= bytes_.size()) return false;
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
      if (DecodeCacheObject(page, dataOffset, keyOffset, obj, notifier_)) return true;
    }
  }
}
