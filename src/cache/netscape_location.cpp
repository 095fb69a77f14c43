#include "cache/netscape_location.h"

#include <string_view>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace {

constexpr const char* kBiffKey = "Software\\Netscape\\Netscape Navigator\\biff";
constexpr const char* kMainKey = "Software\\Netscape\\Netscape Navigator\\Main";
constexpr std::string_view kCacheDirectoryPref = "\"browser.cache.directory\"";

// A final backslash that is a character of its own, not the trail byte of a
// double-byte character.
bool EndsWithBackslash(std::string_view s) {
  return !s.empty() && s.back() == '\\' && !platform::IsTrailByteAt(s, s.size() - 1);
}

}  // namespace

std::string GetProfileDirectory(const platform::Registry& registry) {
  using platform::RootKey;
  std::string profile =
      registry.ReadString(RootKey::CurrentUser, kBiffKey, "CurrentUser").value_or("");
  std::string install =
      registry.ReadString(RootKey::CurrentUser, kMainKey, "Install Directory").value_or("");
  if (profile.empty() || install.empty()) return {};

  if (EndsWithBackslash(install)) install.pop_back();
  std::size_t slash = platform::AnsiFindLast(install, '\\');
  if (slash == platform::npos) return {};
  // The install folder is the "Program" folder; profiles live beside it.
  return install.substr(0, slash + 1) + "Users\\" + profile + "\\";
}

std::string GetProfileDirectory() { return GetProfileDirectory(platform::Registry::Current()); }

std::string FatDbPathFromPrefs(const std::string& prefsText, const std::string& profileDirectory) {
  std::string_view text = prefsText;
  std::size_t at = platform::AnsiFindStr(text, kCacheDirectoryPref);
  if (at == platform::npos) return profileDirectory + "Cache\\FAT.DB";

  // user_pref("browser.cache.directory", "D:\\Cache");  -- skip the name and the
  // comma, then take what lies between the next two double quotes.
  std::size_t pos = at + kCacheDirectoryPref.size() + 1;
  if (pos > text.size()) return {};
  std::size_t open = platform::AnsiFind(text, '"', pos);
  if (open == platform::npos) return {};
  std::size_t close = platform::AnsiFind(text, '"', open + 1);
  if (close == platform::npos) return {};  // an unterminated value names nothing usable

  std::string folder = platform::AnsiReplaceAll(text.substr(open + 1, close - open - 1), "\\\\", "\\");
  if (folder.empty()) return {};
  if (!EndsWithBackslash(folder)) folder += '\\';
  return folder + "FAT.DB";
}

std::string GetFatDbPath(const platform::Registry& registry) {
  std::string profile = GetProfileDirectory(registry);
  if (profile.empty()) return {};
  std::string prefs;
  if (!platform::ReadWholeFile(profile + "prefs.js", prefs)) return {};
  return FatDbPathFromPrefs(prefs, profile);
}

std::string GetFatDbPath() { return GetFatDbPath(platform::Registry::Current()); }

namespace {

bool IsDriveForm(std::string_view path) { return path.size() >= 2 && path[1] == ':'; }

// `folder` ending in one separator: a backslash for a drive-letter path, else '/'.
std::string FolderWithDelim(std::string folder) {
  if (folder.empty()) return folder;
  const char last = folder.back();
  if (last == '/' || (last == '\\' && !platform::IsTrailByteAt(folder, folder.size() - 1)))
    return folder;
  return folder + (IsDriveForm(folder) ? '\\' : platform::kPathDelim);
}

}  // namespace

bool TCacheLocation::Exists() const { return !IndexFile.empty() && platform::FileExists(IndexFile); }

