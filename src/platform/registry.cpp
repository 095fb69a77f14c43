#include "platform/registry.h"

#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/codepage.h"
#include "platform/files.h"

namespace platform {
namespace {

// Value types as the registry numbers them.
constexpr int kRegSz = 1;
constexpr int kRegExpandSz = 2;
constexpr int kRegBinary = 3;
constexpr int kRegDword = 4;
constexpr int kRegMultiSz = 7;

struct Value {
  std::u16string name;
  int type = kRegSz;
  std::u16string text;   // string types
  std::string bytes;     // hex types before decoding
};

struct Key {
  std::u16string name;                                   // as written, last segment
  std::map<std::u16string, Value> values;                // by folded name
  std::map<std::u16string, std::u16string> children;    // folded -> as written
};

enum class Format { Wine, Regedit4, Regedit5 };

std::u16string Fold(std::u16string_view s) {
  std::u16string out(s.size() * 3 + 1, u'\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                            reinterpret_cast<const UChar*>(s.data()),
                            static_cast<int32_t>(s.size()), U_FOLD_CASE_DEFAULT, &err);
  if (U_FAILURE(err)) return std::u16string(s);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::vector<std::u16string> SplitKey(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::u16string cur;
  for (char16_t c : path) {
    if (c == u'\\') {
      if (!cur.empty()) parts.push_back(std::move(cur));
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

bool ValidUtf8(std::string_view s) {
  int32_t i = 0, n = static_cast<int32_t>(s.size());
  while (i < n) {
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    if (c < 0) return false;
  }
  return true;
}

// The file's text: UTF-16 with a byte-order mark, UTF-8 (with or without mark),
// or, failing that, the ANSI code page that REGEDIT4 files were written in.
std::u16string DecodeFile(std::string_view bytes) {
  auto b = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF))) {
    bool little = b(0) == 0xFF;
    std::u16string u;
    u.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      u.push_back(little ? char16_t(b(i) | (b(i + 1) << 8)) : char16_t((b(i) << 8) | b(i + 1)));
    }
    return u;
  }
  std::string_view text(bytes);
  if (text.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) text.remove_prefix(3);
  if (ValidUtf8(text)) return Utf8ToUtf16(text);
  return AnsiToUtf16(text);
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r'))
    s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t a = s[i], b = prefix[i];
    if (a >= u'A' && a <= u'Z') a = char16_t(a - u'A' + u'a');
    if (b >= u'A' && b <= u'Z') b = char16_t(b - u'A' + u'a');
    if (a != b) return false;
  }
  return true;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads a quoted string starting at s[pos] == '"'; on success pos is just past the
// closing quote.  Wine's files use C escapes (\n, \xHHHH, octal); regedit exports
// only escape the backslash and the quote, and a lone backslash stays as it is.
// With `quote` 0 the text runs to the end of `s` (a Wine key name).
bool Unescape(std::u16string_view s, std::size_t& pos, Format fmt, std::u16string& out,
              char16_t quote) {
  out.clear();
  while (pos < s.size()) {
    char16_t c = s[pos++];
    if (quote && c == quote) return true;
    if (c != u'\\' || pos >= s.size()) {
      out.push_back(c);
      continue;
    }
    char16_t e = s[pos++];
    if (e == u'\\' || e == u'"') {
      out.push_back(e);
      continue;
    }
    if (fmt != Format::Wine) {
      out.push_back(u'\\');
      out.push_back(e);
      continue;
    }
    switch (e) {
      case u'a': out.push_back(u'\a'); break;
      case u'b': out.push_back(u'\b'); break;
      case u'e': out.push_back(u'\x1B'); break;
      case u'f': out.push_back(u'\f'); break;
      case u'n': out.push_back(u'\n'); break;
      case u'r': out.push_back(u'\r'); break;
      case u't': out.push_back(u'\t'); break;
      case u'v': out.push_back(u'\v'); break;
      case u'x': {
        unsigned v = 0;
        int digits = 0;
        while (digits < 4 && pos < s.size() && HexDigit(s[pos]) >= 0) {
          v = v * 16 + unsigned(HexDigit(s[pos++]));
          ++digits;
        }
        if (digits == 0) {
          out.push_back(u'x');
        } else {
          out.push_back(char16_t(v));
        }
        break;
      }
      default:
        if (e >= u'0' && e <= u'7') {
          unsigned v = unsigned(e - u'0');
          for (int i = 0; i < 2 && pos < s.size() && s[pos] >= u'0' && s[pos] <= u'7'; ++i)
            v = v * 8 + unsigned(s[pos++] - u'0');
          out.push_back(char16_t(v));
        } else {
          out.push_back(e);
        }
    }
  }
  return quote == 0;  // a quoted string without its closing quote is refused
}

bool ParseQuoted(std::u16string_view s, std::size_t& pos, Format fmt, std::u16string& out) {
  if (pos >= s.size() || s[pos] != u'"') return false;
  ++pos;
  return Unescape(s, pos, fmt, out, u'"');
}

// Key name inside brackets.  Wine escapes it like a string; exports do not.
std::u16string UnescapeWineKey(std::u16string_view s) {
  std::size_t pos = 0;
  std::u16string out;
  Unescape(s, pos, Format::Wine, out, 0);
  return out;
}

// Text of a hex(N) value, stored as UTF-16LE by Wine and regedit 5 and as ANSI
// bytes by REGEDIT4.  Ends at the first terminating zero.
std::u16string HexToText(const std::string& bytes, Format fmt) {
  if (fmt == Format::Regedit4) {
    std::string_view v(bytes);
    std::size_t z = v.find('\0');
    if (z != std::string_view::npos) v = v.substr(0, z);
    return AnsiToUtf16(v);
  }
  std::u16string u;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t c = char16_t(static_cast<unsigned char>(bytes[i]) |
                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (c == 0) break;
    u.push_back(c);
  }
  return u;
}

}  // namespace

struct Registry::Impl {
  std::map<std::u16string, Key> keys;  // by folded full path, first segment is the root
  std::vector<std::string> sources;

