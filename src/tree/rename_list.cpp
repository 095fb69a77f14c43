#include "tree/rename_list.h"

#include <algorithm>
#include <cstdint>

#include "common/url.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"

std::string NormaliseRenameUrl(std::string_view url) {
  // Without an escape the decoded form is the URL itself; skipping the split keeps
  // the per-entry lookup of a big cache cheap.
  if (url.find('%') == std::string_view::npos) return std::string(url);
  return DecodeUrl(url);
}

namespace {

// ASCII letters in single-byte positions only, as AnsiLowerCase lowers them.
template <class Fn>
void ForEachLoweredByte(std::string_view s, Fn fn) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (platform::AnsiCharLength(s, i) == 2) {
      fn(c);
      fn(static_cast<unsigned char>(s[++i]));
      continue;
    }
    fn(c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c);
  }
}

std::uint64_t CaseHash(std::string_view url) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a
  ForEachLoweredByte(url, [&](unsigned char c) {
    h ^= c;
    h *= 1099511628211ull;
  });
  return h;
}

bool CaseEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (platform::AnsiCharLength(a, i) == 2) {
      // Both must hold the same double-byte character, trail byte untouched.
      if (ca != cb || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + 32);
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + 32);
    if (ca != cb) return false;
  }
  return true;
}

}  // namespace

TWebCacheRenameItem* TWebCacheRenameItems::Find(std::string_view url) const {
  if (slots_.empty()) return nullptr;
  const std::uint64_t hash = CaseHash(url);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (!s.item) return nullptr;
    if (s.hash == hash && CaseEqual(url, s.item->OriginalUrl)) return s.item;
  }
}

void TWebCacheRenameItems::Grow() {
  std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (!s.item) continue;
    std::size_t i = s.hash & mask;
    while (slots_[i].item) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

const TWebCacheRenameItem& TWebCacheRenameItems::Add(const std::string& originalUrl,
                                                     const std::string& newUrl) {
  return AddNormal(NormaliseRenameUrl(originalUrl), newUrl);
}

const TWebCacheRenameItem& TWebCacheRenameItems::AddNormal(std::string originalUrl,
                                                           std::string newUrl) {
  TWebCacheRenameItem probe{std::move(originalUrl), std::move(newUrl)};
  if (platform::AnsiFindStr(probe.NewUrl, "://") == platform::npos) {
    std::size_t sep = platform::AnsiFindStr(probe.OriginalUrl, "://");
    if (sep != platform::npos) probe.NewUrl = probe.OriginalUrl.substr(0, sep + 3) + probe.NewUrl;
  }
  if (TWebCacheRenameItem* known = Find(probe.OriginalUrl)) {
    known->NewUrl = std::move(probe.NewUrl);
    return *known;
  }
  // At most three quarters full, so that a miss ends soon.
  if ((items_.size() + 1) * 4 > slots_.size() * 3) Grow();
  items_.push_back(std::move(probe));
  const std::uint64_t hash = CaseHash(items_.back().OriginalUrl);
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (slots_[i].item) i = (i + 1) & mask;
  slots_[i] = Slot{hash, &items_.back()};
  sortedValid_ = false;
  return items_.back();
}

std::string TWebCacheRenameItems::Lookup(std::string_view url) const {
  if (items_.empty()) return {};
  const TWebCacheRenameItem* item =
      url.find('%') != std::string_view::npos ? Find(DecodeUrl(url)) : Find(url);
  return item ? item->NewUrl : std::string();
}

void TWebCacheRenameItems::Clear() {
  slots_.clear();
  sorted_.clear();
  items_.clear();
  sortedValid_ = true;
}

void TWebCacheRenameItems::SortIfNeeded() const {
  if (sortedValid_ && sorted_.size() == items_.size()) return;
  // One collation key per item instead of a locale comparison per step.
  // URLs of printable ASCII only (the usual case) take the byte-rank keys, which
  // order as the collator's keys do; one other URL sends them all to the collator, as
  // the two kinds of key do not compare with each other.
  std::vector<std::pair<std::string, TWebCacheRenameItem*>> keyed(items_.size());
  bool fast = true;
  std::string lowered;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    keyed[i].second = const_cast<TWebCacheRenameItem*>(&items_[i]);
    if (!fast) continue;
    lowered = platform::AnsiLowerCase(items_[i].OriginalUrl);
    fast = FastNameSortKey(lowered, &keyed[i].first);
  }
  if (!fast) {
    for (auto& k : keyed)
      k.first = platform::AnsiSortKey(platform::AnsiLowerCase(k.second->OriginalUrl), false);
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
    // The file holds the decoded forms; a '%' in it is a literal '%'.
    AddNormal(std::move(original), std::move(target));
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
  // A URL with a TAB or line break would split its line on the next load.  An item
  // whose URL decoded to nothing renames nothing, and its line would not load.
  auto writable = [](const std::string& url) {
    if (url.empty()) return false;
    for (char c : url) {
      if (c == '\t' || c == '\r' || c == '\n') return false;
    }
    return true;
  };
  std::size_t size = 0;
  for (const TWebCacheRenameItem* item : sorted_)
    size += item->OriginalUrl.size() + item->NewUrl.size() + 3;
  std::string out;
  out.reserve(size);
  for (const TWebCacheRenameItem* item : sorted_) {
    if (!writable(item->OriginalUrl) || !writable(item->NewUrl)) continue;
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
