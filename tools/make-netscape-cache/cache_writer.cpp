#include "cache_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <system_error>

#include "db185.h"
#include "description.h"
#include "platform/codepage.h"

namespace mnc {
namespace fs = std::filesystem;
namespace {

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A counted string: length including the terminating zero, then the bytes.  An empty
// string is stored as length 0 with no bytes.  `bad` replaces the length word only.
void PutCounted(std::string& out, const std::string& s, const std::map<std::string, std::int64_t>& bad,
                const char* field) {
  std::uint32_t len = s.empty() ? 0 : static_cast<std::uint32_t>(s.size() + 1);
  auto it = bad.find(field);
  if (it != bad.end()) len = static_cast<std::uint32_t>(it->second);
  PutU32(out, len);
  if (!s.empty()) {
    out += s;
    out += '\0';
  }
}

bool WriteFile(const fs::path& path, std::string_view bytes, std::string& error) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = "cannot write " + path.string() + ": " + std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) error = "cannot write " + path.string() + ": " + std::strerror(errno);
  return ok;
}

bool ReadFile(const std::string& path, std::string& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  out.assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

std::string AnsiToUtf8(const std::string& s) {
  std::string out;
  if (ConvertEncoding(s, "CP932", "UTF-8", out)) return out;
  return s;  // not valid CP932: leave the bytes as they are
}

// Paths and names are CP932: 0x5C is also the trail byte of characters such as 表 and
// ソ, and only a backslash of its own separates or gets escaped.
std::string StripTrailingBackslash(std::string s) {
  if (!s.empty() && s.back() == '\\' && !platform::IsTrailByteAt(s, s.size() - 1)) s.pop_back();
  return s;
}

// `s` with every backslash of its own (not a trail byte) doubled, and quotes escaped.
std::string EscapeBackslashesAndQuotes(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (platform::IsLeadByte(c) && i + 1 < s.size()) {
      out += s[i];
      out += s[++i];
      continue;
    }
    if (c == '\\' || c == '"') out += '\\';
    out += s[i];
  }
  return out;
}

const char* ExtensionFor(const std::string& contentType) {
  std::string t;
  for (char c : contentType) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  t = t.substr(0, t.find(';'));
  if (t == "text/html") return ".html";
  if (t == "image/gif") return ".gif";
  if (t == "image/jpeg" || t == "image/pjpeg") return ".jpg";
  if (t == "image/png") return ".png";
  if (t == "image/x-xbitmap") return ".xbm";
  if (t == "text/plain") return ".txt";
  if (t == "text/css") return ".css";
  if (t == "application/x-javascript" || t == "text/javascript") return ".js";
  if (t == "application/octet-stream") return ".bin";
  return "";
}

// Eight-character names in the browser's style, "M0" and six base-32 digits.  Multiplying
// by an odd constant permutes the 30-bit range, so the names of different indexes differ.
std::string GeneratedFileName(std::size_t index, const CacheEntry& entry, bool subfolders) {
  static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
  std::uint32_t v = (static_cast<std::uint32_t>(index) * 2654435761u + 0x2F1B3u) & 0x3FFFFFFFu;
  std::string name = "M0";
  for (int i = 5; i >= 0; --i) name += digits[(v >> (5 * i)) & 31];
  name += ExtensionFor(entry.contentType);
  if (subfolders) {
    char dir[4];
    std::snprintf(dir, sizeof dir, "%02X", static_cast<unsigned>(index % 32));
    name = std::string(dir) + "\\" + name;
  }
  return name;
}

// Wine keeps registry strings as Unicode and writes non-ASCII as \x and hex.
std::string WineRegString(const std::string& ansi) {
  std::string utf16;
  std::string out;
  if (!ConvertEncoding(ansi, "CP932", "UTF-16LE", utf16)) utf16.clear();
  for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
    unsigned c = static_cast<unsigned char>(utf16[i]) |
                 (static_cast<unsigned char>(utf16[i + 1]) << 8);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%04x", c);
      out += buf;
    }
  }
  return out;
}