  static std::u16string RootName(RootKey root) {
    return root == RootKey::LocalMachine ? u"hkey_local_machine" : u"hkey_current_user";
  }

  Key& Ensure(const std::u16string& root, const std::vector<std::u16string>& parts) {
    std::u16string path = root;
    Key* key = &keys[path];
    for (const auto& part : parts) {
      std::u16string folded = Fold(part);
      key->children.emplace(folded, part);
      path += u'\\';
      path += folded;
      Key& child = keys[path];
      if (child.name.empty()) child.name = part;
      key = &child;
    }
    return *key;
  }

  void Remove(const std::u16string& root, const std::vector<std::u16string>& parts) {
    if (parts.empty()) return;
    std::u16string path = root;
    for (const auto& part : parts) path += u'\\' + Fold(part);
    keys.erase(path);
    std::u16string below = path + u'\\';
    for (auto it = keys.lower_bound(below); it != keys.end() && it->first.starts_with(below);)
      it = keys.erase(it);
    std::size_t cut = path.rfind(u'\\');
    auto parent = keys.find(path.substr(0, cut));
    if (parent != keys.end()) parent->second.children.erase(path.substr(cut + 1));
  }

  const Key* Find(const std::u16string& root, const std::string& ansiKey) const {
    std::u16string path = root;
    for (const auto& part : SplitKey(AnsiToUtf16(ansiKey))) path += u'\\' + Fold(part);
    auto it = keys.find(path);
    return it == keys.end() ? nullptr : &it->second;
  }

  // The keys that stand for `root\key`: for HKEY_CLASSES_ROOT the user's classes
  // come first, then the machine's, as the merged view on Windows does.
  std::vector<const Key*> Lookup(RootKey root, const std::string& key) const {
    std::vector<const Key*> found;
    if (root == RootKey::ClassesRoot) {
      std::string sub = "Software\\Classes\\" + key;
      if (const Key* k = Find(RootName(RootKey::CurrentUser), sub)) found.push_back(k);
      if (const Key* k = Find(RootName(RootKey::LocalMachine), sub)) found.push_back(k);
    } else if (const Key* k = Find(RootName(root), key)) {
      found.push_back(k);
    }
    return found;
  }

