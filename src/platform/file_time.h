// Date-times as the program stores and shows them: the eight-field SYSTEMTIME
// and the 64-bit FILETIME count of 100-ns ticks since 1601-01-01.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct SYSTEMTIME {
  std::uint16_t wYear = 0;
  std::uint16_t wMonth = 0;
  std::uint16_t wDayOfWeek = 0;
  std::uint16_t wDay = 0;
  std::uint16_t wHour = 0;
  std::uint16_t wMinute = 0;
  std::uint16_t wSecond = 0;
  std::uint16_t wMilliseconds = 0;
  friend bool operator==(const SYSTEMTIME&, const SYSTEMTIME&) = default;
};

using FILETIME = std::uint64_t;

FILETIME UnixSecondsToFileTime(std::int64_t seconds);
std::int64_t FileTimeToUnixSeconds(FILETIME ft);

// Local time follows the host's time zone (TZ).
bool FileTimeToLocalFileTime(FILETIME utc, FILETIME& local);
bool LocalFileTimeToFileTime(FILETIME local, FILETIME& utc);
bool FileTimeToSystemTime(FILETIME ft, SYSTEMTIME& st);
bool SystemTimeToFileTime(const SYSTEMTIME& st, FILETIME& ft);
SYSTEMTIME GetLocalTime();    // now, local
FILETIME GetSystemTimeAsFileTime();  // now, UTC

// A file's last-write time (UTC).  Paths are ANSI paths (see files.h).
bool GetFileLastWriteTime(const std::string& path, FILETIME& utc);
bool SetFileLastWriteTime(const std::string& path, FILETIME utc);

}  // namespace platform
