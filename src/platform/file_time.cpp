#include "platform/file_time.h"

#include <sys/stat.h>
#include <fcntl.h>
#include <time.h>

#include <cerrno>

#include "platform/files.h"

namespace platform {
namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochDelta = 11'644'473'600;
// FILETIME values from 2^63 on are rejected, as the system does.
constexpr FILETIME kMaxFileTime = 0x7FFF'FFFF'FFFF'FFFFull;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Seconds since 1970 (may be negative) and the sub-second ticks of a FILETIME.
std::int64_t UnixPart(FILETIME ft) {
  return static_cast<std::int64_t>(ft / kTicksPerSecond) - kEpochDelta;
}
std::uint64_t TickPart(FILETIME ft) { return ft % kTicksPerSecond; }

bool FromUnix(std::int64_t seconds, std::uint64_t ticks, FILETIME& ft) {
  if (seconds < -kEpochDelta) return false;
  std::uint64_t s = static_cast<std::uint64_t>(seconds + kEpochDelta);
  if (s > (kMaxFileTime - ticks) / kTicksPerSecond) return false;
  ft = s * kTicksPerSecond + ticks;
  return true;
}

SYSTEMTIME FromTm(const tm& t, unsigned ms) {
  SYSTEMTIME st;
  st.wYear = static_cast<std::uint16_t>(t.tm_year + 1900);
  st.wMonth = static_cast<std::uint16_t>(t.tm_mon + 1);
  st.wDayOfWeek = static_cast<std::uint16_t>(t.tm_wday);
  st.wDay = static_cast<std::uint16_t>(t.tm_mday);
  st.wHour = static_cast<std::uint16_t>(t.tm_hour);
  st.wMinute = static_cast<std::uint16_t>(t.tm_min);
  st.wSecond = static_cast<std::uint16_t>(t.tm_sec);
  st.wMilliseconds = static_cast<std::uint16_t>(ms);
  return st;
}

}  // namespace

FILETIME UnixSecondsToFileTime(std::int64_t seconds) {
  FILETIME ft = 0;
  if (!FromUnix(seconds, 0, ft)) return seconds < 0 ? 0 : kMaxFileTime;
  return ft;
}

std::int64_t FileTimeToUnixSeconds(FILETIME ft) { return UnixPart(ft); }

bool FileTimeToLocalFileTime(FILETIME utc, FILETIME& local) {
  if (utc > kMaxFileTime) return false;
  time_t t = static_cast<time_t>(UnixPart(utc));
  tm lt;
  if (!localtime_r(&t, &lt)) return false;
  // The offset in force at that instant, so summer dates get summer time.
  return FromUnix(UnixPart(utc) + lt.tm_gmtoff, TickPart(utc), local);
}

bool LocalFileTimeToFileTime(FILETIME local, FILETIME& utc) {
  if (local > kMaxFileTime) return false;
  time_t t = static_cast<time_t>(UnixPart(local));
  tm fields;
  if (!gmtime_r(&t, &fields)) return false;
  fields.tm_isdst = -1;
  errno = 0;
  time_t u = mktime(&fields);
  if (u == static_cast<time_t>(-1) && errno != 0) return false;
  return FromUnix(static_cast<std::int64_t>(u), TickPart(local), utc);
}

bool FileTimeToSystemTime(FILETIME ft, SYSTEMTIME& st) {
  if (ft > kMaxFileTime) return false;
  time_t t = static_cast<time_t>(UnixPart(ft));
  tm fields;
  if (!gmtime_r(&t, &fields)) return false;
  st = FromTm(fields, static_cast<unsigned>(TickPart(ft) / 10'000));
  return true;
}

bool SystemTimeToFileTime(const SYSTEMTIME& st, FILETIME& ft) {
  if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
      st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 ||
      st.wSecond > 59 || st.wMilliseconds > 999)
    return false;
  std::int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay);
  std::int64_t secs = days * 86400 + st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
  return FromUnix(secs, static_cast<std::uint64_t>(st.wMilliseconds) * 10'000, ft);
}

SYSTEMTIME GetLocalTime() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  tm lt;
  localtime_r(&now.tv_sec, &lt);
  return FromTm(lt, static_cast<unsigned>(now.tv_nsec / 1'000'000));
}

FILETIME GetSystemTimeAsFileTime() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  FILETIME ft = 0;
  FromUnix(now.tv_sec, static_cast<std::uint64_t>(now.tv_nsec / 100), ft);
  return ft;
}

bool GetFileLastWriteTime(const std::string& path, FILETIME& utc) {
  struct stat st;
  if (stat(HostPath(path).c_str(), &st) != 0) {
    SetLastError(errno);
    return false;
  }
  if (!FromUnix(st.st_mtim.tv_sec, static_cast<std::uint64_t>(st.st_mtim.tv_nsec / 100), utc)) {
    SetLastError(EOVERFLOW);
    return false;
  }
  return true;
}

bool SetFileLastWriteTime(const std::string& path, FILETIME utc) {
  if (utc > kMaxFileTime) {
    SetLastError(EINVAL);
    return false;
  }
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(UnixPart(utc));
  times[1].tv_nsec = static_cast<long>(TickPart(utc) * 100);
  if (utimensat(AT_FDCWD, HostPath(path).c_str(), times, 0) != 0) {
    SetLastError(errno);
    return false;
  }
  return true;
}

}  // namespace platform
