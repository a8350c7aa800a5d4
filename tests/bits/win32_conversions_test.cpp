// kernel32's conversions as the catalogue relies on them, with the answers Windows gives: the
// expected values were checked against Wine's kernel32 as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "bits_platform.h"

namespace {

FILETIME FileTimeOf(uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

struct Expected {
  int year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

void ExpectConverts(uint64_t ticks, const Expected& expected) {
  const FILETIME time = FileTimeOf(ticks);
  SYSTEMTIME utc{};
  ASSERT_TRUE(FileTimeToSystemTime(&time, &utc)) << std::hex << ticks;
  EXPECT_EQ(utc.wYear, expected.year);
  EXPECT_EQ(utc.wMonth, expected.month);
  EXPECT_EQ(utc.wDayOfWeek, expected.dayOfWeek);
  EXPECT_EQ(utc.wDay, expected.day);
  EXPECT_EQ(utc.wHour, expected.hour);
  EXPECT_EQ(utc.wMinute, expected.minute);
  EXPECT_EQ(utc.wSecond, expected.second);
  EXPECT_EQ(utc.wMilliseconds, expected.milliseconds);
}

TEST(FileTimeToSystemTimeTest, ConvertsAcrossTheWholeRange) {
  ExpectConverts(0, {1601, 1, 1, 1, 0, 0, 0, 0});  // a Monday
  ExpectConverts(0x01DA6ECBE11C5DC0ull, {2024, 3, 2, 5, 7, 8, 9, 500});
  ExpectConverts(0x01BF82AC81016000ull, {2000, 2, 2, 29, 12, 0, 0, 0});  // leap day
  ExpectConverts(0x24C85A5ED1C04000ull, {10000, 1, 6, 1, 0, 0, 0, 0});
  ExpectConverts(0x7FFFFFFFFFFFFFFFull, {30828, 9, 4, 14, 2, 48, 5, 477});
}

TEST(FileTimeToSystemTimeTest, RejectsTheTopBit) {
  for (uint64_t ticks : {0x8000000000000000ull, 0xFFFFFFFFFFFFFFFFull}) {
    const FILETIME time = FileTimeOf(ticks);
    SYSTEMTIME utc{};
    EXPECT_FALSE(FileTimeToSystemTime(&time, &utc)) << std::hex << ticks;
  }
}

int ToUtf8Size(const WCHAR* text, int length) {
  return WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
}

TEST(WideCharToMultiByteTest, SizeQueryCountsBytes) {
  const WCHAR text[] = {u'a', 0x00E9, 0x4E2D, 0xD83D, 0xDE00, 0};
  EXPECT_EQ(ToUtf8Size(text, 5), 1 + 2 + 3 + 4);
  // A length of -1 converts the terminating null too.
  EXPECT_EQ(ToUtf8Size(text, -1), 1 + 2 + 3 + 4 + 1);
}

TEST(WideCharToMultiByteTest, WritesExactlyTheQueriedBytes) {
  const WCHAR text[] = {0x4E2D, u'!', 0};
  char buffer[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, 2, buffer, 4, nullptr, nullptr), 4);
  EXPECT_EQ(std::string(buffer, 5), "\xE4\xB8\xAD!#");
}

TEST(WideCharToMultiByteTest, FailsOnABufferTooSmall) {
  const WCHAR text[] = {0x4E2D, u'!', 0};
  char buffer[8] = {};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, 2, buffer, 3, nullptr, nullptr), 0);
}

// Plain ASCII is copied a run at a time; the room left is still checked for the whole run, and a
// run ends at the first unit that needs more than one byte, a surrogate pair's included.
TEST(WideCharToMultiByteTest, AsciiRunsBetweenOtherUnits) {
  const WCHAR text[] = {u'a', u'b', 0x00E9, u'c', 0xD83D, 0xDE00, u'd', u'e', u'f', 0x7F, 0};
  const std::string expected = "ab\xC3\xA9" "c\xF0\x9F\x98\x80" "def\x7F";
  ASSERT_EQ(ToUtf8Size(text, 10), static_cast<int>(expected.size()));
  char buffer[32];
  std::fill(std::begin(buffer), std::end(buffer), '#');
  const int size = static_cast<int>(expected.size());
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, 10, buffer, size, nullptr, nullptr), size);
  EXPECT_EQ(std::string(buffer, expected.size() + 1), expected + "#");
  // One byte short, in the last run: refused, and nothing is written past the buffer.
  std::fill(std::begin(buffer), std::end(buffer), '#');
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, 10, buffer, size - 1, nullptr, nullptr), 0);
  EXPECT_EQ(buffer[size - 1], '#');
}

TEST(WideCharToMultiByteTest, FailsOnAnEmptyInput) {
  const WCHAR text[] = {u'a', 0};
  EXPECT_EQ(ToUtf8Size(text, 0), 0);
}

TEST(WideCharToMultiByteTest, UnpairedSurrogatesBecomeReplacementCharacters) {
  const WCHAR text[] = {0xD800, u'a', 0xDC00, 0};
  char buffer[16] = {};
  const int written = WideCharToMultiByte(CP_UTF8, 0, text, 3, buffer, 16, nullptr, nullptr);
  EXPECT_EQ(std::string(buffer, written > 0 ? written : 0), "\xEF\xBF\xBD" "a\xEF\xBF\xBD");
}

}  // namespace