  bool Parse(const std::u16string& text, Format fmt, const std::u16string& wineRoot);
};

namespace {

// Maps an export's "[HKEY_...\rest]" to our root and the remaining path.
bool SplitExportKey(std::u16string_view full, std::u16string& root,
                    std::vector<std::u16string>& parts) {
  std::vector<std::u16string> segs = SplitKey(full);
  if (segs.empty()) return false;
  std::u16string head = Fold(segs[0]);
  segs.erase(segs.begin());
  if (head == u"hkey_current_user" || head == u"hkcu") {
    root = u"hkey_current_user";
  } else if (head == u"hkey_local_machine" || head == u"hklm") {
    root = u"hkey_local_machine";
  } else if (head == u"hkey_classes_root" || head == u"hkcr") {
    root = u"hkey_local_machine";
    segs.insert(segs.begin(), {u"Software", u"Classes"});
  } else {
    return false;  // HKEY_USERS and the like are not read by this program
  }
  parts = std::move(segs);
  return true;
}

// The lines of a file; hex data may go on over the lines after its own.
class LineReader {
 public:
  explicit LineReader(std::u16string_view text) {
    while (!text.empty()) {
      std::size_t nl = text.find(u'\n');
      lines_.push_back(text.substr(0, nl));
      if (nl == std::u16string_view::npos) break;
      text.remove_prefix(nl + 1);
    }
  }
  // Line 0 is the header and is never handed out.
  bool Next(std::u16string_view& line) {
    if (next_ >= lines_.size()) return false;
    line = lines_[next_++];
    return true;
  }

