#include "cache/cache_entry.h"

#include "platform/codepage.h"

namespace {

// Blanks as the header lines know them: spaces, tabs and other control bytes.
std::string_view TrimBlanks(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// The trimmed name of a header line, or false for a line without ':'.  Header names
// are ASCII, so the first ':' byte is the separator even in CP932 text.
bool LineName(std::string_view line, std::string_view& name, std::string_view& rest) {
  std::size_t colon = platform::AnsiFind(line, ':');
  if (colon == platform::npos) return false;
  name = TrimBlanks(line.substr(0, colon));
  rest = line.substr(colon + 1);
  return true;
}

bool SameAsciiText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && platform::AnsiLowerCase(a) == platform::AnsiLowerCase(b);
}

}  // namespace

std::string TWebCacheHeaderInfo::GetText() const {
  std::string text;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines_[i];
  }
  return text;
}

void TWebCacheHeaderInfo::SetText(std::string_view text) {
  if (text == GetText()) return;
  lines_.clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines_.emplace_back(text.substr(pos));
      break;
    }
    lines_.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
}

std::string TWebCacheHeaderInfo::GetValue(std::string_view name) const {
  for (const std::string& line : lines_) {
    std::string_view lineName, rest;
    if (!LineName(line, lineName, rest)) continue;
    if (SameAsciiText(lineName, name)) return std::string(TrimBlanks(rest));
  }
  return {};
}

void TWebCacheHeaderInfo::SetValue(std::string_view name, std::string_view value) {
  for (std::string& line : lines_) {
    std::string_view lineName, rest;
    if (!LineName(line, lineName, rest)) continue;
    if (SameAsciiText(lineName, name)) {
      line = std::string(lineName) + ": " + std::string(value);
      return;
    }
  }
  lines_.push_back(std::string(name) + ": " + std::string(value));
}

std::string TWebCacheHeaderInfo::GetLine(int index) const {
  if (index < 0 || index >= GetCount()) return {};
  return lines_[static_cast<std::size_t>(index)];
}

void TWebCacheHeaderInfo::SetLine(int index, std::string_view text) {
  if (index < 0 || index >= GetCount()) return;
  lines_[static_cast<std::size_t>(index)] = std::string(text);
}

bool IsHtmlEntry(const TWebCacheEntryInfo& entry) {
  return platform::AnsiLowerCase(entry.HeaderInfo.GetValue("Content-Type")).find("text/html") !=
         std::string::npos;
}

bool EntryLastModifiedUtc(const TWebCacheEntryInfo& entry, platform::FILETIME& utc) {
  if (entry.LastModifiedUtc != 0) {
    platform::FILETIME local = 0;
    platform::SYSTEMTIME shown;
    if (platform::FileTimeToLocalFileTime(entry.LastModifiedUtc, local) &&
        platform::FileTimeToSystemTime(local, shown) && shown == entry.LastModified) {
      utc = entry.LastModifiedUtc;
      return true;
    }
  }
  platform::FILETIME local = 0;
  return platform::SystemTimeToFileTime(entry.LastModified, local) &&
         platform::LocalFileTimeToFileTime(local, utc);
}
