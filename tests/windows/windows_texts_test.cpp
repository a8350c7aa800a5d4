// ToUtf8 and JobTimeText on top of Windows' own kernel32 conversions, with the expectations the
// Linux build holds its replacements to.
#include <string>

#include <gtest/gtest.h>

#include "bits/job_texts.h"
#include "bits/utf8.h"

namespace {

FILETIME FileTimeOf(uint64_t ticks) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

// 100-nanosecond ticks from 1601-01-01 to 1970-01-01.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;

}  // namespace

TEST(WindowsTexts, ToUtf8EncodesEveryPlaneAndReplacesUnpairedSurrogates) {
  EXPECT_EQ(ToUtf8(L""), "");
  EXPECT_EQ(ToUtf8(L"Kestrelmoor"), "Kestrelmoor");
  EXPECT_EQ(ToUtf8(L"\u00e9"), "\xC3\xA9");
  EXPECT_EQ(ToUtf8(L"\u4e2d"), "\xE4\xB8\xAD");
  EXPECT_EQ(ToUtf8(L"\U0001F4E6"), "\xF0\x9F\x93\xA6");
  EXPECT_EQ(ToUtf8(WideText(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(WideText(L"a") + static_cast<wchar_t>(0xDC00) + L"b"),
            "a\xEF\xBF\xBD"
            "b");
  // A high surrogate at the very end, after a complete pair.
  EXPECT_EQ(ToUtf8(WideText(L"\U0001F4E6") + static_cast<wchar_t>(0xD83D)),
            "\xF0\x9F\x93\xA6\xEF\xBF\xBD");
}

TEST(WindowsTexts, ToUtf8ConvertsTheWholeLengthAndNoTerminator) {
  const WideText withNull(L"a\0b", 3);
  EXPECT_EQ(ToUtf8(withNull), std::string("a\0b", 3));
  const WideText longText(100000, L'\u4e2d');
  const std::string converted = ToUtf8(longText);
  ASSERT_EQ(converted.size(), 300000u);
  EXPECT_EQ(converted.substr(299997), "\xE4\xB8\xAD");
}

TEST(WindowsTexts, JobTimeTextFormatsUtcAndNamesWhatItCannot) {
  EXPECT_EQ(JobTimeText(FileTimeOf(0)), L"N/A");
  // FileTimeToSystemTime rejects every time with the top bit set.
  EXPECT_EQ(JobTimeText(FileTimeOf(0x8000000000000000ull)), L"Unknown");
  EXPECT_EQ(JobTimeText(FileTimeOf(0xFFFFFFFFFFFFFFFFull)), L"Unknown");
  // Either half alone is a time, not "N/A".
  EXPECT_EQ(JobTimeText(FileTimeOf(1)), L"1601-01-01 00:00:00");
  EXPECT_EQ(JobTimeText(FileTimeOf(1ull << 32)), L"1601-01-01 00:07:09");

  // 2024-03-05 07:08:09.500 UTC: the half second is dropped, not rounded.
  const uint64_t march = kUnixEpochTicks + 1709622489ull * kTicksPerSecond + kTicksPerSecond / 2;
  EXPECT_EQ(JobTimeText(FileTimeOf(march)), L"2024-03-05 07:08:09");
  // 2000-02-29 23:59:59
  EXPECT_EQ(JobTimeText(FileTimeOf(kUnixEpochTicks + 951868799ull * kTicksPerSecond)),
            L"2000-02-29 23:59:59");
  // The last time FileTimeToSystemTime accepts lies in a five-digit year.
  const WideText last = JobTimeText(FileTimeOf(0x7FFFFFFFFFFFFFFFull));
  EXPECT_EQ(last, L"30828-09-14 02:48:05");
  EXPECT_EQ(last.size(), 20u);
}
