#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/codepage.h"

namespace platform {
namespace {

thread_local int t_lastError = 0;

std::mutex g_mutex;           // guards the two overrides below
std::string g_winePrefix;     // host path, empty = from the environment
std::string g_settingsFolder; // ANSI path, empty = decide on demand

bool Fail(int code) {
  t_lastError = code;
  return false;
}

bool FailErrno() { return Fail(errno); }

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

UniqueFd OpenHost(const std::string& host, int flags, mode_t mode = 0) {
  UniqueFd fd(open(host.c_str(), flags | O_CLOEXEC, mode));
  if (!fd) FailErrno();
  return fd;
}

// Reads from the current offset to the end into `buf`, which is sized for `expected`
// bytes and grows when the file turns out longer; `got` is the length read.  The
// buffer is never shrunk, so a reused one costs no allocation for smaller files.
bool ReadAll(int fd, std::string& buf, std::size_t expected, std::size_t& got) {
  got = 0;
  // One byte more than expected: the read that sees the end needs no growth.
  std::size_t want = expected < 4095 ? 4096 : expected + 1;
  if (buf.size() < want) buf.resize(want);
  for (;;) {
    if (got == buf.size()) buf.resize(buf.size() * 2);
    ssize_t n = read(fd, buf.data() + got, buf.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailErrno();
    }
    if (n == 0) return true;
    got += static_cast<std::size_t>(n);
  }
}

std::string EnvOrEmpty(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}


bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsDrivePath(std::string_view p) {
  return p.size() >= 2 && IsDriveLetter(p[0]) && p[1] == ':';
}

// Case-folded UTF-16 form of a UTF-8 name, for matching directory entries the way
// Windows file systems do.
std::u16string FoldUtf8(const std::string& s) {
  std::u16string u = Utf8ToUtf16(s);
  UErrorCode err = U_ZERO_ERROR;
  std::u16string folded(u.size() * 3 + 1, u'\0');
  int32_t m = u_strFoldCase(reinterpret_cast<UChar*>(folded.data()),
                            static_cast<int32_t>(folded.size()),
                            reinterpret_cast<const UChar*>(u.data()),
                            static_cast<int32_t>(u.size()), U_FOLD_CASE_DEFAULT, &err);
  if (U_FAILURE(err)) return u;
  folded.resize(static_cast<std::size_t>(m));
  return folded;
}

bool PathExists(const std::string& host) {
  struct stat st;
  return lstat(host.c_str(), &st) == 0;
}

// The entry of `dir` whose name equals `name` ignoring case, or `name` itself.
std::string MatchSegment(const std::string& dir, const std::string& name) {
  if (PathExists(dir + "/" + name)) return name;
  DirPtr d(opendir(dir.c_str()));
  if (!d) return name;
  std::u16string want = FoldUtf8(name);
  while (dirent* e = readdir(d.get())) {
    std::string entry = e->d_name;
    if (entry == "." || entry == "..") continue;
    if (FoldUtf8(entry) == want) return entry;
  }
  return name;
}

// Folders of drive paths already mapped, by the host form their segments give before
// case matching: every page of a cache lies in one of a few body folders, and matching
// a folder's segments again for each of them would cost a look at every segment.  An
// entry is used only while its folder is still a folder there (a folder renamed or
// removed is mapped afresh), and this program's own folder changes clear them all.
class DriveFolderCache {
 public:
  // The folder remembered for `key`, not yet checked.
  bool Find(const std::string& key, std::string& host) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = folders_.find(key);
    if (it == folders_.end()) return false;
    host = it->second;
    return true;
  }
  void Remember(const std::string& key, const std::string& host) {
    if (!IsFolder(host)) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (folders_.size() >= kMaxFolders) Reset();
    auto [it, added] = folders_.try_emplace(key, host);
    if (!added) {
      if (it->second != it->first) --inexact_;
      it->second = host;
    }
    if (host != key) ++inexact_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    Reset();
  }
  // A new folder can only be a closer match for a folder that was matched ignoring
  // case; folders found under their names as written stay as they are (an export
  // that makes thousands of folders keeps its cache folders mapped).
  void ForgetInexact() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (inexact_ == 0) return;
    std::erase_if(folders_, [](const auto& item) { return item.first != item.second; });
    inexact_ = 0;
  }

