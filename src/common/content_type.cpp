#include "common/content_type.h"

#include <cstring>

#include "common/binary_search.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace {

constexpr const char* kMimeDatabaseKey = "MIME\\Database\\Content Type";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasFieldBreak(std::string_view s) {
  return s.find_first_of("\t\r\n") != std::string_view::npos;
}

}  // namespace

bool IsUsableExtension(std::string_view ext) {
  if (ext.size() < 2 || ext[0] != '.') return false;
  for (std::size_t i = 1; i < ext.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(ext[i]);
    if (platform::AnsiCharLength(ext, i) == 2) {
      ++i;  // the trail byte may be 0x5C or 0x7C and is not a separator
      continue;
    }
    if (c < 0x20 || c == 0x7F) return false;
    if (std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
  }
  // "." and ".." are not extensions but path steps.
  return ext != "..";
}

void TContentTypeItem::SetExtension(const std::string& ext) {
  if (ext == Extension) return;
  Extension = ext;
  if (!ext.empty()) AddExtension(ext);
}

bool TContentTypeItem::AddExtension(const std::string& ext) {
  if (ext.empty() || HasExtension(ext)) return false;
  Extensions.push_back(ext);
  return true;
}

bool TContentTypeItem::HasExtension(std::string_view ext) const {
  for (const std::string& e : Extensions) {
    if (platform::AnsiSameText(e, ext)) return true;
  }
  return false;
}

int TContentType::Search(const std::string& key) const {
  return BinarySearchList(items_, key, [](const std::string& k, const Slot& s) {
    int r = k.compare(s.sortKey);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  });
}

int TContentType::IndexOfType(std::string_view type) const {
  if (items_.empty()) return -1;
  return Search(platform::AnsiSortKey(type, false));
}

int TContentType::AddType(const std::string& type, const std::string& ext) {
  std::string key = platform::AnsiSortKey(type, false);
  int i = Search(key);
  if (i >= 0) {
    items_[i].item->SetExtension(ext);
    return i;
  }
  int at = -(i + 1);
  Slot slot{std::make_unique<TContentTypeItem>(), std::move(key)};
  slot.item->Name = type;
  slot.item->SetExtension(ext);
  items_.insert(items_.begin() + at, std::move(slot));
  return at;
}

std::size_t TContentType::LoadFromRegistry() {
  return LoadFromRegistry(platform::Registry::Current());
}

std::size_t TContentType::LoadFromRegistry(const platform::Registry& reg,
                                           const std::string& mimeTypesPath) {
  Clear();
  bool anyData = false;
  // Extension keys first: each one names the type of its extension.  A later key
  // for the same type makes its extension the default.
  for (const std::string& name : reg.SubKeys(platform::RootKey::ClassesRoot, "")) {
    if (name.empty() || name[0] != '.') continue;
    auto value = reg.ReadString(platform::RootKey::ClassesRoot, name, "Content Type");
    if (!value || value->empty()) continue;
    anyData = true;
    if (IsUsableExtension(name)) AddType(*value, name);
  }
  // The MIME database's own default extension overrides what the keys said.
  for (const std::string& name : reg.SubKeys(platform::RootKey::ClassesRoot, kMimeDatabaseKey)) {
    auto value = reg.ReadString(platform::RootKey::ClassesRoot,
                                std::string(kMimeDatabaseKey) + "\\" + name, "Extension");
    if (!value || value->empty()) continue;
    anyData = true;
    if (IsUsableExtension(*value)) AddType(name, *value);
  }
  if (!anyData && !mimeTypesPath.empty()) LoadFromMimeTypes(mimeTypesPath);
  return Count();
}

bool TContentType::LoadFromMimeTypes(const std::string& path) {
  std::string text;
  if (!platform::ReadWholeFile(path, text)) return false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    std::string_view line(text.data() + pos, eol - pos);
    pos = eol + 1;
    std::size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);

    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (IsBlank(line[i]) || line[i] == '\r')) ++i;
      std::size_t start = i;
      while (i < line.size() && !IsBlank(line[i]) && line[i] != '\r') ++i;
      if (i > start) words.push_back(line.substr(start, i - start));
    }
    if (words.size() < 2) continue;  // a type without extensions adds nothing
    std::string type(words[0]);
    for (std::size_t w = 1; w < words.size(); ++w) {
      std::string ext = "." + std::string(words[w]);
      if (!IsUsableExtension(ext)) continue;
      int idx = IndexOfType(type);
      if (idx < 0) {
        AddType(type, ext);  // the first extension listed for a type is its default
      } else {
        (*this)[idx].AddExtension(ext);
      }
    }
  }
  // mime.types lists "jpeg" first; the name users and Windows expect is ".jpg".
  const int jpeg = IndexOfType("image/jpeg");
  if (jpeg >= 0) (*this)[jpeg].SetExtension(".jpg");
  return true;
}

std::size_t TContentType::LoadFromText(std::string_view text) {
  std::size_t applied = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t cr = text.find('\r', pos);
    // A line must end in CR LF; a trailing line without it is not trusted.
    if (cr == std::string_view::npos || cr + 1 >= text.size() || text[cr + 1] != '\n') break;
    std::string_view line = text.substr(pos, cr - pos);
    std::size_t tab = line.find('\t');
    // A line without its TAB, or with a stray line feed, is malformed: reading would
    // otherwise swallow the next line into this one's type.
    if (tab == std::string_view::npos || line.find('\n') != std::string_view::npos) break;
    std::string type(line.substr(0, tab));
    std::string ext(line.substr(tab + 1));
    pos = cr + 2;
    if (type.empty()) continue;
    if (!ext.empty() && !IsUsableExtension(ext)) continue;
    AddType(type, ext);
    ++applied;
  }
  return applied;
}

bool TContentType::LoadFromFile(const std::string& path) {
  if (path.empty()) return false;
  platform::MappedFile file;
  if (!file.Open(path)) return false;
  LoadFromText(file.view());
  return true;
}

std::string TContentType::SaveToText() const {
  std::string out;
  for (const Slot& s : items_) {
    // A field holding a line break or TAB would corrupt every line after it.
    if (HasFieldBreak(s.item->Name) || HasFieldBreak(s.item->Extension)) continue;
    out += s.item->Name;
    out += '\t';
    out += s.item->Extension;
    out += "\r\n";
  }
  return out;
}

bool TContentType::SaveToFile(const std::string& path) const {
  if (path.empty()) return false;
  return platform::AtomicWriteFile(path, SaveToText());
}
