#include "tree/rename_list.h"

#include <algorithm>

#include "common/url.h"
#include "platform/codepage.h"
#include "platform/files.h"

std::string NormaliseRenameUrl(std::string_view url) { return DecodeUrl(url); }

const TWebCacheRenameItem& TWebCacheRenameItems::Add(const std::string& originalUrl,
                                                     const std::string& newUrl) {
  std::string original = NormaliseRenameUrl(originalUrl);
  std::string target = NormaliseRenameUrl(newUrl);
  if (platform::AnsiFindStr(target, "://") == platform::npos) {
    std::size_t sep = platform::AnsiFindStr(original, "://");
    if (sep != platform::npos) target = original.substr(0, sep + 3) + target;
  }
  std::string key = platform::AnsiLowerCase(original);
  auto it = byKey_.find(key);
  if (it != byKey_.end()) {
    it->second->NewUrl = std::move(target);
    return *it->second;
  }
  auto item = std::make_unique<TWebCacheRenameItem>();
  item->OriginalUrl = std::move(original);
  item->NewUrl = std::move(target);
  TWebCacheRenameItem* raw = item.get();
  items_.push_back(std::move(item));
  byKey_.emplace(std::move(key), raw);
  sortedValid_ = false;
  return *raw;
}

std::string TWebCacheRenameItems::Lookup(std::string_view url) const {
  if (byKey_.empty()) return {};
  auto it = byKey_.find(platform::AnsiLowerCase(NormaliseRenameUrl(url)));
  return it == byKey_.end() ? std::string() : it->second->NewUrl;
}

void TWebCacheRenameItems::Clear() {
  byKey_.clear();
  sorted_.clear();
  items_.clear();
  sortedValid_ = true;
}

void TWebCacheRenameItems::SortIfNeeded() const {
  if (sortedValid_ && sorted_.size() == items_.size()) return;
  // One collation key per item instead of a locale comparison per step.
  std::vector<std::pair<std::string, TWebCacheRenameItem*>> keyed;
  keyed.reserve(items_.size());
  for (const auto& item : items_) {
    keyed.emplace_back(platform::AnsiSortKey(platform::AnsiLowerCase(item->OriginalUrl), false),
                       item.get());
  }
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    // Collation-equal but different bytes: keep a fixed order all the same.
    return platform::AnsiLowerCase(a.second->OriginalUrl) <
           platform::AnsiLowerCase(b.second->OriginalUrl);
  });
  sorted_.clear();
  sorted_.reserve(keyed.size());
  for (auto& k : keyed) sorted_.push_back(k.second);
  sortedValid_ = true;
}

const TWebCacheRenameItem& TWebCacheRenameItems::operator[](std::size_t i) const {
  SortIfNeeded();
  return *sorted_[i];
}

std::size_t TWebCacheRenameItems::LoadFromText(std::string_view text) {
  std::size_t read = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t cr = text.find('\r', pos);
    // Every line ends in CR LF; a last line without it, or a lone CR, ends the load.
    if (cr == std::string_view::npos || cr + 1 >= text.size() || text[cr + 1] != '\n') break;
    std::string_view line = text.substr(pos, cr - pos);
    std::size_t tab = line.find('\t');
    // Without its TAB (or with a bare LF inside) the line is malformed; going on
    // would glue it to the next line.
    if (tab == std::string_view::npos || line.find('\n') != std::string_view::npos) break;
    pos = cr + 2;
    std::string original(line.substr(0, tab));
    std::string target(line.substr(tab + 1));
    if (original.empty() || target.empty()) continue;
    Add(original, target);
    ++read;
  }
  return read;
}

bool TWebCacheRenameItems::LoadRenameList(const std::string& path) {
  Clear();
  if (path.empty()) return false;
  platform::MappedFile file;
  if (!file.Open(path)) return false;
  LoadFromText(file.view());
  return true;
}

std::string TWebCacheRenameItems::SaveToText() const {
  SortIfNeeded();
  std::string out;
  for (const TWebCacheRenameItem* item : sorted_) {
    // A URL with a TAB or line break would split its line on the next load.
    if (item->OriginalUrl.find_first_of("\t\r\n") != std::string::npos ||
        item->NewUrl.find_first_of("\t\r\n") != std::string::npos) {
      continue;
    }
    out += item->OriginalUrl;
    out += '\t';
    out += item->NewUrl;
    out += "\r\n";
  }
  return out;
}

bool TWebCacheRenameItems::SaveRenameList(const std::string& path) const {
  if (path.empty()) return false;
  return platform::AtomicWriteFile(path, SaveToText());
}