std::string CacheDirectoryFromUnixPrefs(const std::string& prefsText) {
  std::string_view text = prefsText;
  std::size_t at = text.find(kCacheDirectoryPref);
  if (at == std::string_view::npos) return {};
  // user_pref("browser.cache.directory", "/home/taro/.netscape/cache");
  std::size_t pos = at + kCacheDirectoryPref.size();
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos >= text.size() || text[pos] != ',') return {};
  ++pos;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos >= text.size() || text[pos] != '"') return {};
  std::string value;
  for (++pos; pos < text.size(); ++pos) {
    char c = text[pos];
    if (c == '"') return value;
    if (c == '\n') break;
    if (c == '\\' && pos + 1 < text.size()) c = text[++pos];
    value += c;
  }
  return {};  // unterminated: names nothing usable
}

TCacheLocation LocateNetscapeHome(const std::string& home) {
  TCacheLocation location;
  if (home.empty()) return location;
  const std::string profile = FolderWithDelim(home);
  location.Profile = profile;
  location.BookmarkFile = profile + "bookmarks.html";
  const std::string own = profile + "cache/";
  std::string folder = own;
  std::string prefs;
  if (platform::ReadWholeFile(profile + "preferences.js", prefs)) {
    std::string named = CacheDirectoryFromUnixPrefs(prefs);
    if (named.rfind("~/", 0) == 0) {
      named = platform::Utf8ToAnsi(platform::HomeFolder()) + named.substr(1);
    } else if (!named.empty() && named[0] != '/') {
      named = profile + named;
    }
    if (!named.empty()) {
      named = FolderWithDelim(named);
      // A profile copied from another disk still names the folder it had there.
      if (platform::FileExists(named + kUnixIndexName) || !platform::FileExists(own + kUnixIndexName))
        folder = named;
    }
  }
  location.IndexFile = folder + kUnixIndexName;
  return location;
}

TCacheLocation LocateRegistryProfile(const platform::Registry& registry) {
  TCacheLocation location;
  location.Profile = GetProfileDirectory(registry);
  if (location.Profile.empty()) return location;
  location.IndexFile = GetFatDbPath(registry);
  location.BookmarkFile = location.Profile + "bookmark.htm";
  return location;
}

TCacheLocation LocateCacheFolder(const std::string& folder) {
  TCacheLocation location;
  if (folder.empty()) return location;
  const std::string base = FolderWithDelim(folder);
  location.IndexFile = base + kFatDbName;
  if (!platform::FileExists(location.IndexFile) && platform::FileExists(base + kUnixIndexName))
    location.IndexFile = base + kUnixIndexName;
  return location;
}

std::string DefaultNetscapeHome() {
  return FolderWithDelim(platform::Utf8ToAnsi(platform::HomeFolder())) + ".netscape/";
}

std::vector<TCacheLookup> SearchCache(const TCacheSearch& search,
                                      const platform::Registry& registry) {
  std::vector<TCacheLookup> steps;
  if (!search.IndexFile.empty()) {
    // The index named outright; the registry's profile still has the bookmarks.
    TCacheLocation location = LocateRegistryProfile(registry);
    location.IndexFile = search.IndexFile;
    steps.push_back({"fat_db", location});
  } else if (!search.CacheFolder.empty()) {
    steps.push_back({"cache_dir", LocateCacheFolder(search.CacheFolder)});
  } else if (!search.NetscapeHome.empty()) {
    steps.push_back({"netscape_home", LocateNetscapeHome(search.NetscapeHome)});
  } else {
    steps.push_back({"registry", LocateRegistryProfile(registry)});
    if (search.HomeAfterRegistry) steps.push_back({"home", LocateNetscapeHome(DefaultNetscapeHome())});
  }
  return steps;
}

TCacheLocation LocateCache(const TCacheSearch& search, const platform::Registry& registry) {
  std::vector<TCacheLookup> steps = SearchCache(search, registry);
  for (const TCacheLookup& step : steps) {
    if (step.Location.Exists()) return step.Location;
  }
  // Nothing there: what the first place names, so that messages point at it.
  return steps.front().Location;
}

TCacheLocation LocateCache(const TCacheSearch& search) {
  return LocateCache(search, platform::Registry::Current());
}
