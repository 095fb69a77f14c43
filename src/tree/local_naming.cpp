#include "tree/local_naming.h"

#include <cstdio>

#include "cache/cache_entry.h"
#include "common/content_type.h"
#include "common/crc32.h"
#include "common/url.h"
#include "platform/codepage.h"

std::string FileNameExtension(std::string_view name) {
  std::size_t dot = platform::AnsiFindLast(name, '.');
  return dot == platform::npos ? std::string() : std::string(name.substr(dot));
}

std::string FileNameStem(std::string_view name) {
  std::size_t dot = platform::AnsiFindLast(name, '.');
  return std::string(dot == platform::npos ? name : name.substr(0, dot));
}

std::string NamingContentType(const TWebCacheHeaderInfo& header) {
  std::string type = platform::AnsiLowerCase(header.GetValue("Content-Type"));
  std::size_t semi = platform::AnsiFind(type, ';');
  if (semi != platform::npos) type.erase(semi);
  std::size_t first = type.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  std::size_t last = type.find_last_not_of(" \t");
  return type.substr(first, last - first + 1);
}

std::string QueryTag(const TCrcTable& crc, std::string_view query) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(UpdateCrc32(crc, 0, query)));
  return buf;
}

std::string ChooseLocalFileName(std::string_view fileName, std::string_view queryPart,
                                std::string_view contentType, const TContentTypeItem* row,
                                const TCrcTable& crc) {
  // A plain folder URL, or plain text without a query, keeps its name: text/plain
  // is served under every kind of name and forcing ".txt" would break them.
  if (fileName.empty() && queryPart.empty()) return std::string(fileName);
  if (queryPart.empty() && contentType == "text/plain") return std::string(fileName);

  std::string ext = FileNameExtension(fileName);
  if (row != nullptr && !row->HasExtension(ext)) ext = row->Extension;
  std::string stem = FileNameStem(fileName);
  if (queryPart.empty()) return stem + ext;
  std::string tag = QueryTag(crc, queryPart);
  if (fileName.empty()) return tag + ext;
  return stem + "~" + tag + ext;
}

std::string NumberedFileName(std::string_view name, int counter) {
  char num[16];
  std::snprintf(num, sizeof num, "%04d", counter);
  return FileNameStem(name) + "~" + num + FileNameExtension(name);
}

std::string QueryFileName(std::string_view fileName, std::string_view extra,
                          std::string_view defaultName, const TCrcTable& crc) {
  std::string_view name = fileName.empty() ? defaultName : fileName;
  return FileNameStem(name) + "~" + QueryTag(crc, extra) + FileNameExtension(name);
}

namespace {

// Bytes a CP932 character takes in UTF-8 at most: every non-ASCII character of the
// code page lies in the Basic Multilingual Plane.
std::size_t Utf8Bound(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += c < 0x80 ? 1 : 3;
  return n;
}

}  // namespace

std::string LocalNameOnDisk(std::string_view name, const TCrcTable& crc, TLocalNameKind kind) {
  if (std::size_t nul = name.find('\0'); nul != std::string_view::npos) name = name.substr(0, nul);
  std::string escaped;
  if (kind == TLocalNameKind::Folder) {
    escaped = EscapeFileName(name);
  } else {
    escaped = platform::AnsiReplaceAll(name, "\\", "$5c");
    // Every '/' byte, whatever stands before it: the host must never see a separator.
    for (std::size_t at; (at = escaped.find('/')) != std::string::npos;) escaped.replace(at, 1, "$2f");
    if (escaped == "." || escaped == "..") escaped = platform::AnsiReplaceAll(escaped, ".", "$2e");
  }
  // A lead byte left alone at the end would pair with the separator that follows it in
  // a path, and a double-byte aware walk would no longer see that separator.
  std::size_t i = 0, last = 0;
  while (i < escaped.size()) {
    last = i;
    i += platform::IsLeadByte(static_cast<unsigned char>(escaped[i])) ? 2 : 1;
  }
  if (i > escaped.size()) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "$%02x", static_cast<unsigned char>(escaped[last]));
    escaped.replace(last, 1, hex);
  }
  if (Utf8Bound(escaped) <= kMaxLocalNameBytes ||
      platform::AnsiToUtf8(escaped).size() <= kMaxLocalNameBytes) {
    return escaped;
  }
  std::string ext = FileNameExtension(escaped);
  if (Utf8Bound(ext) > 32) ext.clear();  // no real extension is that long
  const std::string tag = "~" + QueryTag(crc, name);
  const std::size_t room = kMaxLocalNameBytes - tag.size() - Utf8Bound(ext);
  std::string_view stem(escaped);
  stem = stem.substr(0, escaped.size() - ext.size());
  // Whole characters only: a double-byte character is never cut in half.
  std::size_t cut = 0, bytes = 0;
  while (cut < stem.size()) {
    const unsigned char c = static_cast<unsigned char>(stem[cut]);
    const std::size_t len = platform::AnsiCharLength(stem, cut);
    const std::size_t cost = c < 0x80 ? 1 : 3;
    if (bytes + cost > room) break;
    bytes += cost;
    cut += len;
  }
  // A broken double-byte pair can take more room on the host than the estimate: cut
  // character by character until the name fits.
  std::string result = std::string(stem.substr(0, cut)) + tag + ext;
  while (cut > 0 && platform::AnsiToUtf8(result).size() > kMaxLocalNameBytes) {
    std::size_t prev = 0;
    for (std::size_t i = 0; i < cut;) {
      prev = i;
      i += platform::AnsiCharLength(stem, i);
    }
    cut = prev;
    result = std::string(stem.substr(0, cut)) + tag + ext;
  }
  return result;
}