// REGEDIT4 exports are ANSI text; only backslash and quote are escaped.
std::string Regedit4String(const std::string& ansi) { return EscapeBackslashesAndQuotes(ansi); }

// Key names are escaped like strings: separators doubled, non-ASCII as \x and hex.
std::string WineKey(const std::string& key) { return WineRegString(key); }

std::string ManifestField(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x20 || c == '\\' || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

struct RegValue {
  std::string root;  // "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"
  std::string key;
  std::string name;  // empty = default value
  std::string value;
};

bool WriteRegistry(const std::vector<RegValue>& values, const WriteOptions& options,
                   std::string& error) {
  // A fixed stamp keeps the output of equal descriptions byte-equal.
  const char* stamp = " 1000000000\n#time=1c1d1a2b3c4d5e6\n";
  for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
    bool user = std::strcmp(root, "HKEY_CURRENT_USER") == 0;
    std::string text = "WINE REGISTRY Version 2\n";
    text += user ? ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
                 : ";; All keys relative to \\\\Machine\n";
    text += "\n#arch=win32\n";
    std::string lastKey;
    for (const RegValue& v : values) {
      if (v.root != root) continue;
      if (v.key != lastKey) {
        text += "\n[" + WineKey(v.key) + "]" + stamp;
        lastKey = v.key;
      }
      text += (v.name.empty() ? std::string("@") : "\"" + WineRegString(v.name) + "\"") + "=\"" +
              WineRegString(v.value) + "\"\n";
    }
    if (!WriteFile(fs::path(options.outDir) / (user ? "user.reg" : "system.reg"), text, error))
      return false;
  }
  if (!options.regFile.empty()) {
    std::string text = "REGEDIT4\r\n";
    std::string lastKey;
    for (const RegValue& v : values) {
      std::string full = v.root + "\\" + v.key;
      if (full != lastKey) {
        text += "\r\n[" + full + "]\r\n";
        lastKey = full;
      }
      text += (v.name.empty() ? std::string("@") : "\"" + Regedit4String(v.name) + "\"") + "=\"" +
              Regedit4String(v.value) + "\"\r\n";
    }
    text += "\r\n";
    if (!WriteFile(options.regFile, text, error)) return false;
  }
  return true;
}

std::string PrefsString(const std::string& ansi) { return EscapeBackslashesAndQuotes(ansi); }

}  // namespace

std::string EncodeKey(const CacheEntry& entry) {
  std::string key;
  PutU32(key, entry.keyPrefix ? *entry.keyPrefix
                              : static_cast<std::uint32_t>(entry.url.size() + 13));
  std::uint32_t len = static_cast<std::uint32_t>(entry.url.size() + 1);
  auto it = entry.badLength.find("url");
  if (it != entry.badLength.end()) len = static_cast<std::uint32_t>(it->second);
  PutU32(key, len);
  key += entry.url;
  key += '\0';
  PutU32(key, 0);
  return key;
}

std::string EncodeItem(const CacheEntry& e, std::uint32_t contentLength) {
  const auto& bad = e.badLength;
  std::string item;
  PutU32(item, 0);  // patched below with the final length
  PutU32(item, e.version);
  PutU32(item, e.lastModified);
  PutU32(item, e.lastAccessed);
  PutU32(item, e.expires);
  PutU32(item, contentLength);
  item += static_cast<char>(e.flagA ? 1 : 0);
  PutU32(item, e.valueA);
  PutCounted(item, e.fileName, bad, "file");
  PutU32(item, e.valueB);
  item += static_cast<char>(e.flagB ? 1 : 0);
  PutU32(item, e.valueC);
  PutCounted(item, e.textB, bad, "text-b");
  PutU32(item, e.valueD);
  PutCounted(item, e.headerA, bad, "header-a");
  PutCounted(item, e.contentType, bad, "content-type");
  PutCounted(item, e.headerB, bad, "header-b");
  PutCounted(item, e.charset, bad, "charset");
  item += static_cast<char>(e.flagC ? 1 : 0);
  PutU32(item, e.valueE);
  PutCounted(item, e.textC, bad, "text-c");
  std::uint32_t total = static_cast<std::uint32_t>(item.size());
  for (int i = 0; i < 4; ++i) item[i] = static_cast<char>((total >> (8 * i)) & 0xFF);
  return item;
}

