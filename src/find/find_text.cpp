#include "find/find_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/codepage.h"
#include "platform/files.h"
#include "text/jcode.h"

namespace {

inline std::size_t CharLenAt(std::string_view s, std::size_t i) {
  return platform::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// Folds ASCII letters in single-byte positions; trail bytes stay as they are.
std::string FoldContent(std::string_view s) {
  std::string out(s);
  char* p = out.data();
  const std::size_t n = out.size();
  for (std::size_t i = 0; i < n;) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    if (c < 0x80) {
      if (c >= 'A' && c <= 'Z') p[i] = static_cast<char>(c + 32);
      ++i;
    } else {
      i += platform::IsLeadByte(c) && i + 1 < n ? 2 : 1;
    }
  }
  return out;
}

// First occurrence of `text` in `s` that starts on a character boundary.
bool FindAtBoundary(std::string_view s, std::string_view text) {
  if (text.empty()) return true;
  if (text.size() > s.size()) return false;
  const char* base = s.data();
  std::size_t from = 0;     // where the next candidate search starts
  std::size_t boundary = 0; // a known character boundary at or before `from`
  while (from + text.size() <= s.size()) {
    const void* hit = memmem(base + from, s.size() - from, text.data(), text.size());
    if (!hit) return false;
    std::size_t pos = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
    while (boundary < pos) boundary += CharLenAt(s, boundary);
    if (boundary == pos) return true;
    // The candidate began on a trail byte: look again from the next byte.
    from = pos + 1;
  }
  return false;
}


// A text that can only match plain single-byte characters: printable ASCII without
// '?' (which a converter may write for a character it cannot map).
bool PlainAsciiText(std::string_view text) {
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c > 0x7E || c == '?') return false;
  }
  return true;
}

// True when converting the body could bring two runs of single-byte text together
// that lie apart in the raw bytes (a byte or a sequence dropped between them): then
// the raw bytes say nothing about what the converted text holds.
bool ConversionMayJoin(std::string_view s, int code) {
  const char* p = s.data();
  const std::size_t n = s.size();
  if (code == JCODE_EUC) return std::memchr(p, 0x8E, n) != nullptr;  // SS2 is dropped
  if (std::memchr(p, 0x0E, n)) return true;  // shifted kana runs
  bool ascii = true;
  std::size_t lastEnd = SIZE_MAX;
  for (std::size_t i = 0; i < n;) {
    const void* hit = std::memchr(p + i, 0x1B, n - i);
    if (!hit) break;
    std::size_t e = static_cast<std::size_t>(static_cast<const char*>(hit) - p);
    if (e + 2 >= n) return true;
    std::size_t len = 3;
    if (s[e + 1] == '(') {
      char f = s[e + 2];
      bool toAscii = f == 'B' || f == 'J' || f == 'H';
      // Single-byte text after single-byte text, or after an empty kanji or kana run.
      if (toAscii && (ascii || e == lastEnd)) return true;
      ascii = toAscii;
    } else if (s[e + 1] == '$') {
      if (s[e + 2] == '(') len = 4;
      ascii = false;
    } else {
      return true;  // an escape the converter may drop
    }
    lastEnd = e + len;
    i = e + len;
  }
  return false;
}

bool FindInContent(std::string_view content, std::string_view text, bool ignoreCase) {
  if (ignoreCase) {
    std::string folded = FoldContent(content);
    return FindAtBoundary(folded, text);
  }
  return FindAtBoundary(content, text);
}

}  // namespace

bool BytesContainText(std::string_view content, std::string_view text, bool ignoreCase) {
  if (text.empty()) return true;
  std::string converted;
  int code = InCodeCheck(content);
  if (code == JCODE_JIS || code == JCODE_JIS_OLD || code == JCODE_EUC) {
    // Converting is the costly part.  A plain ASCII text can only be found in the
    // converted body where it already stands in the raw bytes (conversion keeps
    // single-byte runs as they are), so a raw miss settles it, unless conversion
    // could join runs.
    if (PlainAsciiText(text) && !ConversionMayJoin(content, code == JCODE_EUC ? JCODE_EUC : JCODE_JIS)) {
      std::string folded;
      std::string_view raw = content;
      if (ignoreCase) {
        // Folding every ASCII letter finds at least what the converted body holds.
        folded.assign(content);
        for (char& c : folded)
          if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        raw = folded;
      }
      if (!memmem(raw.data(), raw.size(), text.data(), text.size())) return false;
    }
    converted = StrictConvertJCode(content, code, JCODE_SJIS);
    content = converted;
  }
  return FindInContent(content, text, ignoreCase);
}

bool FileContainsText(const std::string& path, std::string_view text, bool ignoreCase) {
  constexpr std::size_t kReadLimit = std::size_t(16) << 20;
  if (path.empty()) return false;
  // Bodies are small and many: one read into a buffer kept by the thread costs less
  // than mapping and unmapping each file.
  int fd = open(platform::HostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  std::size_t size = static_cast<std::size_t>(st.st_size);
  if (size > kReadLimit) {
    // Large bodies (video, archives) are mapped rather than copied.
    close(fd);
    platform::MappedFile file;
    return file.Open(path) && BytesContainText(file.view(), text, ignoreCase);
  }
  thread_local std::string buffer;
  if (buffer.size() < size + 1) buffer.resize(size + 1);
  std::size_t got = 0;
  while (true) {
    if (got == buffer.size()) buffer.resize(buffer.size() * 2);  // the file grew
    ssize_t n = read(fd, buffer.data() + got, buffer.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  bool found = BytesContainText(std::string_view(buffer.data(), got), text, ignoreCase);
  // A very large body should not stay in memory for the rest of the search.
  if (buffer.size() > kReadLimit) std::string().swap(buffer);
  return found;
}

