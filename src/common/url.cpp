#include "common/url.h"

#include <cstdint>

#include "platform/codepage.h"
#include "platform/files.h"

namespace {

using platform::npos;

int HexDigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;  // a stray character still takes its place in the escape
}

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view b) {
  std::size_t i = 0;
  while (i < b.size()) {
    const auto c = static_cast<unsigned char>(b[i]);
    std::size_t follow;
    std::uint32_t min;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      follow = 1;
      min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      follow = 2;
      min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      follow = 3;
      min = 0x10000;
    } else {
      return false;
    }
    std::uint32_t cp = c & (0x3F >> follow);
    for (std::size_t k = 1; k <= follow; ++k) {
      if (i + k >= b.size()) return false;
      const auto d = static_cast<unsigned char>(b[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += follow + 1;
  }
  return true;
}

// Well-formed Shift_JIS (CP932): single bytes below 0x80 or half-width katakana, and
// lead bytes each followed by a trail byte.
bool IsValidShiftJis(std::string_view b) {
  for (std::size_t i = 0; i < b.size();) {
    const auto c = static_cast<unsigned char>(b[i]);
    const std::size_t n = platform::AnsiCharLength(b, i);
    if (n == 1 && c >= 0x80 && !(c >= 0xA1 && c <= 0xDF)) return false;
    i += n;
  }
  return true;
}

std::size_t CountByte(std::string_view s, char ch) {
  std::size_t n = 0;
  for (char c : s) n += c == ch;
  return n;
}

// "//" -> "/" everywhere, as the scheme's double slash must become one segment break.
std::string FoldDoubleSlashes(std::string_view s) {
  return platform::AnsiReplaceAll(s, "//", "/");
}

std::string ReplaceEach(std::string_view text, const char* const (*table)[2],
                        std::size_t count) {
  std::string s(text);
  for (std::size_t i = 0; i < count; ++i) s = platform::AnsiReplaceAll(s, table[i][0], table[i][1]);
  return s;
}

std::size_t CountChar(std::string_view s, char ch) {
  std::size_t n = 0;
  for (std::size_t p = platform::AnsiFind(s, ch); p != npos; p = platform::AnsiFind(s, ch, p + 1)) {
    ++n;
  }
  return n;
}

bool IsDotName(std::string_view s) { return s == "." || s == ".."; }

// "." -> "$2e", ".." -> "$2e$2e"; anything else unchanged.
std::string EscapeDotName(std::string s) {
  if (IsDotName(s)) return platform::AnsiReplaceAll(s, ".", "$2e");
  return s;
}

// Any '/' byte left in a name, whatever precedes it, so that the host can never see
// a separator there.
std::string EscapeSlashBytes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '/') {
      out += "$2f";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

namespace {

// The cut of SplitUrl, nothing decoded.
void SplitUrlPieces(std::string_view url, TUrlParts& out) {
  std::string w(url);
  std::string ex;
  std::string file;

  std::size_t p = platform::AnsiFind(w, '?');
  if (p != npos) {
    ex = w.substr(p);
    w.resize(p);
  }
  p = platform::AnsiFind(w, ';');
  if (p != npos) {
    ex = w.substr(p) + ex;
    w.resize(p);
  }
  // A segment carrying "name=value" or "$" is a parameter of the script before it:
  // it and everything behind it belong to the extra part.
  for (char mark : {'=', '$'}) {
    p = platform::AnsiFind(w, mark);
    if (p == npos) continue;
    const std::size_t slash = platform::AnsiFindLast(std::string_view(w).substr(0, p), '/');
    if (slash != npos) {
      ex = w.substr(slash + 1) + ex;
      w.resize(slash + 1);
    }
  }
  p = platform::AnsiFindLast(w, '/');
  if (p == npos) {
    file = w;
    w.clear();
  } else if (p + 1 < w.size()) {
    file = w.substr(p + 1);
    w.resize(p + 1);
  }

  out.folder = std::move(w);
  out.fileName = std::move(file);
  out.extra = std::move(ex);
}

}  // namespace

void SplitUrl(std::string_view url, std::string* folder, std::string* fileName,
              std::string* extra) {
  TUrlParts parts;
  SplitUrlPieces(url, parts);
  if (folder) *folder = UrlDecodeText(parts.folder);
  if (fileName) *fileName = UrlDecodeText(parts.fileName);
  if (extra) *extra = std::move(parts.extra);
}

TUrlParts SplitUrl(std::string_view url) {
  TUrlParts parts;
  SplitUrl(url, &parts.folder, &parts.fileName, &parts.extra);
  return parts;
}

std::string DecodeUrl(std::string_view url) {
  TUrlParts parts = SplitUrl(url);
  return parts.folder + parts.fileName + parts.extra;
}

std::string UrlDecodeText(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  bool anyEscape = false;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '%') {
      int value = 0;
      std::size_t at = i;
      for (int k = 0; k < 2; ++k) {
        ++i;
        value <<= 4;
        if (i < text.size()) value |= HexDigitValue(static_cast<unsigned char>(text[i]));
      }
      ++i;
      if (value == 0) {
        text = text.substr(0, at);
        break;
      }
      anyEscape = true;
      bytes.push_back(static_cast<char>(value));
    } else {
      if (c == 0) {
        text = text.substr(0, i);
        break;
      }
      bytes.push_back(static_cast<char>(c));
      ++i;
    }
  }
  if (!anyEscape) return bytes;
  // The escapes are read once, in the encoding they form: UTF-8 when they are valid
  // UTF-8 that the code page can hold, else Shift_JIS as old Japanese servers escaped
  // it (/%93%FA/ is 日), else they stay as they are.  Reading Shift_JIS as UTF-8 would
  // turn every name into "?" marks, which then merge and split paths.
  if (IsValidUtf8(bytes)) {
    std::string ansi = platform::Utf16ToAnsi(platform::Utf8ToUtf16(bytes));
    if (CountByte(ansi, '?') == CountByte(bytes, '?')) return ansi;
  } else if (IsValidShiftJis(bytes)) {
    return bytes;
  }
  // Left as written, but never with a zero byte (an escape may have swallowed one).
  return std::string(text.substr(0, text.find('\0')));
}

