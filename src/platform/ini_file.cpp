#include "platform/ini_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>

#include "platform/codepage.h"
#include "platform/files.h"

namespace platform {

namespace {

enum class LineKind { Section, Key, Other };

struct Line {
  LineKind kind = LineKind::Other;
  std::string text;   // the line as it stands in the file
  std::string name;   // section or key name, trimmed
  std::string folded; // name for comparison
  std::string value;  // key value, trimmed and unquoted
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::string FoldName(std::string_view s) { return AnsiLowerCase(Trim(s)); }

// Lists a section or key name once: later lines of the same (case-folded) name are
// left out, the spelling of the first one is kept.
void AddFirstOfName(const Line& line, std::vector<std::string>& seen,
                    std::vector<std::string>& names) {
  for (const auto& f : seen)
    if (f == line.folded) return;
  seen.push_back(line.folded);
  names.push_back(line.name);
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

Line ParseLine(std::string_view raw) {
  Line line;
  line.text = std::string(raw);
  std::string_view t = Trim(raw);
  if (t.empty() || t[0] == ';') return line;
  if (t[0] == '[') {
    std::size_t close = AnsiFind(t, ']', 1);
    if (close == npos) return line;
    line.kind = LineKind::Section;
    line.name = std::string(Trim(t.substr(1, close - 1)));
    line.folded = AnsiLowerCase(line.name);
    return line;
  }
  std::size_t eq = AnsiFind(t, '=');
  if (eq == npos) return line;
  line.kind = LineKind::Key;
  line.name = std::string(Trim(t.substr(0, eq)));
  line.folded = AnsiLowerCase(line.name);
  std::string_view v = Trim(t.substr(eq + 1));
  // One pair of enclosing quotes is removed, as the system's profile reader does.
  if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front() &&
      !IsTrailByteAt(v, v.size() - 1))
    v = v.substr(1, v.size() - 2);
  line.value = std::string(v);
  return line;
}

// Characters that would end the line or the name early.
bool HasLineBreak(std::string_view s) {
  return s.find('\n') != std::string_view::npos || s.find('\r') != std::string_view::npos;
}

bool ValidSection(std::string_view s) {
  std::string_view t = Trim(s);
  return !t.empty() && !HasLineBreak(s) && AnsiFind(s, ']') == npos;
}

bool ValidKey(std::string_view s) {
  std::string_view t = Trim(s);
  return !t.empty() && !HasLineBreak(s) && AnsiFind(s, '=') == npos && t[0] != '[' &&
         t[0] != ';';
}

std::string EncodeValue(std::string_view value) {
  std::string v(value);
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';
  bool needsQuotes =
      !v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' ||
                     v.back() == '\t' ||
                     (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front() &&
                      !IsTrailByteAt(v, v.size() - 1)));
  return needsQuotes ? "\"" + v + "\"" : v;
}

// Parses a whole number the way the original settings code did: decimal, or hex
// after "0x" / "$", with an optional sign; anything else is not a number.
bool ParseInteger(std::string_view s, int& out) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  } else if (s.size() > 1 && s[0] == '$') {
    base = 16;
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  std::uint64_t v = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * unsigned(base) + unsigned(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  std::int64_t r;
  if (base == 16) {
    // Hex covers the full 32 bits: 0xFFFFFFFF is -1.
    r = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  } else {
    if (v > std::uint64_t(INT_MAX) + (negative ? 1 : 0)) return false;
    r = static_cast<std::int64_t>(v);
  }
  if (negative) r = -r;
  if (r < INT_MIN || r > INT_MAX) return false;
  out = static_cast<int>(r);
  return true;
}

}  // namespace

struct IniFile::Content {
  std::vector<Line> lines;
  bool existed = false;
  std::string bytes;  // the file as read, to tell whether it changed since

  // Index of the first line of the first section named `folded`, or npos.
  std::size_t FindSection(const std::string& folded) const {
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].kind == LineKind::Section && lines[i].folded == folded) return i;
    return npos;
  }
  // One past the last line belonging to the section that starts at `start`.
  std::size_t SectionEnd(std::size_t start) const {
    std::size_t i = start + 1;
    while (i < lines.size() && lines[i].kind != LineKind::Section) ++i;
    return i;
  }
  const Line* FindKey(const std::string& section, const std::string& key) const {
    std::size_t s = FindSection(FoldName(section));
    if (s == npos) return nullptr;
    std::string folded = FoldName(key);
    for (std::size_t i = s + 1, end = SectionEnd(s); i < end; ++i)
      if (lines[i].kind == LineKind::Key && lines[i].folded == folded) return &lines[i];
    return nullptr;
  }
};

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::shared_ptr<const IniFile::Content> IniFile::Load() const {
  std::string bytes;
  if (!ReadWholeFile(path_, bytes)) {
    // No file (or no access): everything reads as the default.
    if (!cache_ || cache_->existed) cache_ = std::make_shared<Content>();
    return cache_;
  }
  // Reading the bytes is cheap; parsing them again is what the cache saves.
  if (cache_ && cache_->existed && cache_->bytes == bytes) return cache_;

  auto content = std::make_shared<Content>();
  content->existed = true;
  std::string_view rest(bytes);
  while (!rest.empty()) {
    std::size_t nl = rest.find('\n');
    std::string_view raw = rest.substr(0, nl);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    content->lines.push_back(ParseLine(raw));
    if (nl == std::string_view::npos) break;
    rest.remove_prefix(nl + 1);
  }
  content->bytes = std::move(bytes);
  cache_ = content;
  return cache_;
}

