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

namespace {

// Calls fn(index, line) for each packed line; fn returns false to stop.
template <class Fn>
void ForEachLine(std::string_view packed, Fn fn) {
  const std::size_t size = packed.size();
  std::size_t pos = 0;
  for (int index = 0; pos < size; ++index) {
    std::size_t length = static_cast<unsigned char>(packed[pos++]);
    if (length == 255) {
      length = 0;
      for (int b = 0; b < 4; ++b) {
        length |= static_cast<std::size_t>(static_cast<unsigned char>(packed[pos++])) << (8 * b);
      }
    }
    if (!fn(index, packed.substr(pos, length))) return;
    pos += length;
  }
}

}  // namespace

void TWebCacheHeaderInfo::AppendLine(std::string_view line) {
  if (line.size() < 255) {
    packed_.push_back(static_cast<char>(line.size()));
  } else {
    packed_.push_back(static_cast<char>(255));
    for (int b = 0; b < 4; ++b) packed_.push_back(static_cast<char>((line.size() >> (8 * b)) & 0xFF));
  }
  packed_.append(line);
}

void TWebCacheHeaderInfo::ReplaceLine(int index, std::string_view text) {
  std::string old;
  old.swap(packed_);
  packed_.reserve(old.size() + text.size());
  ForEachLine(old, [&](int i, std::string_view line) {
    AppendLine(i == index ? text : line);
    return true;
  });
}

int TWebCacheHeaderView::GetCount() const {
  int count = 0;
  ForEachLine(packed_, [&](int, std::string_view) {
    ++count;
    return true;
  });
  return count;
}

std::string TWebCacheHeaderView::GetText() const {
  std::string text;
  ForEachLine(packed_, [&](int i, std::string_view line) {
    if (i > 0) text += "\r\n";
    text += line;
    return true;
  });
  return text;
}

void TWebCacheHeaderInfo::SetText(std::string_view text) {
  // Two passes: the first measures, so the block is allocated once at its size.
  auto split = [&](auto fn) {
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find_first_of("\r\n", pos);
      if (end == std::string_view::npos) {
        fn(text.substr(pos));
        break;
      }
      fn(text.substr(pos, end - pos));
      pos = end + 1;
      if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    }
  };
  std::size_t size = 0;
  split([&](std::string_view line) { size += line.size() + (line.size() < 255 ? 1 : 5); });
  // Splitting the text the lines already make gives the same block, so there is no
  // need to compare first; the old block's room is reused.
  packed_.clear();
  packed_.reserve(size);
  split([&](std::string_view line) { AppendLine(line); });
}

std::string TWebCacheHeaderView::GetValue(std::string_view name) const {
  std::string value;
  ForEachLine(packed_, [&](int, std::string_view line) {
    std::string_view lineName, rest;
    if (!LineName(line, lineName, rest)) return true;
    if (!SameAsciiText(lineName, name)) return true;
    value = std::string(TrimBlanks(rest));
    return false;
  });
  return value;
}

void TWebCacheHeaderInfo::SetValue(std::string_view name, std::string_view value) {
  int found = -1;
  std::string replacement;
  ForEachLine(packed_, [&](int i, std::string_view line) {
    std::string_view lineName, rest;
    if (!LineName(line, lineName, rest)) return true;
    if (!SameAsciiText(lineName, name)) return true;
    found = i;
    replacement = std::string(lineName) + ": " + std::string(value);
    return false;
  });
  if (found >= 0) {
    ReplaceLine(found, replacement);
  } else {
    AppendLine(std::string(name) + ": " + std::string(value));
  }
}

std::string TWebCacheHeaderView::GetLine(int index) const {
  std::string out;
  ForEachLine(packed_, [&](int i, std::string_view line) {
    if (i != index) return true;
    out = std::string(line);
    return false;
  });
  return out;
}

void TWebCacheHeaderInfo::SetLine(int index, std::string_view text) {
  if (index < 0 || index >= GetCount()) return;
  ReplaceLine(index, text);
}

namespace {

bool IsHtmlHeader(const TWebCacheHeaderView& header) {
  return platform::AnsiLowerCase(header.GetValue("Content-Type")).find("text/html") !=
         std::string::npos;
}

bool ModifiedUtc(const platform::SYSTEMTIME& shownTime, platform::FILETIME madeFrom,
                 platform::FILETIME& utc) {
  if (madeFrom != 0) {
    platform::FILETIME local = 0;
    platform::SYSTEMTIME shown;
    if (platform::FileTimeToLocalFileTime(madeFrom, local) &&
        platform::FileTimeToSystemTime(local, shown) && shown == shownTime) {
      utc = madeFrom;
      return true;
    }
  }
  platform::FILETIME local = 0;
  return platform::SystemTimeToFileTime(shownTime, local) &&
         platform::LocalFileTimeToFileTime(local, utc);
}

}  // namespace

bool IsHtmlEntry(const TWebCacheEntryInfo& entry) { return IsHtmlHeader(entry.HeaderInfo.View()); }

bool IsHtmlEntry(const TWebCacheEntryView& entry) { return IsHtmlHeader(entry.HeaderInfo); }

bool EntryLastModifiedUtc(const TWebCacheEntryInfo& entry, platform::FILETIME& utc) {
  return ModifiedUtc(entry.LastModified, entry.LastModifiedUtc, utc);
}

bool EntryLastModifiedUtc(const TWebCacheEntryView& entry, platform::FILETIME& utc) {
  return ModifiedUtc(entry.LastModified, entry.LastModifiedUtc, utc);
}