  static bool IsFolder(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

 private:
  static constexpr std::size_t kMaxFolders = 4096;
  void Reset() {
    folders_.clear();
    inexact_ = 0;
  }

  std::mutex mutex_;
  std::unordered_map<std::string, std::string> folders_;
  std::size_t inexact_ = 0;  // entries whose folder differs from the key's spelling
};

DriveFolderCache& DriveFolders() {
  static DriveFolderCache cache;
  return cache;
}

// The folder keys of drive paths read before, by the path's folder part as written
// ("C:\...\Cache\0A\"): the files of a cache lie in a few folders, and the key of
// a folder part depends on nothing but its text and the prefix.
struct FolderKeyMemo {
  std::string base;  // the prefix's drive folder the keys were made under
  std::unordered_map<std::string, std::string> keys;
};

// Where the last segment of a drive path starts (after its last '\' or '/').
std::size_t LastSegmentStart(std::string_view ansi) {
  std::size_t start = 2;
  for (std::size_t i = 2; i < ansi.size();) {
    const std::size_t n = AnsiCharLength(ansi, i);
    if (n == 1 && (ansi[i] == '\\' || ansi[i] == '/')) start = i + 1;
    i += n;
  }
  return start;
}

// With `lastAsWritten` the last segment is not matched: for a caller that tries the
// exact name first and maps afresh when that fails.
std::string MapDrivePath(std::string_view ansi, bool lastAsWritten = false) {
  char drive = ansi[0];
  if (drive >= 'A' && drive <= 'Z') drive = char(drive - 'A' + 'a');
  std::string base = WinePrefix();
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  base += "/dosdevices/";
  base += drive;
  base += ':';

  thread_local FolderKeyMemo memo;
  if (memo.base != base) {
    memo.base = base;
    memo.keys.clear();
  }
  std::string_view folderPart;
  if (lastAsWritten) {
    // A folder seen before, and a plain name in it: the name as written there.
    const std::size_t cut = LastSegmentStart(ansi);
    const std::string_view name = ansi.substr(cut);
    if (!name.empty() && name != "." && name != "..") {
      folderPart = ansi.substr(0, cut);
      auto it = memo.keys.find(std::string(folderPart));
      std::string known;
      if (it != memo.keys.end() && DriveFolders().Find(it->second, known)) {
        known += '/';
        known += AnsiToUtf8(name);
        return known;
      }
    }
  }

  // Split the rest on '\' and '/', never on a trail byte.
  std::vector<std::string> segments;
  std::string_view rest = ansi.substr(2);
  std::size_t i = 0;
  std::string current;
  while (i < rest.size()) {
    std::size_t n = AnsiCharLength(rest, i);
    if (n == 1 && (rest[i] == '\\' || rest[i] == '/')) {
      segments.push_back(std::move(current));
      current.clear();
    } else {
      current.append(rest.substr(i, n));
    }
    i += n;
  }
  segments.push_back(std::move(current));

  // "." and ".." are resolved here, and ".." stops at the drive's root as it
  // does on Windows, so a drive path never leads outside its drive folder.
  std::vector<std::string> resolved;
  for (auto& seg : segments) {
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (!resolved.empty()) resolved.pop_back();
      continue;
    }
    resolved.push_back(AnsiToUtf8(seg));
  }
  std::string host = base;
  std::size_t folders = resolved.empty() ? 0 : resolved.size() - 1;
  std::string key;
  if (folders > 0) {
    key = base;
    for (std::size_t k = 0; k < folders; ++k) {
      key += '/';
      key += resolved[k];
    }
  }
  std::string last = resolved.empty() ? std::string() : resolved.back();
  bool mapped = false;
  if (folders > 0) {
    std::string known;
    if (DriveFolders().Find(key, known)) {
      // The exact name there proves the folder still there; else it is looked at.
      if (lastAsWritten || PathExists(known + "/" + last)) {
        host = std::move(known);
        host += '/';
        host += last;
        mapped = true;
        last.clear();
      } else if (DriveFolderCache::IsFolder(known)) {
        host = std::move(known);
        mapped = true;
      }
    }
    if (!mapped) {
      for (std::size_t k = 0; k < folders; ++k) {
        std::string match = MatchSegment(host, resolved[k]);
        host += '/';
        host += match;
      }
      DriveFolders().Remember(key, host);
    }
    if (!folderPart.empty()) {
      if (memo.keys.size() >= 4096) memo.keys.clear();
      memo.keys.emplace(folderPart, key);
    }
  }
  if (!last.empty()) {
    std::string match = lastAsWritten ? last : MatchSegment(host, last);
    host += '/';
    host += match;
  }
  // Keep a trailing separator: callers use it to mean "this folder".
  if (!ansi.empty() && (ansi.back() == '/' ||
                        (ansi.back() == '\\' && !IsTrailByteAt(ansi, ansi.size() - 1))) &&
      !resolved.empty())
    host += '/';
  return host;
}

