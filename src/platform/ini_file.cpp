#include "platform/ini_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/files.h"

namespace platform {

namespace {

enum class LineKind { Section, Key, Other };

struct Line {
  LineKind kind = LineKind::Other;
  std::string text;    // the line as it stands in the file
  std::string folded;  // section or key name for comparison
  // Where the trimmed name and the trimmed, unquoted value lie in `text`.
  std::uint32_t nameAt = 0, nameLen = 0, valueAt = 0, valueLen = 0;

  std::string Name() const { return text.substr(nameAt, nameLen); }
  std::string Value() const { return text.substr(valueAt, valueLen); }
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::string FoldName(std::string_view s) { return AnsiLowerCase(Trim(s)); }

bool IsQuote(char c) { return c == '"' || c == '\''; }

Line ParseLine(std::string_view raw) {
  Line line;
  line.text = std::string(raw);
  const std::string_view all(line.text);
  auto at = [&](std::string_view part) {
    return static_cast<std::uint32_t>(part.data() - all.data());
  };
  auto setName = [&](std::string_view name) {
    line.nameAt = at(name);
    line.nameLen = static_cast<std::uint32_t>(name.size());
    line.folded = AnsiLowerCase(name);
  };
  std::string_view t = Trim(all);
  if (t.empty() || t[0] == ';') return line;
  if (t[0] == '[') {
    std::size_t close = AnsiFind(t, ']', 1);
    if (close == npos) return line;
    line.kind = LineKind::Section;
    setName(Trim(t.substr(1, close - 1)));
    return line;
  }
  std::size_t eq = AnsiFind(t, '=');
  if (eq == npos) return line;
  line.kind = LineKind::Key;
  setName(Trim(t.substr(0, eq)));
  std::string_view v = Trim(t.substr(eq + 1));
  // One pair of enclosing quotes is removed, as the system's profile reader does.
  if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front() &&
      !IsTrailByteAt(v, v.size() - 1))
    v = v.substr(1, v.size() - 2);
  line.valueAt = at(v);
  line.valueLen = static_cast<std::uint32_t>(v.size());
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

// The file as sections of lines.  Lines keep their text as it stands, so that a
// write changes only the line of its key.  Section 0 holds the lines before the
// first section header (never read).  Lookups go through hash indexes of the first
// section of each name and, per section, of the first key of each name.
struct IniFile::Content {
  struct Section {
    Line header;  // kind Other and empty for the lines before any section
    std::vector<Line> lines;

    // Index of the first key line of the name, or npos.  A section of a few keys
    // is searched line by line; a long one gets a hash index on first use.
    std::size_t FindKey(const std::string& folded) const {
      if (lines.size() < kIndexFrom) {
        for (std::size_t i = 0; i < lines.size(); ++i)
          if (lines[i].kind == LineKind::Key && lines[i].folded == folded) return i;
        return npos;
      }
      if (!indexed) {
        keys.clear();
        for (std::size_t i = 0; i < lines.size(); ++i)
          if (lines[i].kind == LineKind::Key) keys.emplace(lines[i].folded, i);
        indexed = true;
      }
      auto it = keys.find(folded);
      return it == keys.end() ? npos : it->second;
    }
    void Insert(std::size_t at, Line line) {
      // New keys go after every key line, so indexed lines never move.
      if (indexed) keys.emplace(line.folded, at);
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    }
    void Dropped() { indexed = false; }

   private:
    static constexpr std::size_t kIndexFrom = 32;
    mutable std::unordered_map<std::string, std::size_t> keys;  // folded -> first line
    mutable bool indexed = false;
  };

  std::vector<Section> sections;
  std::unordered_map<std::string, std::size_t> index;  // folded name -> first section
  bool existed = false;
  std::string bytes;  // what the file held when last read or written
  // The section asked for last, as spelt by the caller: a run of keys of one
  // section skips folding and hashing its name.
  mutable std::string lastAsked;
  mutable std::size_t lastIndex = 0;

  void Parse(std::string fileBytes, bool fileExisted) {
    sections.clear();
    sections.emplace_back();
    std::string_view rest(fileBytes);
    while (!rest.empty()) {
      std::size_t nl = rest.find('\n');
      std::string_view raw = rest.substr(0, nl);
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      Line line = ParseLine(raw);
      if (line.kind == LineKind::Section) {
        sections.emplace_back();
        sections.back().header = std::move(line);
      } else {
        sections.back().lines.push_back(std::move(line));
      }
      if (nl == std::string_view::npos) break;
      rest.remove_prefix(nl + 1);
    }
    IndexSections();
    existed = fileExisted;
    bytes = std::move(fileBytes);
  }

  void IndexSections() {
    lastAsked.clear();
    index.clear();
    for (std::size_t i = 1; i < sections.size(); ++i)
      index.emplace(sections[i].header.folded, i);
  }

  Section* FindSection(const std::string& section) {
    if (!lastAsked.empty() && section == lastAsked) return &sections[lastIndex];
    auto it = index.find(FoldName(section));
    if (it == index.end()) return nullptr;
    lastAsked = section;
    lastIndex = it->second;
    return &sections[it->second];
  }
  const Section* FindSection(const std::string& section) const {
    return const_cast<Content*>(this)->FindSection(section);
  }
  const Line* FindKey(const std::string& section, const std::string& key) const {
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    std::size_t i = s->FindKey(FoldName(key));
    return i == npos ? nullptr : &s->lines[i];
  }