 private:
  std::vector<std::u16string_view> lines_;
  std::size_t next_ = 1;
};

struct KeyLine {
  std::u16string root;
  std::vector<std::u16string> parts;
  bool remove = false;  // "[-...]" deletes the key and everything below it
};

// "[key]" (Wine adds a time stamp after it); false for a line that names no key this
// program reads.
bool ParseKeyLine(std::u16string_view line, Format fmt, const std::u16string& wineRoot,
                  KeyLine& key) {
  std::u16string_view body = line.substr(1);
  std::size_t close;
  if (fmt == Format::Wine) {
    // The bracket ends at the first ']' that is not escaped; a time stamp follows.
    close = std::u16string_view::npos;
    for (std::size_t i = 0; i < body.size(); ++i) {
      if (body[i] == u'\\') {
        ++i;
      } else if (body[i] == u']') {
        close = i;
        break;
      }
    }
  } else {
    close = body.rfind(u']');
  }
  if (close == std::u16string_view::npos) return false;
  body = body.substr(0, close);
  key.remove = !body.empty() && body[0] == u'-';
  if (key.remove) body.remove_prefix(1);
  if (fmt != Format::Wine) return SplitExportKey(body, key.root, key.parts);
  key.root = wineRoot;
  key.parts = SplitKey(UnescapeWineKey(body));
  return true;
}

// The hexadecimal type number of "str(N)" and "hex(N)"; -1 when it is not one.
int ParseTypeNumber(std::u16string_view digits) {
  int type = 0;
  for (char16_t c : digits) {
    int d = HexDigit(c);
    if (d < 0 || type > 0xFFFF) return -1;
    type = type * 16 + d;
  }
  return type;
}

// One decoder per way a value is written after its '='.  Each fills the value's
// type and data and answers false for data it cannot read (the line is skipped).

bool DecodeQuoted(std::u16string_view data, Format fmt, Value& v) {
  std::size_t p = 0;
  if (!ParseQuoted(data, p, fmt, v.text)) return false;
  v.type = kRegSz;
  return true;
}

// Wine's str(N):"text" for string types other than REG_SZ.
bool DecodeStr(std::u16string_view data, Format fmt, Value& v) {
  std::size_t close = data.find(u"):");
  if (close == std::u16string_view::npos) return false;
  int type = ParseTypeNumber(data.substr(4, close - 4));
  if (type < 0) return false;
  std::size_t p = close + 2;
  if (!ParseQuoted(data, p, fmt, v.text)) return false;
  v.type = type;
  return true;
}

// dword:HHHHHHHH, kept as its decimal text.
bool DecodeDword(std::u16string_view data, Value& v) {
  std::u16string_view digits = Trim(data.substr(6));
  if (digits.empty() || digits.size() > 8) return false;
  std::uint32_t n = 0;
  for (char16_t c : digits) {
    int d = HexDigit(c);
    if (d < 0) return false;
    n = n * 16 + std::uint32_t(d);
  }
  v.type = kRegDword;
  std::string dec = std::to_string(n);
  v.text.assign(dec.begin(), dec.end());
  return true;
}

// hex:… and hex(N):…, bytes separated by commas; the data may continue over several
// lines, each ending in a backslash.  String types are decoded to their text.
bool DecodeHex(std::u16string_view data, Format fmt, LineReader& lines, Value& v) {
  std::size_t colon = data.find(u':');
  if (colon == std::u16string_view::npos) return false;
  v.type = kRegBinary;
  if (colon > 3) {
    std::u16string_view t = data.substr(3, colon - 3);
    if (t.size() < 3 || t.front() != u'(' || t.back() != u')') return false;
    int type = ParseTypeNumber(t.substr(1, t.size() - 2));
    if (type < 0) return false;
    v.type = type;
  }
  std::u16string hex(data.substr(colon + 1));
  std::u16string_view more;
  while (!hex.empty() && Trim(hex).ends_with(u'\\') && lines.Next(more)) {
    hex = std::u16string(Trim(hex));
    hex.pop_back();
    hex += Trim(more);
  }
  int hi = -1;
  for (char16_t c : hex) {
    if (c == u',' || c == u' ' || c == u'\t' || c == u'\\') {
      if (hi >= 0) { v.bytes.push_back(char(hi)); hi = -1; }
      continue;
    }
    int d = HexDigit(c);
    if (d < 0) return false;
    if (hi < 0) {
      hi = d;
    } else {
      v.bytes.push_back(char(hi * 16 + d));
      hi = -1;
    }
  }
  if (hi >= 0) v.bytes.push_back(char(hi));
  if (v.type == kRegSz || v.type == kRegExpandSz || v.type == kRegMultiSz)
    v.text = HexToText(v.bytes, fmt);
  return true;
}

}  // namespace

bool Registry::Impl::Parse(const std::u16string& text, Format fmt, const std::u16string& wineRoot) {
  LineReader lines(text);
  Key* current = nullptr;
  std::u16string_view raw;
  while (lines.Next(raw)) {
    std::u16string_view line = Trim(raw);
    if (line.empty() || line[0] == u';' || line[0] == u'#') continue;

    if (line[0] == u'[') {
      current = nullptr;
      KeyLine key;
      if (!ParseKeyLine(line, fmt, wineRoot, key)) continue;
      if (key.remove) {
        Remove(key.root, key.parts);
      } else {
        current = &Ensure(key.root, key.parts);
      }
      continue;
    }

    // A value line: "name"=data or @=data (the default value).
    if (!current || (line[0] != u'"' && line[0] != u'@')) continue;
    Value v;
    std::size_t pos = 0;
    if (line[0] == u'@') {
      pos = 1;
    } else if (!ParseQuoted(line, pos, fmt, v.name)) {
      continue;
    }
    while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t')) ++pos;
    if (pos >= line.size() || line[pos] != u'=') continue;
    ++pos;
    while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t')) ++pos;
    std::u16string_view data = line.substr(pos);
    std::u16string folded = Fold(v.name);

    bool ok;
    if (data == u"-") {
      current->values.erase(folded);
      continue;
    } else if (!data.empty() && data[0] == u'"') {
      ok = DecodeQuoted(data, fmt, v);
    } else if (StartsWithNoCase(data, u"str(")) {
      ok = DecodeStr(data, fmt, v);
    } else if (StartsWithNoCase(data, u"dword:")) {
      ok = DecodeDword(data, v);
    } else if (StartsWithNoCase(data, u"hex")) {
      ok = DecodeHex(data, fmt, lines, v);
    } else {
      ok = false;
    }
    if (ok) current->values[folded] = std::move(v);
  }
  return true;
}

Registry::Registry() : impl_(std::make_unique<Impl>()) {}
Registry::~Registry() = default;

void Registry::Clear() {
  impl_->keys.clear();
  impl_->sources.clear();
}

namespace {

std::optional<Format> DetectFormat(const std::u16string& text) {
  std::u16string_view first(text);
  first = Trim(first.substr(0, first.find(u'\n')));
  if (first == u"WINE REGISTRY Version 2") return Format::Wine;
  if (first == u"REGEDIT4") return Format::Regedit4;
  if (first == u"Windows Registry Editor Version 5.00") return Format::Regedit5;
  return std::nullopt;
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool Registry::LoadWinePrefix(const std::string& hostDir) {
  struct stat st;
  if (stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(errno ? errno : ENOTDIR);
    return false;
  }
  static const struct {
    const char* file;
    RootKey root;
  } kFiles[] = {{"user.reg", RootKey::CurrentUser}, {"system.reg", RootKey::LocalMachine}};
  FileBuffer bytes;
  for (const auto& f : kFiles) {
    std::string path = hostDir + "/" + f.file;
    if (!ReadHostFile(path, bytes)) continue;  // a missing file reads as empty
    std::u16string text = DecodeFile(bytes.view());
    if (DetectFormat(text) != Format::Wine) continue;
    impl_->Parse(text, Format::Wine, Impl::RootName(f.root));
  }
  impl_->sources.push_back("Wine prefix " + hostDir);
  return true;
}

bool Registry::LoadRegFile(const std::string& hostPath) {
  FileBuffer bytes;
  if (!ReadHostFile(hostPath, bytes)) return false;
  std::u16string text = DecodeFile(bytes.view());
  std::optional<Format> fmt = DetectFormat(text);
  if (!fmt) {
    SetLastError(EINVAL);
    return false;
  }
  // A Wine file on its own: system.reg holds the machine's keys, others the user's.
  RootKey wineRoot = BaseName(hostPath) == "system.reg" ? RootKey::LocalMachine
                                                        : RootKey::CurrentUser;
  impl_->Parse(text, *fmt, Impl::RootName(wineRoot));
  impl_->sources.push_back("registry file " + hostPath);
  return true;
}

bool Registry::KeyExists(RootKey root, const std::string& key) const {
  return !impl_->Lookup(root, key).empty();
}

std::optional<std::string> Registry::ReadString(RootKey root, const std::string& key,
                                                const std::string& value) const {
  std::u16string name = value == "@" ? std::u16string() : Fold(AnsiToUtf16(value));
  for (const Key* k : impl_->Lookup(root, key)) {
    auto it = k->values.find(name);
    if (it == k->values.end()) continue;
    const Value& v = it->second;
    switch (v.type) {
      case kRegSz:
      case kRegExpandSz:
      case kRegDword:
        return Utf16ToAnsi(v.text);
      case kRegMultiSz: {
        // The first of the strings.
        std::u16string_view t(v.text);
        return Utf16ToAnsi(t.substr(0, t.find(u'\0')));
      }
      default:
        return std::nullopt;  // binary data is not text
    }
  }
  return std::nullopt;
}

std::vector<std::string> Registry::SubKeys(RootKey root, const std::string& key) const {
  std::map<std::u16string, std::u16string> merged;
  for (const Key* k : impl_->Lookup(root, key)) {
    for (const auto& [folded, name] : k->children) merged.emplace(folded, name);
  }
  std::vector<std::string> out;
  out.reserve(merged.size());
  for (const auto& [folded, name] : merged) out.push_back(Utf16ToAnsi(name));
  return out;
}

std::string Registry::Source() const {
  std::string out;
  for (const auto& s : impl_->sources) {
    if (!out.empty()) out += "; ";
    out += s;
  }
  return out.empty() ? "(empty)" : out;
}

Registry& Registry::Current() {
  static Registry registry;
  static std::once_flag loaded;
  std::call_once(loaded, [] {
    const char* env = std::getenv("TOLLHAVEN_REGISTRY");
    if (env && *env) {
      struct stat st;
      if (stat(env, &st) == 0 && S_ISDIR(st.st_mode))
        registry.LoadWinePrefix(env);
      else
        registry.LoadRegFile(env);
    } else {
      registry.LoadWinePrefix(WinePrefix());
    }
  });
  return registry;
}

}  // namespace platform