std::string ParentOf(const std::string& host) {
  std::size_t slash = host.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return host.substr(0, slash);
}

bool EnsureFolderPath(const std::string& host) {
  if (host.empty()) return false;
  std::string part;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = host.find('/', pos + 1);
    part = host.substr(0, pos);
    if (part.empty()) continue;
    bool made = mkdir(part.c_str(), 0777) == 0;
    if (made) DriveFolders().ForgetInexact();
    if (!made && errno != EEXIST) return false;
  }
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithDelim(std::string s) {
  if (s.empty() || s.back() != kPathDelim) s += kPathDelim;
  return s;
}

}  // namespace

std::string HomeFolder() {
  std::string home = EnvOrEmpty("HOME");
  if (!home.empty()) return home;
  if (passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

int LastError() { return t_lastError; }
void SetLastError(int code) { t_lastError = code; }

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0 && fd_ != fd) close(fd_);
  fd_ = fd;
}

int UniqueFd::Close() {
  if (fd_ < 0) return 0;
  int code = close(fd_) == 0 ? 0 : errno;
  fd_ = -1;
  if (code != 0) t_lastError = code;
  return code;
}

UniqueFd OpenForRead(const std::string& path) {
  if (IsDrivePath(path)) {
    // The name as written, in the folder mapped before, is what the mapping gives
    // whenever it opens; anything else is mapped afresh.
    UniqueFd fd(open(MapDrivePath(path, true).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd) return fd;
  }
  return OpenHost(HostPath(path), O_RDONLY);
}

UniqueFd CreateForWrite(const std::string& path) {
  return OpenHost(HostPath(path), O_WRONLY | O_CREAT | O_TRUNC, 0666);
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailErrno();
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

void SetWinePrefix(const std::string& hostDir) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_winePrefix = hostDir;
  DriveFolders().Clear();
}

std::string WinePrefix() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_winePrefix.empty()) return g_winePrefix;
  }
  std::string env = EnvOrEmpty("WINEPREFIX");
  if (!env.empty()) return env;
  return HomeFolder() + "/.wine";
}

std::string HostPath(std::string_view ansiPath) {
  if (IsDrivePath(ansiPath)) return MapDrivePath(ansiPath);
  return AnsiToUtf8(ansiPath);
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  UniqueFd fd = OpenForRead(path);
  if (!fd) return false;
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return FailErrno();
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  std::size_t got = 0;
  if (!ReadAll(fd.get(), out, static_cast<std::size_t>(st.st_size), got)) {
    out.clear();
    return false;
  }
  out.resize(got);
  return true;
}

