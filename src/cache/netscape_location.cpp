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