std::string WindowsToHostPath(const std::string& outDir, std::string_view windowsPath) {
  if (windowsPath.size() < 2 || windowsPath[1] != ':' ||
      !std::isalpha(static_cast<unsigned char>(windowsPath[0])))
    return {};
  fs::path host = fs::path(outDir) /
                  (std::string("drive_") +
                   static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0]))));
  std::string rest(windowsPath.substr(2));
  std::size_t pos = 0;
  while (pos <= rest.size()) {
    std::size_t next = platform::AnsiFind(rest, '\\', pos);
    if (next == platform::npos) next = rest.size();
    std::string seg = rest.substr(pos, next - pos);
    if (!seg.empty() && seg != ".") host /= AnsiToUtf8(seg);
    pos = next + 1;
  }
  return host.string();
}

namespace {
// Everything the tool writes must stay inside the prefix, whatever names the description
// uses ("..\..", user names with backslashes).
bool InsideFolder(const std::string& folder, const std::string& path) {
  std::string f = fs::path(folder).lexically_normal().string();
  std::string p = fs::path(path).lexically_normal().string();
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  return p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == '/';
}
}  // namespace

std::string ProfileFolderFor(const Profile& profile) {
  std::string install = StripTrailingBackslash(profile.installDirectory);
  std::size_t slash = platform::AnsiFindLast(install, '\\');
  if (slash == platform::npos) return {};
  return install.substr(0, slash + 1) + "Users\\" + profile.user + "\\";
}

