#include "description.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>

namespace mnc {
namespace {

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A value in double quotes keeps its spaces and understands \\, \" and \xNN (a raw
// byte, stored as is); anything else is taken literally, so Windows paths need no
// escaping.  `raw` tells the caller that the bytes must not be re-encoded.
bool Unquote(const std::string& v, std::string& out, bool& raw, std::string& why) {
  raw = false;
  if (v.size() < 2 || v.front() != '"' || v.back() != '"') {
    out = v;
    return true;
  }
  out.clear();
  for (std::size_t i = 1; i + 1 < v.size(); ++i) {
    char c = v[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i + 1 >= v.size() - 1) {
      why = "backslash at end of quoted value";
      return false;
    }
    char n = v[++i];
    if (n == '\\' || n == '"') {
      out += n;
    } else if (n == 'x' && i + 2 < v.size() - 1 && HexDigit(v[i + 1]) >= 0 &&
               HexDigit(v[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(v[i + 1]) * 16 + HexDigit(v[i + 2]));
      i += 2;
      raw = true;
    } else {
      why = std::string("unknown escape \\") + n;
      return false;
    }
  }
  return true;
}

bool ParseBool(const std::string& v, bool& out) {
  if (v == "yes" || v == "true" || v == "1" || v == "on") return out = true, true;
  if (v == "no" || v == "false" || v == "0" || v == "off") return out = false, true;
  return false;
}

bool ParseInt(const std::string& v, std::int64_t& out) {
  if (v.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long n = std::strtoll(v.c_str(), &end, 0);
  if (errno != 0 || *end != '\0') return false;
  out = n;
  return true;
}

bool ParseU32(const std::string& v, std::uint32_t& out) {
  std::int64_t n;
  if (!ParseInt(v, n) || n < 0 || n > 0xFFFFFFFFLL) return false;
  out = static_cast<std::uint32_t>(n);
  return true;
}

bool IsStringField(const std::string& name) {
  for (const char* f : kStringFields)
    if (name == f) return true;
  return false;
}

}  // namespace

bool ConvertEncoding(const std::string& text, const char* to, std::string& out) {
  return ConvertEncoding(text, "UTF-8", to, out);
}

bool ConvertEncoding(const std::string& text, const char* from, const char* to,
                     std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  std::string in = text;
  char* src = in.data();
  std::size_t srcLeft = in.size();
  char buf[4096];
  bool ok = true;
  for (;;) {
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    std::size_t r = iconv(cd, srcLeft ? &src : nullptr, &srcLeft, &dst, &dstLeft);
    out.append(buf, dst - buf);
    if (r != static_cast<std::size_t>(-1)) {
      if (srcLeft == 0) {
        // Flush the shift state (ISO-2022-JP ends in ESC ( B).
        dst = buf;
        dstLeft = sizeof buf;
        iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, dst - buf);
        break;
      }
      continue;
    }
    if (errno == E2BIG) continue;
    ok = false;
    break;
  }
  iconv_close(cd);
  return ok;
}

bool ParseTime(const std::string& text, std::uint32_t& out) {
  std::int64_t n;
  if (ParseInt(text, n)) {
    if (n < 0 || n > 0xFFFFFFFFLL) return false;
    out = static_cast<std::uint32_t>(n);
    return true;
  }
  std::tm tm{};
  int y, mo, d, h = 0, mi = 0, s = 0;
  char tail = 0;
  int got = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail);
  if (got != 3 && got != 6) return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 ||
      s > 60)
    return false;
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  std::int64_t t = timegm(&tm);
  if (t < 0 || t > 0xFFFFFFFFLL) return false;
  out = static_cast<std::uint32_t>(t);
  return true;
}

