// The display texts of BITS codes and times.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "bits/job_texts.h"

namespace {

FILETIME FileTimeOf(uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// 2024-03-05 07:08:09.500 UTC.
constexpr uint64_t kMarchFifth2024 = 0x01DA6ECBE11C5DC0ull;

TEST(JobStateTextTest, NamesEveryBitsState) {
  EXPECT_EQ(JobStateText(BG_JOB_STATE_QUEUED), WIDE_TEXT("Queued"));
  EXPECT_EQ(JobStateText(BG_JOB_STATE_CONNECTING), WIDE_TEXT("Connecting"));
  EXPECT_EQ(JobStateText(BG_JOB_STATE_TRANSFERRING), WIDE_TEXT("Transferring"));
  EXPECT_EQ(JobStateText(BG_JOB_STATE_SUSPENDED), WIDE_TEXT("Suspended"));
  EXPECT_EQ(JobStateText(BG_JOB_STATE_ERROR), WIDE_TEXT("Error"));
  EXPECT_EQ(JobStateText(BG_JOB_STATE_TRANSIENT_ERROR), WIDE_TEXT("Transient Error"));
  EXPECT_EQ(JobStateText(BG_JOB_STATE_TRANSFERRED), WIDE_TEXT("Transferred"));
  EXPECT_EQ(JobStateText(BG_JOB_STATE_ACKNOWLEDGED), WIDE_TEXT("Acknowledged"));
  EXPECT_EQ(JobStateText(BG_JOB_STATE_CANCELLED), WIDE_TEXT("Cancelled"));
}

TEST(JobStateTextTest, CodesBeyondTheSdkAreUnknown) {
  EXPECT_EQ(JobStateText(9u), WIDE_TEXT("Unknown"));
  EXPECT_EQ(JobStateText(15u), WIDE_TEXT("Unknown"));
  // A negative code taken as unsigned is above 8 as well.
  EXPECT_EQ(JobStateText(0xFFFFFFFFu), WIDE_TEXT("Unknown"));
}

TEST(JobPriorityTextTest, NamesEveryPriorityAndNothingElse) {
  EXPECT_EQ(JobPriorityText(BG_JOB_PRIORITY_FOREGROUND), WIDE_TEXT("Foreground"));
  EXPECT_EQ(JobPriorityText(BG_JOB_PRIORITY_HIGH), WIDE_TEXT("High"));
  EXPECT_EQ(JobPriorityText(BG_JOB_PRIORITY_NORMAL), WIDE_TEXT("Normal"));
  EXPECT_EQ(JobPriorityText(BG_JOB_PRIORITY_LOW), WIDE_TEXT("Low"));
  EXPECT_EQ(JobPriorityText(4u), WIDE_TEXT("Unknown"));
  EXPECT_EQ(JobPriorityText(0xFFFFFFFFu), WIDE_TEXT("Unknown"));
}

TEST(JobTypeTextTest, EverythingButDownloadIsAnUpload) {
  EXPECT_EQ(JobTypeText(BG_JOB_TYPE_DOWNLOAD), WIDE_TEXT("Download"));
  EXPECT_EQ(JobTypeText(BG_JOB_TYPE_UPLOAD), WIDE_TEXT("Upload"));
  EXPECT_EQ(JobTypeText(BG_JOB_TYPE_UPLOAD_REPLY), WIDE_TEXT("Upload"));
  EXPECT_EQ(JobTypeText(3u), WIDE_TEXT("Upload"));
}

TEST(JobTimeTextTest, ZeroTimeIsNotAvailable) {
  EXPECT_EQ(JobTimeText(FILETIME{0, 0}), WIDE_TEXT("N/A"));
}

TEST(JobTimeTextTest, EitherHalfSetIsATime) {
  EXPECT_EQ(JobTimeText(FILETIME{1, 0}), WIDE_TEXT("1601-01-01 00:00:00"));
  EXPECT_EQ(JobTimeText(FILETIME{0, 1}), WIDE_TEXT("1601-01-01 00:07:09"));
}

TEST(JobTimeTextTest, DropsMillisecondsAndStaysInUtcWhateverTheZone) {
  static char zone[] = "TZ=NPT-5:45";  // Kathmandu: a zone no rounding of hours hides
  putenv(zone);
  tzset();
  EXPECT_EQ(JobTimeText(FileTimeOf(kMarchFifth2024)), WIDE_TEXT("2024-03-05 07:08:09"));
}

TEST(JobTimeTextTest, TopBitSetCannotBeConverted) {
  EXPECT_EQ(JobTimeText(FILETIME{0, 0x80000000u}), WIDE_TEXT("Unknown"));
  EXPECT_EQ(JobTimeText(FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu}), WIDE_TEXT("Unknown"));
}

TEST(JobTimeTextTest, YearsAboveNineThousandNineHundredNinetyNineTakeFiveDigits) {
  const WideText firstOf10000 = JobTimeText(FileTimeOf(0x24C85A5ED1C04000ull));
  EXPECT_EQ(firstOf10000, WIDE_TEXT("10000-01-01 00:00:00"));
  EXPECT_EQ(firstOf10000.size(), 20u);
  EXPECT_EQ(JobTimeText(FileTimeOf(0x24C85A5ED1C04000ull - 1)), WIDE_TEXT("9999-12-31 23:59:59"));
}

TEST(JobTimeTextTest, LastValidFileTime) {
  EXPECT_EQ(JobTimeText(FILETIME{0xFFFFFFFFu, 0x7FFFFFFFu}), WIDE_TEXT("30828-09-14 02:48:05"));
}

}  // namespace
