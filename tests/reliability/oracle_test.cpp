// The independent checks the fuzzers and the data tests rely on must themselves reject wrong
// answers; a check that accepts everything would let every fault through.
#include <gtest/gtest.h>

#include "bits/job_info.h"
#include "layout_oracles.h"
#include "text_oracles.h"

namespace {

JobInfo SmallJob() {
  JobInfo job;
  job.id = Wide("{5F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8}");
  job.displayName = Wide("Nightly");
  job.state = Wide("Queued");
  job.description = Wide("a\tb");
  return job;
}

JobSummary SmallSummary() {
  const JobInfo job = SmallJob();
  return {job.id, job.displayName, job.description, job.state};
}

TEST(TextOracles, JoinPairsAndReplaceLoneSurrogates) {
  EXPECT_EQ(ExpectedUtf8(WideText{WCHAR(0xD83D), WCHAR(0xDE80)}), "\xF0\x9F\x9A\x80");
  EXPECT_EQ(ExpectedUtf8(WideText{WCHAR(0xDE80), 'a', WCHAR(0xD83D)}),
            "\xEF\xBF\xBD" "a" "\xEF\xBF\xBD");
  std::vector<uint32_t> points;
  EXPECT_FALSE(DecodeUtf8("\xED\xA0\x80", points)) << "an encoded surrogate";
  EXPECT_FALSE(DecodeUtf8("\xC0\x80", points)) << "an overlong null";
  EXPECT_FALSE(DecodeUtf8("\xE4\xB8", points)) << "a cut sequence";
  EXPECT_TRUE(DecodeUtf8("\xE4\xB8\xAD", points));
  EXPECT_EQ(points, std::vector<uint32_t>{0x4E2D});
}

TEST(TextOracles, TimeTextMustNameTheExactSecond) {
  // 5 March 2024, 07:08:09.5 UTC.
  const uint64_t ticks =
      (uint64_t(DaysFromCivil(2024, 3, 5) - DaysFromCivil(1601, 1, 1)) * 86400 + 7 * 3600 + 8 * 60 +
       9) * 10000000u + 5000000u;
  EXPECT_EQ(TimeTextMismatch(ticks, Wide("2024-03-05 07:08:09")), "");
  EXPECT_NE(TimeTextMismatch(ticks, Wide("2024-03-05 07:08:10")), "");
  EXPECT_NE(TimeTextMismatch(ticks, Wide("2024-3-05 07:08:09")), "");
  EXPECT_NE(TimeTextMismatch(ticks, Wide("N/A")), "");
  EXPECT_EQ(TimeTextMismatch(0, Wide("N/A")), "");
  EXPECT_EQ(TimeTextMismatch(uint64_t(1) << 63, Wide("Unknown")), "");
  EXPECT_NE(TimeTextMismatch(uint64_t(1) << 63, Wide("30828-09-14 02:48:05")), "");
  // 29 February exists only in leap years.
  EXPECT_EQ(DaysFromCivil(2000, 3, 1) - DaysFromCivil(2000, 2, 28), 2);
  EXPECT_EQ(DaysFromCivil(1900, 3, 1) - DaysFromCivil(1900, 2, 28), 1);
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
}

TEST(LayoutOracles, ListLineRejectsExtraColumnsCodesAndChanges) {
  const JobSummary job = SmallSummary();
  EXPECT_EQ(ListLineMismatch(job, "@.Nightly\t@.a b\t@.Queued"), "");
  EXPECT_EQ(ListLineMismatch(job, "Nightly\ta b\tQueued"), "");
  EXPECT_NE(ListLineMismatch(job, "@.Nightly\t@.a\tb\t@.Queued"), "") << "a TAB inside a column";
  EXPECT_NE(ListLineMismatch(job, "@.Nightly\t@.a\nb\t@.Queued"), "") << "a line feed";
  EXPECT_NE(ListLineMismatch(job, "@.Nightly\t@.ab\t@.Queued"), "") << "a character dropped";
  EXPECT_NE(ListLineMismatch(job, "@.Nightly\t@.a b\t@.Suspended"), "") << "another state";
  JobSummary coded = job;
  coded.displayName = Wide("@C1Nightly");
  EXPECT_NE(ListLineMismatch(coded, "@C1Nightly\t@.a b\t@.Queued"), "") << "a formatting code";
  EXPECT_EQ(ListLineMismatch(coded, "@.@C1Nightly\t@.a b\t@.Queued"), "");
}

TEST(LayoutOracles, ListLineAcceptsOnlyAMarkedCutOfALongText) {
  JobSummary job = SmallSummary();
  job.description = Wide(std::string(5000, 'd'));
  const std::string cut = "@.Nightly\t@." + std::string(2000, 'd') + "\xE2\x80\xA6\t@.Queued";
  EXPECT_EQ(ListLineMismatch(job, cut), "");
  const std::string unmarked = "@.Nightly\t@." + std::string(2000, 'd') + "\t@.Queued";
  EXPECT_NE(ListLineMismatch(job, unmarked), "");
  const std::string tooShort = "@.Nightly\t@." + std::string(20, 'd') + "\xE2\x80\xA6\t@.Queued";
  EXPECT_NE(ListLineMismatch(job, tooShort), "");
  job.description = Wide(std::string(900, 'd'));
  const std::string shortCut = "@.Nightly\t@." + std::string(800, 'd') + "\xE2\x80\xA6\t@.Queued";
  EXPECT_NE(ListLineMismatch(job, shortCut), "") << "a text this short is shown whole";
}

TEST(LayoutOracles, ReportRejectsAMovedLabelOrAChangedValue) {
  JobInfo job = SmallJob();
  job.files.resize(1);
  const std::string head =
      "Job ID:          {5F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8}\n"
      "Display Name:    Nightly\n"
      "Status:          Queued\n"
      "Error Count:     0\n"
      "Owner SID:       \n"
      "No Progress Timeout:   0\n"
      "Minimum Retry Delay:   0\n"
      "Description:     a\tb\n\n"
      "--- NOTIFICATION COMMAND LINE ---\n"
      "Program Path:    \n"
      "Arguments:       \n"
      "Has Notify Interface:  0\n"
      "Notify Flags:    0\n\n"
      "--- NETWORK PROGRESS ---\n"
      "Job Type:        \n"
      "Priority:        \n"
      "Bytes:           0 / 0\n"
      "Files:           0 / 0\n\n"
      "--- TIMING SIGNATURES ---\n"
      "Created (UTC):         \n"
      "Modified (UTC):        \n"
      "Completed (UTC):       \n\n"
      "--- FILES (1) ---\n";
  const std::string files = "[1] Remote: \n     Local:  \n     Bytes:  0 / 0\n\n";
  EXPECT_EQ(ReportMismatch(job, head + files), "");
  EXPECT_NE(ReportMismatch(job, head), "") << "the file entry missing";
  EXPECT_NE(ReportMismatch(job, head + files + "\n"), "") << "a line too many";
  std::string moved = head + files;
  moved.replace(moved.find("Status:          "), 17, "Status:         ");
  EXPECT_NE(ReportMismatch(job, moved), "");
}

}  // namespace
