// Test helper: writes a real Netscape 4.x cache (FAT.DB by Berkeley DB 1.85) with the
// make-netscape-cache tool, and reads FAT.DB back independently with db_dump185.
//
//   NetscapeCacheSpec spec;
//   spec.entries.push_back({.url = "http://www.example.co.jp/", .contentType = "text/html",
//                           .body = "<html>...</html>"});
//   NetscapeFixture fx(spec);
//   ASSERT_TRUE(fx.ok()) << fx.error();
//   platform::SetWinePrefix(fx.prefix());          // drive-letter paths map into it
//   registry.LoadWinePrefix(fx.prefix());          // user.reg / system.reg
//   ... read fx.fatDb() ...
//
// The folder is removed when the fixture goes away, unless TH_KEEP_FIXTURES is set in
// the environment.  Nothing here uses the program's own code, so any test binary can
// link it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace thtest {

// One cached object.  Strings are stored as given (bytes; use CP932 for Japanese).
struct NetscapeEntry {
  std::string url;
  std::string contentType;   // "text/html"
  std::string charset;       // "Shift_JIS"; empty = none
  std::string headerA;       // header lines kept beside the type ("Server: ...")
  std::string headerB;
  std::uint32_t lastModified = 0;  // seconds since 1970-01-01 UTC
  std::uint32_t lastAccessed = 0;
  std::uint32_t expires = 0;
  std::string body;          // bytes of the body file
  std::string bodyFile;      // host file to copy as the body instead of `body`
  // Body file name relative to the cache folder, Windows separators ("0A\M0ABCDEF.gif");
  // empty = a generated "M0xxxxxx" name.
  std::string fileName;
  std::optional<std::uint32_t> contentLength;  // default: the body's size

  // Deliberate faults.
  std::uint32_t version = 5;  // anything but 5 is an item the browser's reader skips
  bool missingBody = false;   // listed in FAT.DB, no body file on disk
  // Counted-string length words that lie: "file", "text-b", "header-a", "content-type",
  // "header-b", "charset", "text-c" or "url" -> the value written instead.
  std::map<std::string, std::int64_t> badLength;
  // Overrides the key's first word (normally its total length), so that two keys can
  // carry the same URL.
  std::optional<std::uint32_t> keyPrefix;
};

struct NetscapeProfileSpec {
  std::string user = "taro";
  std::string installDirectory = "C:\\Program Files\\Netscape\\Communicator\\Program";
  // browser.cache.directory as it should read in prefs.js, single backslashes
  // ("D:\Cache"); empty = not set, the cache is the profile's "Cache" folder.
  std::string cacheDirectory;
  std::string bookmarks;     // contents of bookmark.htm; empty = no file
  std::vector<std::string> extraPrefs;  // whole prefs.js lines
  bool writeCurrentUser = true;
  bool writeInstallDirectory = true;
  bool writePrefs = true;
  bool bookkeeping = true;   // the browser's non-URL records in FAT.DB
  bool subfolders = false;   // generated body names in 00..1F sub-folders
  // A Unix profile instead: prefix() is a home folder holding .netscape/ with
  // preferences.js, bookmarks.html and cache/index.db (cacheDirectory relative to it).
  bool unixLayout = false;
};

struct NetscapeCacheSpec {
  NetscapeProfileSpec profile;
  std::vector<NetscapeEntry> entries;
};

// Options of the tool's generator (many hosts, a folder of many files, repeated names,
// query URLs, linked HTML pages).
struct NetscapeGenerateOptions {
  std::size_t count = 1000;
  std::uint32_t seed = 1;
  std::size_t bodySize = 2048;
  std::size_t hosts = 40;
  std::size_t folderFiles = 10000;
  unsigned faultPercent = 0;
  unsigned longUrlPercent = 0;  // URLs of 4-6 KB, stored on big-item pages
  bool churn = false;           // a third deleted again, then as many put again
};

// One line of the tool's manifest.tsv: what it put into FAT.DB.
struct NetscapeManifestRow {
  std::string url;           // bytes as stored (bookkeeping rows: the raw key)
  std::string fileName;      // relative to the cache folder, Windows separators
  std::string contentType;
  std::string charset;
  std::uint32_t contentLength = 0;
  std::uint32_t lastModified = 0;
  // "ok" (a reader must deliver it), "version", "missing-body", "bad-length",
  // "replaced" (a later entry had the same key), "deleted" (deleted again through the
  // library; its body file stays), "bookkeeping".
  std::string state;
};

class NetscapeFixture {
 public:
  // Writes `spec` into a fresh temporary folder and runs the tool on it.
  explicit NetscapeFixture(const NetscapeCacheSpec& spec);
  // Runs the tool's generator.
  explicit NetscapeFixture(const NetscapeGenerateOptions& options);
  ~NetscapeFixture();
  NetscapeFixture(const NetscapeFixture&) = delete;
  NetscapeFixture& operator=(const NetscapeFixture&) = delete;

  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }  // tool output when it failed

  const std::string& workDir() const { return workDir_; }   // holds everything below
  const std::string& prefix() const { return prefix_; }     // the Wine prefix (host path)
  const std::string& profileFolder() const { return profile_; }  // host path
  const std::string& cacheFolder() const { return cache_; }      // host path, no trailing '/'
  const std::string& fatDb() const { return fatDb_; }            // host path
  // "C:\...\Cache\FAT.DB" (or the browser.cache.directory one): what the location
  // lookup should come to.
  const std::string& fatDbWindowsPath() const { return fatDbWindows_; }
  const std::string& regFile() const { return regFile_; }   // REGEDIT4 export (host path)
  const std::string& descriptionFile() const { return description_; }

  std::vector<NetscapeManifestRow> Manifest() const;
  // Host path of a body file named as in FAT.DB ("0A\M0ABCDEF.gif").
  std::string BodyPath(const std::string& fileName) const;

 private:
  void Run(const std::vector<std::string>& args);

  bool ok_ = false;
  std::string error_;
  std::string workDir_, prefix_, profile_, cache_, fatDb_, fatDbWindows_, regFile_,
      description_;
};

// The description text the tool reads for `spec`; bodies are written as files into
// `bodyDir` (which must exist) and referenced from the text.
std::string DescribeNetscapeCache(const NetscapeCacheSpec& spec, const std::string& bodyDir);

// FAT.DB read back with db_dump185 -p.  False when the dump failed.
struct DumpedPair {
  std::string key;
  std::string data;
};
bool DumpFatDb(const std::string& fatDbPath, std::vector<DumpedPair>& out,
               std::string* error = nullptr);
// The URL of a key in the browser's layout (total length, counted length, URL, zero,
// four zeros); nullopt when the key has another layout (bookkeeping records).
std::optional<std::string> UrlFromKey(const std::string& key);
// The URLs of all URL-shaped keys of FAT.DB, sorted.  Empty when the dump failed.
std::vector<std::string> DumpFatDbUrls(const std::string& fatDbPath);

}  // namespace thtest
