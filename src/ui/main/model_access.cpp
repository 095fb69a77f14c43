#include "ui/main/model_access.h"

#include "text/html_parser.h"

namespace ui {

std::string ReadPageTitle(const std::string& cacheFile) {
  if (cacheFile.empty()) return {};
  THTMLParser parser;
  parser.SetFileName(cacheFile);
  return parser.Title();
}

}  // namespace ui