bool IniFile::Store(const Content& content) {
  std::string bytes;
  for (const Line& line : content.lines) {
    bytes += line.text;
    bytes += "\r\n";
  }
  cache_.reset();
  return AtomicWriteFile(path_, bytes);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  auto content = Load();
  const Line* line = content->FindKey(section, key);
  return line ? line->value : def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  auto content = Load();
  const Line* line = content->FindKey(section, key);
  int v = 0;
  return line && ParseInteger(line->value, v) ? v : def;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  if (!ValidSection(section) || !ValidKey(key)) {
    SetLastError(EINVAL);
    return false;
  }
  Content content = *Load();
  std::string keyText = std::string(Trim(key));
  Line fresh = ParseLine(keyText + "=" + EncodeValue(value));
  std::size_t s = content.FindSection(FoldName(section));
  if (s == npos) {
    // A new section goes at the end, after a blank line.
    if (!content.lines.empty() && !Trim(content.lines.back().text).empty())
      content.lines.push_back(ParseLine(""));
    content.lines.push_back(ParseLine("[" + std::string(Trim(section)) + "]"));
    content.lines.push_back(std::move(fresh));
    return Store(content);
  }
  std::size_t end = content.SectionEnd(s);
  std::size_t lastKey = s;
  for (std::size_t i = s + 1; i < end; ++i) {
    Line& line = content.lines[i];
    if (line.kind != LineKind::Key) {
      if (!Trim(line.text).empty()) lastKey = i;
      continue;
    }
    if (line.folded == fresh.folded) {
      // Keep the name as it was spelt in the file.
      Line updated = ParseLine(line.name + "=" + EncodeValue(value));
      if (updated.text == line.text) return true;  // nothing to write
      line = std::move(updated);
      return Store(content);
    }
    lastKey = i;
  }
  // A new key goes after the section's last entry, before any blank lines.
  content.lines.insert(content.lines.begin() + static_cast<std::ptrdiff_t>(lastKey + 1),
                       std::move(fresh));
  return Store(content);
}

bool IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::SectionExists(const std::string& section) const {
  return Load()->FindSection(FoldName(section)) != npos;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  return Load()->FindKey(section, key) != nullptr;
}

std::vector<std::string> IniFile::ReadSections() const {
  auto content = Load();
  std::vector<std::string> names;
  std::vector<std::string> seen;
  for (const Line& line : content->lines) {
    if (line.kind != LineKind::Section) continue;
    AddFirstOfName(line, seen, names);
  }
  return names;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const {
  auto content = Load();
  std::vector<std::string> names;
  std::size_t s = content->FindSection(FoldName(section));
  if (s == npos) return names;
  std::vector<std::string> seen;
  for (std::size_t i = s + 1, end = content->SectionEnd(s); i < end; ++i) {
    const Line& line = content->lines[i];
    if (line.kind != LineKind::Key) continue;
    AddFirstOfName(line, seen, names);
  }
  return names;
}

bool IniFile::EraseSection(const std::string& section) {
  Content content = *Load();
  std::string folded = FoldName(section);
  bool changed = false;
  for (std::size_t s; (s = content.FindSection(folded)) != npos;) {
    std::size_t end = content.SectionEnd(s);
    content.lines.erase(content.lines.begin() + static_cast<std::ptrdiff_t>(s),
                        content.lines.begin() + static_cast<std::ptrdiff_t>(end));
    changed = true;
  }
  return changed ? Store(content) : true;
}

bool IniFile::DeleteKey(const std::string& section, const std::string& key) {
  Content content = *Load();
  std::size_t s = content.FindSection(FoldName(section));
  if (s == npos) return true;
  std::string folded = FoldName(key);
  bool changed = false;
  for (std::size_t i = s + 1; i < content.SectionEnd(s);) {
    if (content.lines[i].kind == LineKind::Key && content.lines[i].folded == folded) {
      content.lines.erase(content.lines.begin() + static_cast<std::ptrdiff_t>(i));
      changed = true;
    } else {
      ++i;
    }
  }
  return changed ? Store(content) : true;
}

}  // namespace platform