bool ReadFileHead(const std::string& path, std::size_t maxBytes, std::string& out) {
  out.resize(maxBytes);
  UniqueFd fd = OpenForRead(path);
  std::size_t got = 0;
  while (fd && got < maxBytes) {
    ssize_t n = read(fd.get(), out.data() + got, maxBytes - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      out.clear();
      return FailErrno();
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  return static_cast<bool>(fd);
}

void FileBuffer::Clear() {
  std::string().swap(bytes_);
  mapping_.Close();
  view_ = {};
}

bool ReadHostFile(const std::string& hostPath, FileBuffer& buffer) {
  buffer.view_ = {};
  buffer.mapping_.Close();
  // A file that grew past the threshold while being read should not keep its
  // memory for all the small files after it.
  if (buffer.bytes_.size() > FileBuffer::kMapThreshold + 1) std::string().swap(buffer.bytes_);
  UniqueFd fd = OpenHost(hostPath, O_RDONLY);
  if (!fd) return false;
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return FailErrno();
  if (!S_ISREG(st.st_mode)) return Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  std::size_t size = static_cast<std::size_t>(st.st_size);
  if (size > FileBuffer::kMapThreshold) {
    if (!buffer.mapping_.Map(fd.get(), size)) return false;
    buffer.view_ = buffer.mapping_.view();
    return true;
  }
  std::size_t got = 0;
  if (!ReadAll(fd.get(), buffer.bytes_, size, got)) return false;
  buffer.view_ = std::string_view(buffer.bytes_.data(), got);
  return true;
}

bool ReadFile(const std::string& path, FileBuffer& buffer) {
  return ReadHostFile(HostPath(path), buffer);
}

bool AtomicWriteFile(const std::string& path, std::string_view bytes) {
  std::string host = HostPath(path);
  if (host.empty() || host.back() == '/') return Fail(EINVAL);
  std::string tmpl = host + ".tmpXXXXXX";
  UniqueFd fd(mkstemp(tmpl.data()));
  if (!fd) return FailErrno();
  // mkstemp makes the file private; give it the old file's mode, or the usual
  // mode of a new file.
  struct stat old;
  mode_t mode;
  if (stat(host.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), bytes) && fsync(fd.get()) == 0;
  int code = errno;
  if (int closed = fd.Close(); closed != 0 && ok) {
    ok = false;
    code = closed;
  }
  if (ok && rename(tmpl.c_str(), host.c_str()) != 0) {
    ok = false;
    code = errno;
  }
  if (!ok) {
    unlink(tmpl.c_str());
    return Fail(code);
  }
  // Make the rename itself durable.
  if (UniqueFd dir(open(ParentOf(host).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir)
    fsync(dir.get());
  return true;
}

MappedFile::~MappedFile() { Close(); }

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(other.data_), size_(other.size_), open_(other.open_) {
  other.data_ = nullptr;
  other.size_ = 0;
  other.open_ = false;
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Close();
    data_ = other.data_;
    size_ = other.size_;
    open_ = other.open_;
    other.data_ = nullptr;
    other.size_ = 0;
    other.open_ = false;
  }
  return *this;
}

bool MappedFile::Open(const std::string& path, bool populate) {
  Close();
  UniqueFd fd = OpenForRead(path);
  if (!fd) return false;
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return FailErrno();
  if (!S_ISREG(st.st_mode)) return Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  return Map(fd.get(), static_cast<std::size_t>(st.st_size), populate);
}

bool MappedFile::Map(int fd, std::size_t size, bool populate) {
  Close();
  if (size > 0) {
    void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | (populate ? MAP_POPULATE : 0), fd, 0);
    if (p == MAP_FAILED) return FailErrno();
    data_ = static_cast<const unsigned char*>(p);
    size_ = size;
  }
  open_ = true;
  return true;
}

void MappedFile::Close() {
  if (data_ && size_ > 0) munmap(const_cast<unsigned char*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
  open_ = false;
}

bool FileExists(const std::string& path) {
  struct stat st;
  if (stat(HostPath(path).c_str(), &st) != 0) return FailErrno();
  if (!S_ISREG(st.st_mode)) return Fail(EISDIR);
  return true;
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  if (stat(HostPath(path).c_str(), &st) != 0) return FailErrno();
  if (!S_ISDIR(st.st_mode)) return Fail(ENOTDIR);
  return true;
}

bool FileOrDirectoryExists(const std::string& path) {
  struct stat st;
  if (stat(HostPath(path).c_str(), &st) != 0) return FailErrno();
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return Fail(EINVAL);
  return true;
}

bool GetFileSize(const std::string& path, std::uint64_t& size) {
  struct stat st;
  if (stat(HostPath(path).c_str(), &st) != 0) return FailErrno();
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool CreateOneFolder(const std::string& path) {
  if (mkdir(HostPath(path).c_str(), 0777) != 0) return FailErrno();
  // A new folder can be a closer match for a name mapped before.
  DriveFolders().ForgetInexact();
  return true;
}

bool CopyFileReplace(const std::string& from, const std::string& to) {
  std::uint64_t copied = 0;
  return CopyFileReplace(from, to, copied);
}

bool CopyFileReplace(const std::string& from, const std::string& to, std::uint64_t& copied) {
  copied = 0;
  std::string dst = HostPath(to);
  UniqueFd in = OpenForRead(from);
  if (!in) return false;
  struct stat sst;
  if (fstat(in.get(), &sst) != 0) return FailErrno();
  if (!S_ISREG(sst.st_mode)) return Fail(EISDIR);
  // Copying a file onto itself would truncate it before reading it.
  struct stat dst_st;
  if (stat(dst.c_str(), &dst_st) == 0 && dst_st.st_dev == sst.st_dev &&
      dst_st.st_ino == sst.st_ino)
    return Fail(EINVAL);
  UniqueFd out = OpenHost(dst, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (!out) return false;
  char buf[65536];
  for (;;) {
    ssize_t n = read(in.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailErrno();
    }
    if (n == 0) break;
    if (!WriteAll(out.get(), std::string_view(buf, static_cast<std::size_t>(n)))) return false;
    copied += static_cast<std::uint64_t>(n);
  }
  // Like the system copy, the copy keeps the source's last-write time.
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1] = sst.st_mtim;
  futimens(out.get(), times);
  return out.Close() == 0;
}

bool DeleteOneFile(const std::string& path) {
  std::string host = HostPath(path);
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return FailErrno();
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  if (unlink(host.c_str()) != 0) return FailErrno();
  return true;
}

void DeleteTreeSilent(const std::string& path) {
  // Folders mapped before may go; the next look maps them afresh.
  DriveFolders().Clear();
  std::string host = HostPath(path);
  if (host.empty()) return;
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    unlink(host.c_str());
    return;
  }
  // FTW_PHYS: links inside the tree are removed, never followed.
  nftw(
      host.c_str(),
      [](const char* p, const struct stat*, int type, FTW*) {
        if (type == FTW_DP || type == FTW_D || type == FTW_DNR)
          rmdir(p);
        else
          unlink(p);
        return 0;
      },
      32, FTW_DEPTH | FTW_PHYS);
}

std::vector<std::string> ListFolder(const std::string& path, bool filesOnly,
                                    std::vector<std::string>* links) {
  std::vector<std::string> names;
  DirPtr d(opendir(HostPath(path).c_str()));
  if (!d) {
    FailErrno();
    return names;
  }
  while (dirent* e = readdir(d.get())) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (filesOnly && e->d_type != DT_REG) {
      // Links and file systems that leave the type open need a look at the entry.
      struct stat st;
      if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) continue;
      if (fstatat(dirfd(d.get()), e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    }
    if (links && e->d_type != DT_REG) {
      struct stat own;
      if (fstatat(dirfd(d.get()), e->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode)) {
        links->push_back(Utf8ToAnsi(name));
        continue;
      }
    }
    names.push_back(Utf8ToAnsi(name));
  }
  return names;
}

bool StaysInside(const std::string& path, const std::string& folder) {
  char* resolvedFolder = realpath(HostPath(folder).c_str(), nullptr);
  if (!resolvedFolder) return FailErrno();
  std::string root = resolvedFolder;
  std::free(resolvedFolder);
  char* resolvedPath = realpath(HostPath(path).c_str(), nullptr);
  if (!resolvedPath) return FailErrno();
  std::string target = resolvedPath;
  std::free(resolvedPath);
  if (root != "/") root += '/';
  return target.size() > root.size() && target.compare(0, root.size(), root) == 0;
}

std::string TempFolder() {
  std::string tmp = EnvOrEmpty("TMPDIR");
  if (tmp.empty()) tmp = "/tmp";
  return WithDelim(Utf8ToAnsi(tmp));
}

std::string CreateUniqueFolder(const std::string& parent, const std::string& prefix) {
  // The random part is plain ASCII at the end, so the host name and the ANSI name
  // end in the same six characters.
  std::string ansiName = JoinPath(parent.empty() ? "." : parent, prefix + "XXXXXX");
  std::string tmpl = HostPath(ansiName);
  if (tmpl.size() < 6 || !mkdtemp(tmpl.data())) {
    FailErrno();
    return {};
  }
  DriveFolders().Clear();
  ansiName.replace(ansiName.size() - 6, 6, tmpl.substr(tmpl.size() - 6));
  return ansiName;
}

std::string ExecutableFolder() {
  std::string buf(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0) {
    FailErrno();
    return WithDelim(".");
  }
  buf.resize(static_cast<std::size_t>(n));
  return WithDelim(Utf8ToAnsi(ParentOf(buf)));
}

std::string InstalledDataFolder(const std::string& executableFolder) {
  std::string host = HostPath(executableFolder);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  if (host.size() < 4 || host.compare(host.size() - 4, 4, "/bin") != 0) return {};
  std::string share = host.substr(0, host.size() - 3) + "share/tollhaven";
  struct stat st;
  if (stat(share.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  return WithDelim(Utf8ToAnsi(share));
}

std::string DataFolder() {
  std::string exe = ExecutableFolder();
  std::string installed = InstalledDataFolder(exe);
  return installed.empty() ? exe : installed;
}

void SetSettingsFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_settingsFolder = folder;
}

std::string SettingsFolder() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_settingsFolder.empty()) return WithDelim(g_settingsFolder);
  }
  std::string exe = ExecutableFolder();
  // An installed program never writes beside itself, even when run by root.
  if (InstalledDataFolder(exe).empty() && access(HostPath(exe).c_str(), W_OK) == 0) return exe;
  std::string config = EnvOrEmpty("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = HomeFolder() + "/.config";
  std::string host = config + "/tollhaven";
  EnsureFolderPath(host);
  return WithDelim(Utf8ToAnsi(host));
}

std::string JoinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  if (b.empty()) return std::string(a);
  std::size_t end = a.size();
  while (end > 0 && (a[end - 1] == '/' ||
                     (a[end - 1] == '\\' && !IsTrailByteAt(a, end - 1))))
    --end;
  std::size_t start = 0;
  while (start < b.size() && (b[start] == '/' || b[start] == '\\')) ++start;
  std::string out(a.substr(0, end));
  out += kPathDelim;
  out.append(b.substr(start));
  return out;
}

}  // namespace platform
