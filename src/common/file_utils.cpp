#include "common/file_utils.h"

#include <algorithm>
#include <stdexcept>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_error.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// "C:" — a drive on its own, which is its own parent.
bool IsDriveSpec(const std::string& s) {
  return s.size() == 2 && s[1] == ':' &&
         ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

// Position of the last separator, '\' only where it is not a trail byte.
std::size_t LastSeparator(const std::string& s) {
  const std::size_t slash = s.rfind('/');
  const std::size_t back = platform::AnsiFindLast(s, '\\');
  if (slash == std::string::npos) return back;
  if (back == platform::npos) return slash;
  return std::max(slash, back);
}

// Drops one trailing separator (unless it is a trail byte of a kanji).
std::string WithoutTrailingSeparator(const std::string& path) {
  if (!path.empty() && IsSeparator(path.back()) &&
      !platform::IsTrailByteAt(path, path.size() - 1)) {
    return path.substr(0, path.size() - 1);
  }
  return path;
}

}  // namespace

std::string GetNetscapeExePath() {
  static const char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe";
  return platform::Registry::Current()
      .ReadString(platform::RootKey::LocalMachine, kKey, "")
      .value_or(std::string());
}

bool GetFileLocalWriteTime(const std::string& path, platform::FILETIME& localFileTime) {
  // Only a file that could be opened for reading counts, not a folder.
  if (!platform::FileExists(path)) return false;
  platform::FILETIME utc = 0;
  if (!platform::GetFileLastWriteTime(path, utc)) return false;
  return platform::FileTimeToLocalFileTime(utc, localFileTime);
}

std::string CreateWorkFolder() {
  std::string temp = platform::TempFolder();
  if (temp.empty()) return {};
  if (temp.back() != platform::kPathDelim) temp.push_back(platform::kPathDelim);
  std::string folder = platform::CreateUniqueFolder(temp, "TLH");
  if (folder.empty()) return {};
  folder.push_back(platform::kPathDelim);
  return folder;
}

void DeleteFolderTree(const std::string& path) {
  const std::string target = WithoutTrailingSeparator(path);
  // Never hand the whole file system (or, for "", the current folder) to a recursive delete.
  if (target.empty() || IsDriveSpec(target)) return;
  platform::DeleteTreeSilent(target);
}

std::string GetProgramFolder() { return platform::ExecutableFolder(); }

std::string GetSystemErrorText(int code) { return platform::SystemErrorText(code); }

bool FolderExists(const std::string& path) { return platform::DirectoryExists(path); }

bool CreateFolderPath(const std::string& path) {
  if (path.empty()) throw std::invalid_argument("CreateFolderPath: empty path");
  const std::string folder = WithoutTrailingSeparator(path);
  if (folder.empty() || IsDriveSpec(folder)) return true;  // "/" or "C:" / "C:\"
  if (platform::DirectoryExists(folder)) return true;

  const std::size_t sep = LastSeparator(folder);
  if (sep != std::string::npos) {
    const std::string parent = folder.substr(0, sep + 1);
    // "/x" has the root as parent, "C:\x" the drive; both are there already.
    if (!CreateFolderPath(parent)) return false;
  }
  if (platform::CreateOneFolder(folder)) return true;
  // Someone else may have made it in between.
  return platform::DirectoryExists(folder);
}
