// Where the current user's Netscape cache index lives: the profile folder comes from
// two of the browser's registry values, the cache folder from the profile's prefs.js.
// Paths are Windows-form ANSI paths as the browser wrote them; platform files map
// them into the host file system.
#pragma once

#include <string>

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
