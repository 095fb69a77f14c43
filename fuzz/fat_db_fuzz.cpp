// libFuzzer target: arbitrary bytes as a FAT.DB (the page walker and item decoder)
// and as a prefs.js (the cache-folder preference).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cache/cache_source.h"
#include "cache/fat_db_reader.h"
#include "cache/netscape_location.h"

namespace {

class CountingNotifier : public TCacheNotifier {
 public:
  void ShowMessage(const std::string& text) override { total += text.size(); }
  std::size_t total = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CountingNotifier notifier;
  TFatDbWalker walker(bytes, &notifier);
  TCacheObject obj;
  std::size_t items = 0;
  std::size_t lastPage = 0;
  while (walker.NextItem(obj)) {
    // Pages only move forward, and there can be no more items than offset words.
    if (walker.PageOffset() < lastPage || ++items > size / 2 + 1) __builtin_trap();
    lastPage = walker.PageOffset();
    if (obj.Version != kCacheObjectVersion) __builtin_trap();
  }
  walker.Rewind();
  if (walker.NextItem(obj) != (items > 0)) __builtin_trap();

  // Inputs of one page or less hold no bucket page; spend them on prefs.js instead.
  if (size <= kFatDbPageSize) {
    std::string path = FatDbPathFromPrefs(std::string(bytes), "C:\\Users\\u\\");
    if (!path.empty() && path.size() < 6) __builtin_trap();
  }
  return 0;
}