bool ParseDescription(const std::string& text, const std::string& path,
                      const std::string& baseDir, CacheDescription& out, std::string& error) {
  namespace fs = std::filesystem;
  out = CacheDescription{};
  enum class Section { None, Profile, Entry } section = Section::None;
  std::istringstream in(text);
  std::string rawLine;
  int lineNo = 0;
  int headerCount = 0;
  std::string bodyEncoding;
  bool inlineBody = false;

  auto fail = [&](const std::string& why) {
    error = path + ":" + std::to_string(lineNo) + ": " + why;
    return false;
  };
  auto resolve = [&](const std::string& rel) {
    fs::path p(rel);
    return p.is_absolute() ? p.string() : (fs::path(baseDir) / p).string();
  };
  // Inline bodies are UTF-8 in the description; a body-encoding converts them once the
  // entry is complete.
  auto finishEntry = [&]() -> bool {
    if (section != Section::Entry) return true;
    CacheEntry& e = out.entries.back();
    if (!bodyEncoding.empty() && !inlineBody) {
      error = path + ":" + std::to_string(e.line) +
              ": body-encoding converts inline bodies only; encode the body file itself";
      return false;
    }
    if (!bodyEncoding.empty()) {
      std::string converted;
      if (!ConvertEncoding(e.body, bodyEncoding.c_str(), converted)) {
        error = path + ":" + std::to_string(e.line) + ": body cannot be converted to " +
                bodyEncoding;
        return false;
      }
      e.body = converted;
    }
    return true;
  };

  while (std::getline(in, rawLine)) {
    ++lineNo;
    std::string line = Trim(rawLine);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      if (!finishEntry()) return false;
      std::string name = Trim(line.substr(1, line.size() - 2));
      if (name == "profile") {
        section = Section::Profile;
      } else if (name == "entry") {
        section = Section::Entry;
        out.entries.emplace_back();
        out.entries.back().line = lineNo;
        headerCount = 0;
        bodyEncoding.clear();
        inlineBody = false;
      } else {
        return fail("unknown section [" + name + "]");
      }
      continue;
    }
    if (section == Section::None) return fail("key outside a section");

    // "body <<END" starts a block that runs to a line holding only END.
    if (section == Section::Entry && line.rfind("body", 0) == 0 &&
        Trim(line.substr(4)).rfind("<<", 0) == 0) {
      std::string marker = Trim(Trim(line.substr(4)).substr(2));
      if (marker.empty()) return fail("body << needs an end marker");
      std::string body;
      bool closed = false;
      int start = lineNo;
      while (std::getline(in, rawLine)) {
        ++lineNo;
        std::string l = rawLine;
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (l == marker) {
          closed = true;
          break;
        }
        body += l;
        body += '\n';
      }
      if (!closed) {
        lineNo = start;
        return fail("body block not closed by " + marker);
      }
      out.entries.back().body = body;
      out.entries.back().bodySource.clear();
      inlineBody = true;
      continue;
    }

    std::size_t eq = line.find('=');
    if (eq == std::string::npos) return fail("expected key = value");
    std::string key = Trim(line.substr(0, eq));
    std::string quoted = Trim(line.substr(eq + 1));
    std::string value, why;
    bool raw = false;
    if (!Unquote(quoted, value, raw, why)) return fail(why);
    // Everything stored by the browser is CP932; \x escapes are bytes already.
    std::string ansi;
    if (raw) {
      ansi = value;
    } else if (!ConvertEncoding(value, "CP932", ansi)) {
      return fail("value has characters without a CP932 form");
    }

    if (section == Section::Profile) {
      Profile& p = out.profile;
      bool b = false;
      if (key == "user") {
        p.user = ansi;
      } else if (key == "install") {
        p.installDirectory = ansi;
      } else if (key == "cache-directory") {
        p.cacheDirectory = ansi;
      } else if (key == "bookmarks") {
        p.bookmarksSource = value.empty() ? "" : resolve(value);
      } else if (key == "layout") {
        if (value != "windows" && value != "unix") return fail("layout wants windows or unix");
        p.unixLayout = value == "unix";
      } else if (key == "pref") {
        p.extraPrefs.push_back(ansi);
      } else if (key == "write-current-user" || key == "write-install-directory" ||
                 key == "write-prefs" || key == "bookkeeping" || key == "subfolders") {
        if (!ParseBool(value, b)) return fail(key + " wants yes or no");
        if (key == "write-current-user") p.writeCurrentUser = b;
        if (key == "write-install-directory") p.writeInstallDirectory = b;
        if (key == "write-prefs") p.writePrefs = b;
        if (key == "bookkeeping") p.bookkeeping = b;
        if (key == "subfolders") p.subfolders = b;
      } else {
        return fail("unknown profile key " + key);
      }
      continue;
    }

    CacheEntry& e = out.entries.back();
    std::int64_t n = 0;
    bool b = false;
    if (key == "url") {
      e.url = ansi;
    } else if (key == "type") {
      e.contentType = ansi;
    } else if (key == "charset") {
      e.charset = ansi;
    } else if (key == "header") {
      if (headerCount == 0) {
        e.headerA = ansi;
      } else if (headerCount == 1) {
        e.headerB = ansi;
      } else {
        return fail("an item holds two header lines at most");
      }
      ++headerCount;
    } else if (key == "header-a") {
      e.headerA = ansi;
    } else if (key == "header-b") {
      e.headerB = ansi;
    } else if (key == "text-b") {
      e.textB = ansi;
    } else if (key == "text-c") {
      e.textC = ansi;
    } else if (key == "last-modified" || key == "last-accessed" || key == "expires") {
      std::uint32_t t;
      if (!ParseTime(value, t)) return fail("bad time '" + value + "'");
      (key == "last-modified" ? e.lastModified : key == "expires" ? e.expires : e.lastAccessed) =
          t;
    } else if (key == "content-length") {
      std::uint32_t v;
      if (!ParseU32(value, v)) return fail("bad content-length");
      e.contentLength = v;
    } else if (key == "file") {
      e.fileName = ansi;
    } else if (key == "body") {
      e.body = value;
      e.bodySource.clear();
      inlineBody = true;
    } else if (key == "body-file") {
      e.bodySource = resolve(value);
      e.body.clear();
      inlineBody = false;
    } else if (key == "body-encoding") {
      bodyEncoding = value;
    } else if (key == "version") {
      if (!ParseU32(value, e.version)) return fail("bad version");
    } else if (key == "missing-body") {
      if (!ParseBool(value, e.missingBody)) return fail("missing-body wants yes or no");
    } else if (key == "bad-length" || key == "pad") {
      std::istringstream parts(value);
      std::string field;
      std::string num;
      parts >> field >> num;
      if (!IsStringField(field) || !ParseInt(num, n))
        return fail(key + " wants a field name and a number");
      if (key == "bad-length") {
        if (n < INT32_MIN || n > 0xFFFFFFFFLL) return fail("bad-length out of 32-bit range");
        e.badLength[field] = n;
      } else {
        if (n < 0 || n > 1000000) return fail("pad wants 0..1000000");
        std::string* target = field == "file"           ? &e.fileName
                              : field == "text-b"       ? &e.textB
                              : field == "header-a"     ? &e.headerA
                              : field == "content-type" ? &e.contentType
                              : field == "header-b"     ? &e.headerB
                              : field == "charset"      ? &e.charset
                              : field == "text-c"       ? &e.textC
                                                        : &e.url;
        if (target->size() < static_cast<std::size_t>(n)) target->resize(n, 'x');
      }
    } else if (key == "key-prefix") {
      std::uint32_t v;
      if (!ParseU32(value, v)) return fail("bad key-prefix");
      e.keyPrefix = v;
    } else if (key == "flag-a" || key == "flag-b" || key == "flag-c") {
      if (!ParseBool(value, b)) return fail(key + " wants yes or no");
      (key == "flag-a" ? e.flagA : key == "flag-b" ? e.flagB : e.flagC) = b;
    } else if (key.size() == 7 && key.rfind("value-", 0) == 0 && key[6] >= 'a' &&
               key[6] <= 'e') {
      std::uint32_t v;
      if (!ParseU32(value, v)) return fail("bad " + key);
      std::uint32_t* slots[] = {&e.valueA, &e.valueB, &e.valueC, &e.valueD, &e.valueE};
      *slots[key[6] - 'a'] = v;
    } else {
      return fail("unknown entry key " + key);
    }
  }
  lineNo = 0;
  if (!finishEntry()) return false;
  return true;
}

}  // namespace mnc
