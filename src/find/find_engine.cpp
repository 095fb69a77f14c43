#include "find/find_engine.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/codepage.h"
#include "platform/files.h"
#include "text/jcode.h"
#include "tree/web_cache_tree.h"

namespace {

inline std::size_t CharLenAt(std::string_view s, std::size_t i) {
  return platform::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

inline std::uint16_t FoldAscii(std::uint16_t c) {
  return c >= 'A' && c <= 'Z' ? static_cast<std::uint16_t>(c - 'A' + 'a') : c;
}

// Reads the character at `i` (one or two bytes) and moves past it.
inline std::uint16_t NextChar(std::string_view s, std::size_t& i) {
  std::size_t n = CharLenAt(s, i);
  std::uint16_t c = static_cast<unsigned char>(s[i]);
  if (n == 2) c = static_cast<std::uint16_t>((c << 8) | static_cast<unsigned char>(s[i + 1]));
  i += n;
  return c;
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

}  // namespace

std::int32_t FindDayNumber(int year, int month, int day) {
  // Days from the civil calendar (H. Hinnant's algorithm).
  year -= month <= 2;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153u * static_cast<unsigned>(month + (month > 2 ? -3 : 9)) + 2) / 5 +
                       static_cast<unsigned>(day) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int32_t>(doe) - 719468;
}

void TFindData::AddName(const std::string& pattern) {
  auto it = std::lower_bound(Names.begin(), Names.end(), pattern);
  if (it == Names.end() || *it != pattern) Names.insert(it, pattern);
}

void TFindData::AddType(const std::string& extension) {
  auto it = std::lower_bound(Types.begin(), Types.end(), extension);
  if (it == Types.end() || *it != extension) Types.insert(it, extension);
}

// ---- masks ----

TFindMask::TFindMask(std::string_view mask) {
  std::size_t i = 0;
  while (i < mask.size()) {
    std::uint16_t c = NextChar(mask, i);
    if (c == '*') {
      if (tokens_.empty() || tokens_.back().kind != Token::Star) tokens_.emplace_back(Token::Star);
    } else if (c == '?') {
      tokens_.emplace_back(Token::Any);
    } else if (c == '[') {
      Token set(Token::Set);
      if (i < mask.size() && mask[i] == '!') {
        set.negate = true;
        ++i;
      }
      bool closed = false;
      while (i < mask.size()) {
        std::uint16_t low = NextChar(mask, i);
        if (low == ']') {
          closed = true;
          break;
        }
        std::uint16_t high = low;
        if (i < mask.size() && mask[i] == '-') {
          ++i;
          if (i >= mask.size() || mask[i] == ']') {
            malformed_ = true;  // "[a-]": a range without an end
            return;
          }
          high = NextChar(mask, i);
        }
        low = FoldAscii(low);
        high = FoldAscii(high);
        if (high < low) std::swap(low, high);
        set.ranges.push_back({low, high});
      }
      if (!closed || set.ranges.empty()) {
        malformed_ = true;
        return;
      }
      tokens_.push_back(std::move(set));
    } else {
      Token t(Token::Char);
      t.ch = FoldAscii(c);
      tokens_.push_back(std::move(t));
    }
  }
}

bool TFindMask::TokenMatches(const Token& token, std::uint16_t ch) const {
  switch (token.kind) {
    case Token::Char:
      return token.ch == ch;
    case Token::Any:
      return true;
    case Token::Set: {
      bool in = false;
      for (const Range& r : token.ranges) in = in || (ch >= r.low && ch <= r.high);
      return in != token.negate;
    }
    case Token::Star:
      break;
  }
  return false;
}

bool TFindMask::Matches(std::string_view text) const {
  if (malformed_) return false;
  std::vector<std::uint16_t> chars;
  chars.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) chars.push_back(FoldAscii(NextChar(text, i)));

  // Iterative matching; on a mismatch the last '*' takes one more character.
  std::size_t ti = 0, pi = 0, starP = SIZE_MAX, starT = 0;
  const std::size_t n = chars.size(), m = tokens_.size();
  while (ti < n) {
    if (pi < m && tokens_[pi].kind != Token::Star && TokenMatches(tokens_[pi], chars[ti])) {
      ++pi;
      ++ti;
    } else if (pi < m && tokens_[pi].kind == Token::Star) {
      starP = pi++;
      starT = ti;
    } else if (starP != SIZE_MAX) {
      pi = starP + 1;
      ti = ++starT;
    } else {
      return false;
    }
  }
  while (pi < m && tokens_[pi].kind == Token::Star) ++pi;
  return pi == m;
}

