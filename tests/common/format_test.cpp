#include "common/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/codepage.h"

namespace {

// The expected Japanese words converted here from UTF-8, independently of the
// byte spellings the formatter uses.
std::string Ansi(const char* utf8) { return platform::Utf8ToAnsi(utf8); }

TEST(FormatSize, ExampleTable) {
  const struct {
    std::uint32_t size;
    std::string text;
  } rows[] = {
      {0, Ansi("0 バイト")},
      {999, Ansi("999 バイト")},
      {1000, "0.98KB"},
      {1536, "1.50KB"},
      {10240, "10.0KB"},
      {1023500, "0.98MB"},
      {4294967295u, "4.00GB"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.size);
    EXPECT_EQ(FormatSize(r.size), r.text);
  }
}

TEST(FormatSize, PrecisionBands) {
  // 9.99 and below: two decimals; up to 99.9: one; above: none.
  EXPECT_EQ(FormatSize(10229), "9.99KB");     // 9.989...
  EXPECT_EQ(FormatSize(10235), "10.0KB");     // 9.995 is above 9.99
  EXPECT_EQ(FormatSize(102297), "99.9KB");    // 99.899...
  EXPECT_EQ(FormatSize(102350), "100KB");     // 99.95 is above 99.9
  EXPECT_EQ(FormatSize(999 * 1024), "999KB");  // exactly 999 stays in KB
  EXPECT_EQ(FormatSize(999 * 1024 + 1), "0.98MB");
  EXPECT_EQ(FormatSize(1048576), "1.00MB");
  EXPECT_EQ(FormatSize(1073741824), "1.00GB");
}

TEST(FormatSizeKB, RoundsUpWithSeparators) {
  EXPECT_EQ(FormatSizeKB(0), "0KB");
  EXPECT_EQ(FormatSizeKB(1), "1KB");
  EXPECT_EQ(FormatSizeKB(1024), "1KB");
  EXPECT_EQ(FormatSizeKB(1025), "2KB");
  EXPECT_EQ(FormatSizeKB(1500000), "1,465KB");
  EXPECT_EQ(FormatSizeKB(1024u * 999), "999KB");
  EXPECT_EQ(FormatSizeKB(1024u * 1000), "1,000KB");
  // The last KB below 4 GB must not wrap around to a tiny count.
  EXPECT_EQ(FormatSizeKB(4294967295u), "4,194,304KB");
  EXPECT_EQ(FormatSizeKB(4294966273u), "4,194,304KB");
}

TEST(FormatThousands, GroupsOfThree) {
  EXPECT_EQ(FormatThousands(0), "0");
  EXPECT_EQ(FormatThousands(999), "999");
  EXPECT_EQ(FormatThousands(1000), "1,000");
  EXPECT_EQ(FormatThousands(123456), "123,456");
  EXPECT_EQ(FormatThousands(1234567), "1,234,567");
  EXPECT_EQ(FormatThousands(18446744073709551615ull), "18,446,744,073,709,551,615");
}

TEST(FormatDateTime, JapaneseShortAndLong) {
  platform::SYSTEMTIME st;
  st.wYear = 2001;
  st.wMonth = 2;
  st.wDay = 3;
  st.wHour = 4;
  st.wMinute = 5;
  st.wSecond = 6;
  EXPECT_EQ(FormatShortDateTime(st), "2001/02/03 4:05");
  EXPECT_EQ(FormatLongDateTime(st), Ansi("2001年2月3日 4:05:06"));

  st.wYear = 1999;
  st.wMonth = 12;
  st.wDay = 31;
  st.wHour = 23;
  st.wMinute = 59;
  st.wSecond = 59;
  EXPECT_EQ(FormatShortDateTime(st), "1999/12/31 23:59");
  EXPECT_EQ(FormatLongDateTime(st), Ansi("1999年12月31日 23:59:59"));

  st.wHour = 0;
  st.wMinute = 0;
  st.wSecond = 0;
  EXPECT_EQ(FormatShortDateTime(st), "1999/12/31 0:00");
  EXPECT_EQ(FormatLongDateTime(st), Ansi("1999年12月31日 0:00:00"));
}

}  // namespace
