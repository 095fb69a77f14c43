// Feeds arbitrary bytes to the "contentType.dat" loader.  Beyond "no crash", it checks
// that a saved table reads back to the same table: every saved line is applied and
// saving again gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/content_type.h"

namespace {

std::size_t CountLines(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = text.find("\r\n"); pos != std::string_view::npos;
       pos = text.find("\r\n", pos + 2)) {
    ++count;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  TContentType table;
  table.LoadFromText(input);
  for (std::size_t i = 0; i < table.Count(); ++i) {
    // Every loaded type must be found again where it sits.
    if (table.IndexOfType(table[i].Name) != static_cast<int>(i)) std::abort();
  }
  const std::string saved = table.SaveToText();
  TContentType again;
  if (again.LoadFromText(saved) != CountLines(saved)) std::abort();
  if (again.SaveToText() != saved) std::abort();
  return 0;
}
