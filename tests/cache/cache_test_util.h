// Helpers shared by the cache tests that work on real FAT.DB files.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cache/netscape_cache.h"
#include "support/netscape_fixture.h"

namespace cachetest {

// (URL, body file name relative to the cache folder), as a reader delivers them.
using Delivered = std::multiset<std::pair<std::string, std::string>>;

// Everything one TNetscapeCache hands out, body paths made relative again.
inline Delivered ReadAll(const std::string& fatDbPath, TCacheNotifier* notifier = nullptr) {
  TNetscapeCacheOptions options;
  options.FatDbPath = fatDbPath;
  options.Notifier = notifier;
  TNetscapeCache cache(options);
  Delivered out;
  TCacheObject record;
  for (bool more = cache.Rewind(record); more; more = cache.ReadNextRecord(record)) {
    out.emplace(record.Url, record.FileName);
  }
  return out;
}

inline std::uint32_t Le32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

// The body file name of a data item as db_dump185 gives it, when the item is a whole
// version-5 record: every counted string in range and inside the item.
inline std::optional<std::string> BodyNameOfItem(const std::string& data) {
  std::size_t pos = 0;
  auto skip = [&](std::size_t n) {
    if (data.size() - pos < n) return false;
    pos += n;
    return true;
  };
  auto counted = [&](std::string* out) {
    if (data.size() - pos < 4) return false;
    auto length = static_cast<std::int32_t>(Le32(data, pos));
    pos += 4;
    if (length < 0 || length > 10000 || data.size() - pos < static_cast<std::size_t>(length))
      return false;
    if (out) *out = std::string(data.c_str() + pos, strnlen(data.c_str() + pos, length));
    pos += static_cast<std::size_t>(length);
    return true;
  };
  std::string name;
  if (data.size() < 29 || Le32(data, 4) != 5) return std::nullopt;
  pos = 29;
  bool whole = counted(&name) && skip(9) && counted(nullptr) && skip(4) && counted(nullptr) &&
               counted(nullptr) && counted(nullptr) && counted(nullptr) && skip(5) &&
               counted(nullptr);
  if (!whole) return std::nullopt;
  return name;
}

// What a reader must deliver for a FAT.DB, worked out from db_dump185's listing: every
// URL key whose item is a whole version-5 record with an existing body file.
inline Delivered ExpectedFromDump(const thtest::NetscapeFixture& fx, const std::string& fatDb) {
  std::vector<thtest::DumpedPair> pairs;
  Delivered out;
  if (!thtest::DumpFatDb(fatDb, pairs)) return out;
  for (const auto& p : pairs) {
    // Keys in the browser's layout; the URL is what the key's own length word says.
    if (!thtest::UrlFromKey(p.key) || p.key.size() < 8) continue;
    auto urlLength = static_cast<std::int32_t>(Le32(p.key, 4));
    if (urlLength < 0 || p.key.size() - 8 < static_cast<std::size_t>(urlLength)) continue;
    std::string url(p.key.c_str() + 8, strnlen(p.key.c_str() + 8, urlLength));
    std::optional<std::string> body = BodyNameOfItem(p.data);
    if (!body || body->empty()) continue;
    struct stat st;
    if (stat(fx.BodyPath(*body).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    out.emplace(url, *body);
  }
  return out;
}

// The parts of the hash file's header that tell whether overflow pages (bucket chains
// and big items) and bitmap pages exist.  Berkeley DB 1.x keeps the header big-endian.
struct HashHeader {
  std::uint32_t magic = 0, bsize = 0, ovflPoint = 0, nkeys = 0;
  std::uint32_t spares[32] = {};
  std::uint16_t bitmaps[32] = {};
};

inline HashHeader ReadHashHeader(const std::string& file) {
  auto be32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(file[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 3]));
  };
  HashHeader h;
  if (file.size() < 260) return h;
  h.magic = be32(0);
  h.bsize = be32(12);
  h.ovflPoint = be32(32);
  h.nkeys = be32(56);
  for (int i = 0; i < 32; ++i) h.spares[i] = be32(68 + 4 * i);
  for (int i = 0; i < 32; ++i) {
    h.bitmaps[i] = static_cast<std::uint16_t>(static_cast<unsigned char>(file[196 + 2 * i]) << 8 |
                                              static_cast<unsigned char>(file[197 + 2 * i]));
  }
  return h;
}

}  // namespace cachetest