namespace {

// Body names of a Unix cache use '/' ("0A/M0ABCDEF.gif"); descriptions may give them
// with backslashes as for Windows.
std::string UnixName(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

// The index (FAT.DB or index.db) through the library, the body files, the manifest.
bool WriteIndexAndBodies(const CacheDescription& desc, const WriteOptions& options,
                         const std::string& indexHostPath, const std::string& indexShownPath,
                         const std::function<std::string(const std::string&)>& bodyHostPath,
                         WriteSummary& summary, std::string& error) {
  const Profile& p = desc.profile;
  HashDb185 db;
  if (!db.Create(indexHostPath, options.dbCacheBytes, error)) return false;
  std::set<std::string> usedNames;
  for (const CacheEntry& e : desc.entries)
    if (!e.fileName.empty()) usedNames.insert(e.fileName);
  std::map<std::string, std::size_t> keyOwner;  // key -> manifest row
  std::vector<std::string> rows;
  std::string body;
  std::uint64_t totalBytes = 0;
  std::size_t index = 0;
  std::map<std::size_t, std::size_t> rowOfEntry;
  auto deleteListed = [&]() {
    for (std::size_t d : desc.deletions) {
      if (d >= desc.entries.size()) continue;
      std::string key = EncodeKey(desc.entries[d]);
      auto owner = keyOwner.find(key);
      if (owner == keyOwner.end() || !rowOfEntry.count(d) || owner->second != rowOfEntry[d]) continue;
      if (!db.Del(key, error)) return false;
      std::string& row = rows[owner->second];
      row = row.substr(0, row.rfind('\t') + 1) + "deleted";
      keyOwner.erase(owner);
      --summary.records;
    }
    return true;
  };
  for (const CacheEntry& source : desc.entries) {
    if (index == desc.deleteAt && !desc.deletions.empty() && !deleteListed()) return false;
    CacheEntry e = source;
    std::size_t myIndex = index++;
    if (e.fileName.empty()) {
      std::size_t n = myIndex;
      do e.fileName = GeneratedFileName(n++, e, p.subfolders);
      while (usedNames.count(e.fileName));
      usedNames.insert(e.fileName);
    }
    if (!e.bodySource.empty()) {
      if (!ReadFile(e.bodySource, body, error)) {
        error = "entry at line " + std::to_string(e.line) + ": " + error;
        return false;
      }
    } else if (e.body.empty() && desc.makeBody) {
      body.clear();
      desc.makeBody(myIndex, e, body);
    } else {
      body = e.body;
    }
    std::string bodyHost = bodyHostPath(e.fileName);
    if (p.unixLayout) e.fileName = UnixName(e.fileName);
    // Odd names are kept in FAT.DB (readers must cope with them), but their bodies are
    // only written where they stay inside the prefix.
    if (!e.missingBody && !InsideFolder(options.outDir, bodyHost)) {
      error = "entry at line " + std::to_string(e.line) + ": body file name '" + e.fileName +
              "' leads out of the output folder";
      return false;
    }
    if (!e.missingBody && !WriteFile(bodyHost, body, error)) return false;
    std::uint32_t length = e.contentLength ? *e.contentLength : static_cast<std::uint32_t>(body.size());
    totalBytes += body.size();

    std::string key = EncodeKey(e);
    if (!db.Put(key, EncodeItem(e, length), error)) return false;
    ++summary.records;

    const char* state = e.version != 5 ? "version"
                        : e.missingBody ? "missing-body"
                        : !e.badLength.empty() ? "bad-length"
                                               : "ok";
    auto owner = keyOwner.find(key);
    if (owner != keyOwner.end()) {
      // The hash keeps one item per key: the earlier one is gone.
      std::string& old = rows[owner->second];
      old = old.substr(0, old.rfind('\t') + 1) + "replaced";
      --summary.records;
    }
    keyOwner[key] = rows.size();
    rowOfEntry[myIndex] = rows.size();
    rows.push_back(ManifestField(e.url) + "\t" + ManifestField(e.fileName) + "\t" +
                   ManifestField(e.contentType) + "\t" + ManifestField(e.charset) + "\t" +
                   std::to_string(length) + "\t" + std::to_string(e.lastModified) + "\t" + state);
  }

  if (desc.deleteAt >= desc.entries.size() && !desc.deletions.empty() && !deleteListed())
    return false;

  // The browser's own bookkeeping records: plain keys, short binary data, no URL layout.
  if (p.bookkeeping) {
    auto word = [](std::uint32_t v) {
      std::string s;
      PutU32(s, v);
      return s;
    };
    const std::pair<std::string, std::string> extras[] = {
        {std::string("^^^^CACHE_SIZE^^^^", 18) + '\0', word(static_cast<std::uint32_t>(totalBytes))},
        {std::string("^^^^CACHE_ENTRIES^^^^", 21) + '\0',
         word(static_cast<std::uint32_t>(desc.entries.size()))},
        {std::string("^^^^CACHE_NAME^^^^", 18) + '\0', std::string("Communicator", 13)},
    };
    for (const auto& [k, d] : extras) {
      if (!db.Put(k, d, error)) return false;
      ++summary.records;
      rows.push_back(ManifestField(k) + "\t\t\t\t" + std::to_string(d.size()) + "\t0\tbookkeeping");
    }
  }
  if (!db.Close(error)) return false;

  std::string manifest =
      "# url\tfile\tcontent-type\tcharset\tcontent-length\tlast-modified\tstate\n"
      "# fat.db\t" + indexShownPath + "\n";
  for (const std::string& r : rows) manifest += r + "\n";
  return WriteFile(fs::path(options.outDir) / "manifest.tsv", manifest, error);
}

// OUT_DIR as the home folder of a Unix user: .netscape/preferences.js names the cache
// folder by its absolute path, as the browser wrote it.
bool WriteUnixProfile(const CacheDescription& desc, const WriteOptions& options,
                      WriteSummary& summary, std::string& error) {
  const Profile& p = desc.profile;
  const fs::path profile = fs::path(options.outDir) / ".netscape";
  const std::string relative = p.cacheDirectory.empty() ? std::string("cache") : UnixName(p.cacheDirectory);
  const fs::path cache = (profile / AnsiToUtf8(relative)).lexically_normal();
  if (!relative.empty() && relative[0] == '/') {
    error = "a Unix cache directory is given relative to the profile folder";
    return false;
  }
  if (!InsideFolder(options.outDir, cache.string())) {
    error = "'" + p.cacheDirectory + "' leads out of the output folder";
    return false;
  }
  std::error_code ec;
  fs::create_directories(cache, ec);
  if (ec) {
    error = "cannot create " + cache.string() + ": " + ec.message();
    return false;
  }
  summary.profileHostPath = profile.string();
  summary.cacheHostPath = cache.string();
  summary.fatDbHostPath = (cache / "index.db").string();
  summary.fatDbWindowsPath = summary.fatDbHostPath;
  if (p.writePrefs) {
    std::string prefs =
        "// Netscape User Preferences\n"
        "// This is a generated file!  Do not edit.\n\n";
    prefs += "user_pref(\"browser.cache.directory\", \"" + PrefsString(summary.cacheHostPath) + "\");\n";
    prefs += "user_pref(\"browser.cache.disk_cache_size\", 7680);\n";
    for (const std::string& line : p.extraPrefs) prefs += line + "\n";
    if (!WriteFile(profile / "preferences.js", prefs, error)) return false;
  }
  if (!p.bookmarksSource.empty()) {
    std::string bm;
    if (!ReadFile(p.bookmarksSource, bm, error)) return false;
    if (!WriteFile(profile / "bookmarks.html", bm, error)) return false;
  }
  return WriteIndexAndBodies(
      desc, options, summary.fatDbHostPath, summary.fatDbHostPath,
      [&](const std::string& fileName) {
        fs::path body = cache;
        const std::string name = UnixName(fileName);
        std::size_t pos = 0;
        while (pos <= name.size()) {
          std::size_t next = name.find('/', pos);
          if (next == std::string::npos) next = name.size();
          std::string part = name.substr(pos, next - pos);
          if (!part.empty() && part != ".") body /= AnsiToUtf8(part);
          pos = next + 1;
        }
        return body.lexically_normal().string();
      },
      summary, error);
}

}  // namespace

bool WriteCache(const CacheDescription& desc, const WriteOptions& givenOptions,
                WriteSummary& summary, std::string& error) {
  const Profile& p = desc.profile;
  WriteOptions options = givenOptions;
  std::error_code ec;
  options.outDir = fs::absolute(options.outDir, ec).lexically_normal().string();
  while (options.outDir.size() > 1 && options.outDir.back() == '/') options.outDir.pop_back();
  // Never mix with what is already there: stale body files would look like cache content.
  if (fs::exists(options.outDir, ec) && !fs::is_empty(options.outDir, ec)) {
    error = options.outDir + " is not empty; give a new or empty folder";
    return false;
  }
  summary = WriteSummary{};
  if (p.user.empty()) {
    error = "the profile needs a user name";
    return false;
  }
  if (p.unixLayout) return WriteUnixProfile(desc, options, summary, error);
  std::string profileWin = ProfileFolderFor(p);
  if (profileWin.empty() || WindowsToHostPath(options.outDir, profileWin).empty()) {
    error = "the install folder must be a drive-letter path such as C:\\Program Files\\Netscape\\Communicator\\Program";
    return false;
  }
  std::string cacheWin =
      p.cacheDirectory.empty() ? profileWin + "Cache" : StripTrailingBackslash(p.cacheDirectory);
  if (WindowsToHostPath(options.outDir, cacheWin).empty()) {
    error = "the cache directory must be a drive-letter path";
    return false;
  }
  const std::string* const ownPaths[] = {&p.installDirectory, &profileWin, &cacheWin};
  for (const std::string* w : ownPaths) {
    if (!InsideFolder(options.outDir, WindowsToHostPath(options.outDir, *w))) {
      error = "'" + *w + "' leads out of the output folder";
      return false;
    }
  }
  fs::create_directories(options.outDir, ec);
  if (ec) {
    error = "cannot create " + options.outDir + ": " + ec.message();
    return false;
  }

  // Drives: every letter that a path uses gets drive_x and dosdevices/x:.
  std::string installWin = StripTrailingBackslash(p.installDirectory);
  std::set<char> drives;
  for (const std::string* w : {&installWin, &profileWin, &cacheWin})
    drives.insert(static_cast<char>(std::tolower(static_cast<unsigned char>((*w)[0]))));
  fs::create_directories(fs::path(options.outDir) / "dosdevices", ec);
  for (char d : drives) {
    fs::path link = fs::path(options.outDir) / "dosdevices" / (std::string(1, d) + ":");
    fs::create_directories(fs::path(options.outDir) / (std::string("drive_") + d), ec);
    fs::remove(link, ec);
    fs::create_directory_symlink(std::string("../drive_") + d, link, ec);
    if (ec) {
      error = "cannot create " + link.string() + ": " + ec.message();
      return false;
    }
  }

  summary.profileHostPath = WindowsToHostPath(options.outDir, profileWin);
  summary.cacheHostPath = WindowsToHostPath(options.outDir, cacheWin);
  summary.fatDbWindowsPath = cacheWin + "\\FAT.DB";
  summary.fatDbHostPath = (fs::path(summary.cacheHostPath) / "FAT.DB").string();
  fs::create_directories(summary.profileHostPath, ec);
  fs::create_directories(summary.cacheHostPath, ec);
  if (ec) {
    error = "cannot create " + summary.cacheHostPath + ": " + ec.message();
    return false;
  }

  // Registry: the two values the browser's profile lookup reads, plus the neighbours a
  // real installation has, and the program path.
  std::vector<RegValue> reg;
  const std::string nn = "Software\\Netscape\\Netscape Navigator";
  reg.push_back({"HKEY_CURRENT_USER", nn, "CurrentVersion", "4.79 (ja)"});
  if (p.writeCurrentUser) reg.push_back({"HKEY_CURRENT_USER", nn + "\\biff", "CurrentUser", p.user});
  if (p.writeInstallDirectory)
    reg.push_back({"HKEY_CURRENT_USER", nn + "\\Main", "Install Directory", installWin});
  reg.push_back({"HKEY_CURRENT_USER", nn + "\\Users\\" + p.user, "DirRoot",
                 StripTrailingBackslash(profileWin)});
  const std::string appPath =
      "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe";
  reg.push_back({"HKEY_LOCAL_MACHINE", appPath, "", installWin + "\\netscape.exe"});
  reg.push_back({"HKEY_LOCAL_MACHINE", appPath, "Path", installWin});
  if (!WriteRegistry(reg, options, error)) return false;
  std::string installHost = WindowsToHostPath(options.outDir, installWin);
  if (!WriteFile(fs::path(installHost) / "netscape.exe", "MZ", error)) return false;

  if (p.writePrefs) {
    std::string prefs =
        "// Netscape User Preferences\r\n"
        "// This is a generated file!  Do not edit.\r\n\r\n";
    if (!p.cacheDirectory.empty())
      prefs += "user_pref(\"browser.cache.directory\", \"" + PrefsString(p.cacheDirectory) +
               "\");\r\n";
    prefs += "user_pref(\"browser.cache.disk_cache_size\", 7680);\r\n";
    prefs += "user_pref(\"browser.startup.homepage\", \"http://home.netscape.com/\");\r\n";
    for (const std::string& line : p.extraPrefs) prefs += line + "\r\n";
    if (!WriteFile(fs::path(summary.profileHostPath) / "prefs.js", prefs, error)) return false;
  }
  if (!p.bookmarksSource.empty()) {
    std::string bm;
    if (!ReadFile(p.bookmarksSource, bm, error)) return false;
    if (!WriteFile(fs::path(summary.profileHostPath) / "bookmark.htm", bm, error)) return false;
  }

  return WriteIndexAndBodies(
      desc, options, summary.fatDbHostPath, summary.fatDbWindowsPath,
      [&](const std::string& fileName) {
        return WindowsToHostPath(options.outDir, cacheWin + "\\" + fileName);
      },
      summary, error);
}

}  // namespace mnc
