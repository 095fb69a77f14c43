#include "platform/file_time.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/files.h"

using namespace platform;

namespace {

// Sets TZ for one test and restores the previous zone afterwards.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneGuard() {
    if (had_) setenv("TZ", old_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

constexpr FILETIME kTick = 10'000'000;  // one second

SYSTEMTIME St(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  SYSTEMTIME st;
  st.wYear = std::uint16_t(y);
  st.wMonth = std::uint16_t(mo);
  st.wDay = std::uint16_t(d);
  st.wHour = std::uint16_t(h);
  st.wMinute = std::uint16_t(mi);
  st.wSecond = std::uint16_t(s);
  st.wMilliseconds = std::uint16_t(ms);
  return st;
}

TEST(FileTimeBasics, EpochsAndUnixSeconds) {
  EXPECT_EQ(UnixSecondsToFileTime(0), 116444736000000000ull);
  EXPECT_EQ(FileTimeToUnixSeconds(116444736000000000ull), 0);
  EXPECT_EQ(FileTimeToUnixSeconds(UnixSecondsToFileTime(946684800)), 946684800);
  EXPECT_EQ(FileTimeToUnixSeconds(UnixSecondsToFileTime(-86400)), -86400);
  EXPECT_EQ(UnixSecondsToFileTime(-20'000'000'000), 0u);  // before 1601
  EXPECT_EQ(FileTimeToUnixSeconds(0), -11644473600);
}

TEST(FileTimeBasics, SystemTimeRoundTripWithDayOfWeek) {
  SYSTEMTIME st;
  ASSERT_TRUE(FileTimeToSystemTime(0, st));
  EXPECT_EQ(st.wYear, 1601);
  EXPECT_EQ(st.wMonth, 1);
  EXPECT_EQ(st.wDay, 1);
  EXPECT_EQ(st.wDayOfWeek, 1);  // a Monday

  // 2000-02-29 12:34:56.789 UTC was a Tuesday.
  FILETIME ft = 0;
  ASSERT_TRUE(SystemTimeToFileTime(St(2000, 2, 29, 12, 34, 56, 789), ft));
  EXPECT_EQ(FileTimeToUnixSeconds(ft), 951827696);
  EXPECT_EQ(ft % kTick, 7'890'000u);
  ASSERT_TRUE(FileTimeToSystemTime(ft + 9999, st));  // sub-millisecond ticks drop
  SYSTEMTIME expect = St(2000, 2, 29, 12, 34, 56, 789);
  expect.wDayOfWeek = 2;
  EXPECT_EQ(st, expect);

  // The day of week is ignored on input, as the system does.
  SYSTEMTIME odd = St(1999, 12, 31, 23, 59, 59);
  odd.wDayOfWeek = 6;
  ASSERT_TRUE(SystemTimeToFileTime(odd, ft));
  ASSERT_TRUE(FileTimeToSystemTime(ft, st));
  EXPECT_EQ(st.wDayOfWeek, 5);

  // Out-of-range fields are refused.
  EXPECT_FALSE(SystemTimeToFileTime(St(2001, 2, 29, 0, 0, 0), ft));
  EXPECT_FALSE(SystemTimeToFileTime(St(2000, 13, 1, 0, 0, 0), ft));
  EXPECT_FALSE(SystemTimeToFileTime(St(2000, 1, 1, 24, 0, 0), ft));
  EXPECT_FALSE(SystemTimeToFileTime(St(1600, 12, 31, 0, 0, 0), ft));
  EXPECT_FALSE(SystemTimeToFileTime(St(2000, 1, 1, 0, 0, 0, 1000), ft));
  EXPECT_FALSE(FileTimeToSystemTime(0x8000000000000000ull, st));
}

TEST(FileTimeLocal, TokyoHasNoSummerTime) {
  ZoneGuard zone("Asia/Tokyo");
  FILETIME winter = 0, summer = 0, local = 0, back = 0;
  ASSERT_TRUE(SystemTimeToFileTime(St(2024, 1, 15, 0, 0, 0), winter));
  ASSERT_TRUE(SystemTimeToFileTime(St(2024, 7, 15, 0, 0, 0), summer));
  for (FILETIME utc : {winter, summer, winter + 1234567}) {
    ASSERT_TRUE(FileTimeToLocalFileTime(utc, local));
    EXPECT_EQ(local - utc, 9 * 3600 * kTick);
    ASSERT_TRUE(LocalFileTimeToFileTime(local, back));
    EXPECT_EQ(back, utc);
  }
  SYSTEMTIME st;
  ASSERT_TRUE(FileTimeToLocalFileTime(summer, local));
  ASSERT_TRUE(FileTimeToSystemTime(local, st));
  EXPECT_EQ(st.wHour, 9);
}

TEST(FileTimeLocal, ZoneWithSummerTimeUsesTheOffsetOfTheDate) {
  ZoneGuard zone("Europe/Berlin");
  FILETIME winter = 0, summer = 0, local = 0, back = 0;
  ASSERT_TRUE(SystemTimeToFileTime(St(2023, 1, 10, 12, 0, 0), winter));
  ASSERT_TRUE(SystemTimeToFileTime(St(2023, 7, 10, 12, 0, 0), summer));
  ASSERT_TRUE(FileTimeToLocalFileTime(winter, local));
  EXPECT_EQ(local - winter, 1 * 3600 * kTick);
  ASSERT_TRUE(LocalFileTimeToFileTime(local, back));
  EXPECT_EQ(back, winter);
  ASSERT_TRUE(FileTimeToLocalFileTime(summer, local));
  EXPECT_EQ(local - summer, 2 * 3600 * kTick);
  ASSERT_TRUE(LocalFileTimeToFileTime(local, back));
  EXPECT_EQ(back, summer);
  // Around the autumn change (2023-10-29 01:00 UTC) 02:30 local happens twice:
  // each instant gets its own offset, and the way back lands on one of the two.
  FILETIME change = 0;
  ASSERT_TRUE(SystemTimeToFileTime(St(2023, 10, 29, 1, 0, 0), change));
  ASSERT_TRUE(FileTimeToLocalFileTime(change - 1800 * kTick, local));
  EXPECT_EQ(local - (change - 1800 * kTick), 2 * 3600 * kTick);
  ASSERT_TRUE(FileTimeToLocalFileTime(change + 1800 * kTick, local));
  EXPECT_EQ(local - (change + 1800 * kTick), 1 * 3600 * kTick);
  FILETIME local2 = 0;
  ASSERT_TRUE(FileTimeToLocalFileTime(change - 1800 * kTick, local2));
  EXPECT_EQ(local, local2);
  ASSERT_TRUE(LocalFileTimeToFileTime(local, back));
  EXPECT_TRUE(back == change + 1800 * kTick || back == change - 1800 * kTick) << back;
}

TEST(FileTimeNow, ClockReadsAreConsistent) {
  ZoneGuard zone("Asia/Tokyo");
  FILETIME before = GetSystemTimeAsFileTime();
  SYSTEMTIME local = GetLocalTime();
  FILETIME after = GetSystemTimeAsFileTime();
  EXPECT_LE(before, after);
  EXPECT_GT(FileTimeToUnixSeconds(before), 1'600'000'000);  // after 2020
  FILETIME lft = 0, utc = 0;
  ASSERT_TRUE(SystemTimeToFileTime(local, lft));
  ASSERT_TRUE(LocalFileTimeToFileTime(lft, utc));
  EXPECT_GE(utc + 10'000, before - before % 10'000);
  EXPECT_LE(utc, after);
  SYSTEMTIME check;
  ASSERT_TRUE(FileTimeToSystemTime(lft, check));
  EXPECT_EQ(check.wDayOfWeek, local.wDayOfWeek);
}

TEST(FileTimeFiles, LastWriteTimeKeepsSubSecondTicks) {
  std::string tmpl = "/tmp/th_time_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  std::string path = tmpl + "/f.txt";
  std::ofstream(path) << "x";
  FILETIME ft = 0;
  ASSERT_TRUE(SystemTimeToFileTime(St(1998, 4, 1, 3, 4, 5, 678), ft));
  ft += 1234;  // below a millisecond
  ASSERT_TRUE(SetFileLastWriteTime(path, ft));
  FILETIME got = 0;
  ASSERT_TRUE(GetFileLastWriteTime(path, got));
  EXPECT_EQ(got, ft);
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, FileTimeToUnixSeconds(ft));
  // A folder's time can be set too.
  ASSERT_TRUE(SetFileLastWriteTime(tmpl, ft));
  ASSERT_TRUE(GetFileLastWriteTime(tmpl, got));
  EXPECT_EQ(got, ft);
  EXPECT_FALSE(GetFileLastWriteTime(tmpl + "/missing", got));
  EXPECT_FALSE(SetFileLastWriteTime(tmpl + "/missing", ft));
  DeleteTreeSilent(tmpl);
}

}  // namespace
