// Where the current user's Netscape cache index lives.  On Windows the profile folder
// comes from two of the browser's registry values, the cache folder from the
// profile's prefs.js; paths are Windows-form ANSI paths as the browser wrote them, and
// platform files map them into the host file system.  The Unix browser kept the same
// index as index.db in ~/.netscape/cache (its preferences.js may name another folder).
#pragma once

#include <string>
#include <vector>

namespace platform {
class Registry;
}

// The profile folder ending in a backslash, or "" when the registry lacks the
// profile name or the install folder.  The first form reads platform::Registry::Current().
std::string GetProfileDirectory();
std::string GetProfileDirectory(const platform::Registry& registry);

// The full path of FAT.DB, or "" when it cannot be determined (no profile, no
// readable prefs.js, a cache-folder preference without a usable value).  The path
// is not checked for existence.
std::string GetFatDbPath();
std::string GetFatDbPath(const platform::Registry& registry);

// The FAT.DB path named by the text of a prefs.js, for the given profile folder.
std::string FatDbPathFromPrefs(const std::string& prefsText, const std::string& profileDirectory);

// ---- Unix profiles, bare cache folders, and the search over all of them ----

// Index file names: a Windows profile's cache keeps FAT.DB, a Unix one's index.db (the
// same format).
inline constexpr const char* kFatDbName = "FAT.DB";
inline constexpr const char* kUnixIndexName = "index.db";

// Where one cache is: its profile, its index file and the bookmark file beside it.
struct TCacheLocation {
  std::string Profile;       // profile folder ending in its separator; "" when none
  std::string IndexFile;     // FAT.DB or index.db; "" when it cannot be determined
  std::string BookmarkFile;  // bookmark.htm or bookmarks.html; "" without a profile
  // The index file exists (a file, not a folder).
  bool Exists() const;
};

// The browser.cache.directory value of a Unix preferences.js, with the JavaScript
// escapes (\\ and \") undone; "" when the preference is missing or damaged.
std::string CacheDirectoryFromUnixPrefs(const std::string& prefsText);

// A Unix profile folder (~/.netscape): the cache folder that preferences.js names (a
// relative one is taken from the profile folder), else the profile's "cache" folder;
// index.db in it; bookmarks.html.  When the named folder holds no index.db but the
// profile's own "cache" folder does (a profile copied from another disk), that one.
TCacheLocation LocateNetscapeHome(const std::string& home);
// The Windows profile that the registry names (prefs.js, FAT.DB, bookmark.htm).
TCacheLocation LocateRegistryProfile(const platform::Registry& registry);
// A bare cache folder: its FAT.DB, else its index.db (FAT.DB named when neither is there).
TCacheLocation LocateCacheFolder(const std::string& folder);
// The current user's Unix profile folder, $HOME/.netscape/.
std::string DefaultNetscapeHome();

// How the cache is found.  At most one of the first three is normally set.
struct TCacheSearch {
  std::string IndexFile;     // this FAT.DB or index.db; nothing is searched
  std::string CacheFolder;   // a bare cache folder
  std::string NetscapeHome;  // a Unix profile folder
  // Without any of those: the registry's profile (the Wine prefix), then, when set,
  // the user's ~/.netscape.
  bool HomeAfterRegistry = false;
};

// One place the search looked.
struct TCacheLookup {
  std::string Step;  // "fat_db", "cache_dir", "netscape_home", "registry", "home"
  TCacheLocation Location;
};

// Every place the search looks, in order.
std::vector<TCacheLookup> SearchCache(const TCacheSearch& search,
                                      const platform::Registry& registry);
// The first place whose index file exists; else the first that names one; else none.
// Worked out afresh on every call, as the browser's settings may change.
TCacheLocation LocateCache(const TCacheSearch& search, const platform::Registry& registry);
TCacheLocation LocateCache(const TCacheSearch& search);
