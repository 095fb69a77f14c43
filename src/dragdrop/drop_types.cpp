#include "dragdrop/drop_types.h"

#include <mutex>

namespace {

struct TFormatRegistry {
  std::mutex lock;
  std::vector<std::string> names;  // index i is format 0xC000 + i
  int users = 0;
};

TFormatRegistry& Registry() {
  static TFormatRegistry registry;
  return registry;
}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (low(a[i]) != low(b[i])) return false;
  }
  return true;
}

constexpr std::uint16_t kFirstRegistered = 0xC000;

std::uint16_t RegisterLocked(TFormatRegistry& r, std::string_view name) {
  for (std::size_t i = 0; i < r.names.size(); ++i)
    if (SameAscii(r.names[i], name)) return static_cast<std::uint16_t>(kFirstRegistered + i);
  if (r.names.size() >= 0x4000) return 0;
  r.names.emplace_back(name);
  return static_cast<std::uint16_t>(kFirstRegistered + r.names.size() - 1);
}

}  // namespace

std::uint16_t RegisterClipboardFormat(std::string_view name) {
  if (name.empty()) return 0;
  TFormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  return RegisterLocked(r, name);
}

std::string ClipboardFormatName(std::uint16_t format) {
  TFormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (format < kFirstRegistered) return {};
  const std::size_t i = format - kFirstRegistered;
  return i < r.names.size() ? r.names[i] : std::string();
}

TDragDropUse::TDragDropUse() {
  TFormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (r.users++ == 0) {
    for (std::string_view name : {CFSTR_FILECONTENTS, CFSTR_FILEDESCRIPTOR, CFSTR_SHELLIDLIST,
                                  CFSTR_PREFERREDDROPEFFECT, CFSTR_INETURL, CFSTR_FILENAMEMAP,
                                  CFSTR_FILENAMEMAPW})
      RegisterLocked(r, name);
  }
}

TDragDropUse::~TDragDropUse() {
  TFormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  --r.users;  // format numbers stay valid for the process, as registered formats do
}

int TDragDropUse::Count() {
  TFormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  return r.users;
}