  std::string Serialize() const {
    std::size_t size = 0;
    for (const Section& s : sections) {
      size += s.header.text.size() + 2;
      for (const Line& line : s.lines) size += line.text.size() + 2;
    }
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < sections.size(); ++i) {
      if (i > 0) {
        out += sections[i].header.text;
        out += "\r\n";
      }
      for (const Line& line : sections[i].lines) {
        out += line.text;
        out += "\r\n";
      }
    }
    return out;
  }

  // The last line of the file, or null for an empty one.
  const Line* LastLine() const {
    for (std::size_t i = sections.size(); i-- > 0;) {
      if (!sections[i].lines.empty()) return &sections[i].lines.back();
      if (i > 0) return &sections[i].header;
    }
    return nullptr;
  }
};

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

IniFile::~IniFile() = default;

IniFile::Content& IniFile::Loaded() const {
  if (!content_) {
    content_ = std::make_unique<Content>();
    std::string bytes;
    // No file (or no access): everything reads as the default.
    bool existed = ReadWholeFile(path_, bytes);
    content_->Parse(existed ? std::move(bytes) : std::string(), existed);
  }
  return *content_;
}

IniFile::Content& IniFile::Current() {
  Content& content = Loaded();
  // Inside an update the copy may already hold changes of its own; the file was
  // looked at by the update's first change.
  if (updates_ > 0 && pending_) return content;
  std::string bytes;
  bool exists = ReadWholeFile(path_, bytes);
  if (exists != content.existed || bytes != content.bytes)
    content.Parse(exists ? std::move(bytes) : std::string(), exists);
  return content;
}

bool IniFile::Changed() {
  if (updates_ > 0) {
    pending_ = true;
    return true;
  }
  return Store();
}

bool IniFile::Store() {
  Content& content = *content_;
  std::string bytes = content.Serialize();
  if (!AtomicWriteFile(path_, bytes)) {
    int code = LastError();
    // Read what the file still holds rather than what could not be written.
    content_.reset();
    SetLastError(code);
    return false;
  }
  content.bytes = std::move(bytes);
  content.existed = true;
  return true;
}

void IniFile::BeginUpdate() {
  if (updates_++ == 0) pending_ = false;
}

bool IniFile::EndUpdate() {
  if (updates_ == 0 || --updates_ > 0) return true;
  if (!pending_) return true;
  pending_ = false;
  return Store();
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  const Line* line = Loaded().FindKey(section, key);
  return line ? line->Value() : def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  const Line* line = Loaded().FindKey(section, key);
  int v = 0;
  return line && ParseInteger(line->Value(), v) ? v : def;
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
  Content& content = Current();
  const std::string keyText(Trim(key));
  Content::Section* s = content.FindSection(section);
  if (!s) {
    // A new section goes at the end, after a blank line.
    const Line* last = content.LastLine();
    if (last && !Trim(last->text).empty()) content.sections.back().lines.push_back(ParseLine(""));
    Content::Section added;
    added.header = ParseLine("[" + std::string(Trim(section)) + "]");
    added.lines.push_back(ParseLine(keyText + "=" + EncodeValue(value)));
    content.index.emplace(added.header.folded, content.sections.size());
    content.sections.push_back(std::move(added));
    return Changed();
  }
  const std::size_t found = s->FindKey(AnsiLowerCase(keyText));
  if (found != npos) {
    Line& line = s->lines[found];
    // Keep the name as it was spelt in the file.
    std::string text = line.Name() + "=" + EncodeValue(value);
    if (text == line.text) return true;  // nothing to write
    line = ParseLine(text);
    return Changed();
  }
  // A new key goes after the section's last entry, before any blank lines.
  std::size_t at = s->lines.size();
  while (at > 0 && Trim(s->lines[at - 1].text).empty()) --at;
  s->Insert(at, ParseLine(keyText + "=" + EncodeValue(value)));
  return Changed();
}

bool IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::SectionExists(const std::string& section) const {
  return Loaded().FindSection(section) != nullptr;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  return Loaded().FindKey(section, key) != nullptr;
}

std::vector<std::string> IniFile::ReadSections() const {
  const Content& content = Loaded();
  std::vector<std::string> names;
  for (std::size_t i = 1; i < content.sections.size(); ++i) {
    const Line& header = content.sections[i].header;
    // A name counts once, in the spelling of its first section.
    if (content.index.at(header.folded) == i) names.push_back(header.Name());
  }
  return names;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> names;
  const Content::Section* s = Loaded().FindSection(section);
  if (!s) return names;
  for (std::size_t i = 0; i < s->lines.size(); ++i) {
    const Line& line = s->lines[i];
    if (line.kind == LineKind::Key && s->FindKey(line.folded) == i) names.push_back(line.Name());
  }
  return names;
}

bool IniFile::EraseSection(const std::string& section) {
  Content& content = Current();
  std::string folded = FoldName(section);
  if (!content.index.count(folded)) return true;
  std::erase_if(content.sections, [&](const Content::Section& s) {
    return s.header.kind == LineKind::Section && s.header.folded == folded;
  });
  content.IndexSections();
  return Changed();
}

bool IniFile::DeleteKey(const std::string& section, const std::string& key) {
  Content& content = Current();
  Content::Section* s = content.FindSection(section);
  std::string folded = FoldName(key);
  if (!s || s->FindKey(folded) == npos) return true;
  std::erase_if(s->lines, [&](const Line& line) {
    return line.kind == LineKind::Key && line.folded == folded;
  });
  s->Dropped();
  return Changed();
}

}  // namespace platform