TUrlParts SplitUrlRaw(std::string_view url) {
  TUrlParts parts;
  SplitUrlPieces(url, parts);
  return parts;
}

std::string UrlFolder(std::string_view url) {
  if (url.empty()) return {};
  const std::size_t p = platform::AnsiFindLast(url, '/');
  if (p == npos) return {};
  return std::string(url.substr(0, p + 1));  // also covers a URL that ends in '/'
}

std::string UrlParentFolder(std::string_view url) {
  std::string folder = UrlFolder(url);
  if (folder.empty()) return {};
  folder.pop_back();
  const std::size_t p = platform::AnsiFindLast(folder, '/');
  if (p == npos) return {};
  folder.resize(p + 1);
  return folder;
}

std::string UrlFolderName(std::string_view url) {
  std::string folder = UrlFolder(url);
  if (folder.empty()) return {};
  folder.pop_back();
  const std::size_t p = platform::AnsiFindLast(folder, '/');
  if (p == npos) return folder;
  return folder.substr(p + 1);
}

std::string UrlFileName(std::string_view url) {
  if (url.empty()) return {};
  const std::size_t p = platform::AnsiFindLast(url, '/');
  if (p == npos) return std::string(url);
  return std::string(url.substr(p + 1));  // "" when the URL ends in '/'
}

std::string GetUrlSiteRoot(std::string_view url) {
  const std::string w = FoldDoubleSlashes(url);
  const std::size_t first = platform::AnsiFind(w, '/');
  if (first == npos) return {};
  const std::size_t second = platform::AnsiFind(w, '/', first + 1);
  if (second == npos) return {};
  return platform::AnsiReplaceAll(std::string_view(w).substr(0, second + 1), ":/", "://");
}

std::string UrlToLocalPath(std::string_view url) {
  TUrlParts parts = SplitUrl(FoldDoubleSlashes(url));

  std::string result;
  std::string_view folder = parts.folder;
  std::size_t start = 0;
  while (start < folder.size()) {
    std::size_t end = folder.find('/', start);
    if (end == std::string_view::npos) end = folder.size();
    const std::string_view segment = folder.substr(start, end - start);
    start = end + 1;
    // An empty segment would turn into a bare separator (or an absolute path).
    if (segment.empty()) continue;
    result += EscapeFileName(segment);  // also turns "." and ".." into "$2e" forms
    result.push_back(platform::kPathDelim);
  }

  std::string file = parts.fileName + parts.extra;
  // The raw extra part may carry a zero byte; a host path would silently end there.
  if (const std::size_t nul = file.find('\0'); nul != std::string::npos) file.resize(nul);
  file = platform::AnsiReplaceAll(file, "\\", "$5c");
  file = EscapeDotName(EscapeSlashBytes(file));
  result += file;
  return result;
}

std::string MakeRelativeUrl(std::string_view base, std::string_view target) {
  TUrlParts t = SplitUrl(target);
  std::string b = FoldDoubleSlashes(base);
  std::string tFolder = FoldDoubleSlashes(t.folder);

  std::string result;
  for (;;) {
    const std::size_t bp = platform::AnsiFind(b, '/');
    if (bp == npos) {
      // Base is down to its file name: the target lies in this folder or below it.
      result = tFolder + t.fileName + t.extra;
      break;
    }
    const std::string bSeg = b.substr(0, bp);
    b.erase(0, bp + 1);

    const std::size_t tp = platform::AnsiFind(tFolder, '/');
    if (tp == npos) {
      // The target's folder is an ancestor of the base's.
      result.assign("../");
      for (std::size_t n = CountChar(b, '/'); n > 0; --n) result += "../";
      result += t.fileName + t.extra;
      break;
    }
    const std::string tSeg = tFolder.substr(0, tp);
    tFolder.erase(0, tp + 1);

    if (!platform::AnsiSameText(bSeg, tSeg)) {
      result.assign("../");
      for (std::size_t n = CountChar(b, '/'); n > 0; --n) result += "../";
      result += tSeg + "/" + tFolder + t.fileName + t.extra;
      break;
    }
  }
  return platform::AnsiReplaceAll(result, ":/", "://");
}

std::string EscapeFileName(std::string_view text) {
  static const char* const kTable[][2] = {
      {"\\", "$5c"}, {"/", "$2f"}, {":", "$3a"}, {"*", "$2a"},
      {"\"", "$22"}, {"<", "$3c"}, {">", "$3e"}, {"|", "$7c"},
  };
  // "." and ".." cannot be file names; as names they would step out of their folder.
  return EscapeDotName(ReplaceEach(text, kTable, std::size(kTable)));
}

std::string EscapeUrlPath(std::string_view text) {
  static const char* const kTable[][2] = {
      {"\\", "%5c"}, {":", "%3a"}, {"*", "%2a"}, {"?", "%3f"},
      {"\"", "%22"}, {"<", "%3c"}, {">", "%3e"}, {"|", "%7c"},
  };
  return ReplaceEach(text, kTable, std::size(kTable));
}
