// Files and folders.  Every path taken here is an ANSI (CP932) path.  A drive-letter
// path ("C:\Program Files\...") is mapped into the host file system the way Wine does
// it ($WINEPREFIX/dosdevices/c:, default prefix ~/.wine), each segment matched
// without regard to case when the exact name is missing; host paths pass through.
// Failures return false / empty and leave an error code for LastError().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The host's path separator; paths this program builds itself use it.
inline constexpr char kPathDelim = '/';

// The error code of the last failed call in this thread (an errno value).
int LastError();
void SetLastError(int code);

// The host file-system path (UTF-8 bytes) for an ANSI path.
std::string HostPath(std::string_view ansiPath);
// The user's home folder as a host path ($HOME, else the password database's).
std::string HomeFolder();
// Wine prefix used for drive-letter paths.
void SetWinePrefix(const std::string& hostDir);
std::string WinePrefix();

// A file descriptor that closes itself.  Close() is for writers, who must hear
// about a failing close (the last write can fail there).
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1);
  // Closes now; 0, or the errno of the failed close (also left for LastError()).
  int Close();

 private:
  int fd_ = -1;
};

// Opens for reading / creates or truncates for writing (mode 0666 less the umask).
// On failure the result is empty and LastError() holds the reason.
UniqueFd OpenForRead(const std::string& path);
UniqueFd CreateForWrite(const std::string& path);
// Writes every byte, retrying short writes; false leaves the reason for LastError().
bool WriteAll(int fd, std::string_view bytes);

bool ReadWholeFile(const std::string& path, std::string& out);
// The first `maxBytes` bytes of a file, or all of it when it is shorter.
bool ReadFileHead(const std::string& path, std::size_t maxBytes, std::string& out);
// Writes to a temporary file beside `path` and renames it over the old one.
bool AtomicWriteFile(const std::string& path, std::string_view bytes);

// Read-only memory mapping; an empty file maps to an empty view.
class MappedFile {
 public:
  MappedFile() = default;
  explicit MappedFile(const std::string& path) { Open(path); }
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;

  // With `populate`, the pages are brought in at once rather than one fault at a time
  // (for a file that is read through).
  bool Open(const std::string& path, bool populate = false);
  // Maps `size` bytes of an open regular file; the descriptor may be closed after.
  bool Map(int fd, std::size_t size, bool populate = false);
  void Close();
  bool IsOpen() const { return open_; }
  const unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::string_view view() const {
    return {reinterpret_cast<const char*>(data_), size_};
  }

 private:
  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  bool open_ = false;
};

// The bytes of the last file given to ReadFile.  Small files are read into a buffer
// that stays for the next call (many small files cost one allocation); large ones
// are mapped rather than copied.  view() is valid until the next ReadFile or Clear.
class FileBuffer {
 public:
  // Files larger than this are mapped.
  static constexpr std::size_t kMapThreshold = std::size_t(16) << 20;

  std::string_view view() const { return view_; }
  std::size_t size() const { return view_.size(); }
  // Drops the bytes, the mapping and the kept buffer.
  void Clear();

 private:
  friend bool ReadHostFile(const std::string& hostPath, FileBuffer& buffer);
  std::string bytes_;  // its size is the capacity in use; view_ holds the length
  MappedFile mapping_;
  std::string_view view_;
};

// Reads a regular file (a folder or device fails with EISDIR / EINVAL).
bool ReadFile(const std::string& path, FileBuffer& buffer);
// The same for a host path (UTF-8 bytes), which is not mapped from a drive path.
bool ReadHostFile(const std::string& hostPath, FileBuffer& buffer);

bool FileExists(const std::string& path);     // a file, not a folder
bool DirectoryExists(const std::string& path);
bool FileOrDirectoryExists(const std::string& path);  // either of the two, one look
bool GetFileSize(const std::string& path, std::uint64_t& size);
bool CreateOneFolder(const std::string& path);   // parent must exist
bool CopyFileReplace(const std::string& from, const std::string& to);
// The same, telling how many bytes the copy received.
bool CopyFileReplace(const std::string& from, const std::string& to, std::uint64_t& copied);
bool DeleteOneFile(const std::string& path);
// Removes a folder and everything below it; reports nothing.
void DeleteTreeSilent(const std::string& path);
// Names (not full paths) of the entries of a folder; with `filesOnly`, of the files
// (links followed) and not the folders.  Given `links`, entries that are symbolic
// links go there instead.
std::vector<std::string> ListFolder(const std::string& path, bool filesOnly = false,
                                    std::vector<std::string>* links = nullptr);
// True when `path` exists and, every link followed, lies below `folder` (also
// resolved); false for anything that leads out of it.
bool StaysInside(const std::string& path, const std::string& folder);

// The user's temporary folder, ending in the separator.
std::string TempFolder();
// Creates a new, empty, uniquely named folder `prefix`XXXX in `parent`; returns its
// path without a trailing separator, or "" on failure.
std::string CreateUniqueFolder(const std::string& parent, const std::string& prefix);

// The folder of the running executable, ending in the separator.
std::string ExecutableFolder();
// For an executable in <prefix>/bin/ whose <prefix>/share/tollhaven/ exists (an
// installed program): that share folder, ending in the separator.  "" otherwise.
std::string InstalledDataFolder(const std::string& executableFolder);
// The program's read-only files (the help file): the share folder of an installed
// program, else the executable's folder (a build tree, a portable copy).
std::string DataFolder();
// Where settings files live: beside the executable when that folder is writable and
// the program is not installed, else $XDG_CONFIG_HOME/tollhaven/ (default
// ~/.config/tollhaven/), created on demand.  Ends in the separator.  An override
// (tests, --settings) wins when set.
std::string SettingsFolder();
void SetSettingsFolder(const std::string& folder);

// Joins with exactly one separator between the parts.
std::string JoinPath(std::string_view a, std::string_view b);

}  // namespace platform
