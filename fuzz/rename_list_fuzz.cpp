// Feeds arbitrary bytes to the "renameList.dat" loader.  Beyond "no crash", it checks
// that what the list saves is always read back whole: a saved line the loader stops
// at would silently drop every rename after it on the next run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tree/rename_list.h"

namespace {

// Lines of a saved image the loader must apply: CR LF ended, a TAB, both fields set.
std::size_t CountUsableLines(std::string_view text) {
  std::size_t count = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find("\r\n", pos);
    if (end == std::string_view::npos) std::abort();  // every saved line ends in CR LF
    std::string_view line = text.substr(pos, end - pos);
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) std::abort();
    if (tab > 0 && tab + 1 < line.size()) ++count;
    pos = end + 2;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  TWebCacheRenameItems items;
  items.LoadFromText(input);
  // Sorted access and lookups over whatever was loaded.  A stored URL with an escape
  // left in it would be decoded once more by Lookup, so only the others are checked.
  for (std::size_t i = 0; i < items.Count(); ++i) {
    const TWebCacheRenameItem& item = items[i];
    if (item.OriginalUrl.find('%') == std::string::npos &&
        items.Lookup(item.OriginalUrl) != item.NewUrl) {
      std::abort();
    }
  }
  const std::string saved = items.SaveToText();
  TWebCacheRenameItems again;
  if (again.LoadFromText(saved) != CountUsableLines(saved)) std::abort();
  return 0;
}