TMaskResult MatchesMask(std::string_view text, std::string_view mask) {
  TFindMask compiled(mask);
  if (compiled.Malformed()) return TMaskResult::Malformed;
  return compiled.Matches(text) ? TMaskResult::Match : TMaskResult::NoMatch;
}

// ---- content ----

namespace {

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

// ---- the thread ----

TFindThread::TFindThread() = default;

TFindThread::~TFindThread() {
  Terminate();
  if (thread_.joinable()) thread_.join();
}

void TFindThread::SetCriteria(std::unique_ptr<TFindData> data) {
  criteria_ = std::move(data);
  masks_.clear();
  if (!criteria_) return;
  for (const std::string& p : criteria_->Names) masks_.emplace_back("*" + p + "*");
}

void TFindThread::Dispatch(const std::function<void()>& call) {
  if (Synchronize) Synchronize(call);
  else call();
}

void TFindThread::Resume() {
  if (started_) return;
  started_ = true;
  thread_ = std::thread([this] { Run(); });
}

void TFindThread::Run() {
  if (IdlePriority) {
    sched_param param{};
    param.sched_priority = 0;
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) != 0)
      setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
  }
  Execute();
}

void TFindThread::Execute() {
  if (criteria_ && criteria_->StartNode) SearchNode(criteria_->StartNode);
  if (OnTerminate) Dispatch([this] { OnTerminate(*this); });
  finished_.store(true, std::memory_order_release);
}

void TFindThread::WaitFor(const std::function<void()>& pump) {
  if (!thread_.joinable()) return;
  if (pump) {
    while (!Finished()) {
      pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  thread_.join();
}

bool TFindThread::NameMatches(const std::string& lowerName) const {
  // A malformed mask never matches, so the next one gets its turn.
  for (const TFindMask& mask : masks_)
    if (mask.Matches(lowerName)) return true;
  return false;
}

void TFindThread::SearchNode(TWebCacheTreeNode* node) {
  if (!node) return;
  if (OnFolder) {
    const std::string& url = node->EntryInfo().FolderUrl;
    Dispatch([this, &url] { OnFolder(*this, url); });
  }
  for (std::size_t i = 0; i < node->Count() && !Terminated(); ++i) TestNode(node->Items(i));
  if (!criteria_ || !criteria_->SubFolders) return;
  for (std::size_t i = 0; i < node->Count() && !Terminated(); ++i) SearchNode(node->Items(i));
}

bool TFindThread::TestNode(TWebCacheTreeNode* node) {
  if (Terminated() || !node || !criteria_) return false;
  if (PausePerNode.count() > 0) std::this_thread::sleep_for(PausePerNode);
  ++tested_;
  const TFindData& c = *criteria_;
  const bool folder = node->IsFolder();
  if (folder && node->GetLevel() <= 1) return false;

  const TWebCacheEntryInfoEx& entry = node->EntryInfo();
  if (c.DateEnabled) {
    const platform::SYSTEMTIME& t = entry.LastModified;
    std::int32_t day = FindDayNumber(t.wYear, t.wMonth, t.wDay);
    if (day < c.DateFrom || day > c.DateTo) return false;
  }
  std::string name;
  if (!folder) {
    if (c.SizeEnabled && (entry.Size < c.SizeMin || entry.Size > c.SizeMax)) return false;
    if (c.TypeEnabled) {
      name = node->GetDisplayName();
      std::size_t dot = platform::AnsiFindLast(name, '.');
      std::string ext =
          dot == platform::npos ? std::string() : platform::AnsiLowerCase(name.substr(dot));
      if (!std::binary_search(c.Types.begin(), c.Types.end(), ext)) return false;
    }
  } else if (c.TypeEnabled) {
    return false;
  }
  if (!masks_.empty()) {
    if (name.empty()) name = node->GetDisplayName();
    if (!NameMatches(platform::AnsiLowerCase(name))) return false;
  }
  if (!c.Contains.empty()) {
    if (folder) return false;
    if (!FileContainsText(entry.LocalFileName, c.Contains, c.IgnoreCase)) return false;
  }
  FoundNode = node;
  if (OnFound) Dispatch([this, node] { OnFound(*this, node); });
  return true;
}
