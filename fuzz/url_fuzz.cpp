// Feeds arbitrary bytes to the URL helpers.  Beyond "no crash", it checks the
// property the copy engine relies on: a mapped local path stays below its start.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/url.h"

namespace {

void CheckContained(const std::string& path) {
  if (!path.empty() && path[0] == '/') std::abort();
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string_view seg = std::string_view(path).substr(start, end - start);
    if (seg == "." || seg == "..") std::abort();
    if (seg.empty() && end < path.size()) std::abort();  // "//" inside
    start = end + 1;
  }
  if (path.find('\0') != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // First line is the URL; what follows a newline serves as a second URL.
  const std::size_t nl = input.find('\n');
  const std::string_view a = input.substr(0, nl);
  const std::string_view b = nl == std::string_view::npos ? std::string_view() : input.substr(nl + 1);

  TUrlParts parts = SplitUrl(input);
  // Extra is the raw tail of the input, so it can never be longer than it.
  if (parts.extra.size() > input.size()) std::abort();

  CheckContained(UrlToLocalPath(input));
  CheckContained(UrlToLocalPath(a));

  (void)MakeRelativeUrl(a, b);
  (void)MakeRelativeUrl(b, a);
  (void)GetUrlSiteRoot(input);
  (void)DecodeUrl(input);
  (void)UrlParentFolder(input);
  (void)UrlFolderName(input);
  (void)EscapeUrlPath(EscapeFileName(input));
  return 0;
}
