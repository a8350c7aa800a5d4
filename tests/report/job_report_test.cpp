#include <climits>
#include <cstdint>
#include <locale>
#include <string>

#include <gtest/gtest.h>

#include "report/job_report.h"
#include "report_test_jobs.h"

namespace {

// The expected text with one piece changed; the piece must occur exactly once, so that a typo in a
// test cannot leave the expectation silently unchanged.
std::string WithReplaced(std::string text, const std::string& piece, const std::string& by) {
  const std::string::size_type at = text.find(piece);
  EXPECT_NE(at, std::string::npos) << piece;
  EXPECT_EQ(text.find(piece, at + 1), std::string::npos) << piece;
  if (at != std::string::npos) {
    text.replace(at, piece.size(), by);
  }
  return text;
}

JobFileInfo File(const WideText& remote, const WideText& local, uint64_t transferred,
                 uint64_t total) {
  JobFileInfo file;
  file.remoteName = remote;
  file.localName = local;
  file.bytesTransferred = transferred;
  file.bytesTotal = total;
  return file;
}

// Digit grouping with a dot every three digits, as many European locales have, without needing any
// locale to be installed on the machine.
struct GroupingPunctuation : std::numpunct<char> {
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
  char do_decimal_point() const override { return ','; }
};

}  // namespace

TEST(JobReportLayout, DocumentedExampleIsReproducedByteForByte) {
  EXPECT_EQ(FormatJobReport(ExampleJob()), kExampleReport);
}

TEST(JobReportLayout, JobWithoutFilesEndsWithTheCountLine) {
  JobInfo job = ExampleJob();
  job.files.clear();
  job.filesTotal = 0;
  const std::string expected =
      WithReplaced(kExampleHead, "Files:           0 / 1\n", "Files:           0 / 0\n") +
      "--- FILES (0) ---\n";
  EXPECT_EQ(FormatJobReport(job), expected);
}

TEST(JobReportLayout, FilesAreNumberedInListOrderEachFollowedByAnEmptyLine) {
  JobInfo job = ExampleJob();
  job.files.push_back(File(WIDE_TEXT("https://example.org/b.iso"), WIDE_TEXT("D:\\b.iso"), 7, 9));
  job.filesTotal = 2;
  job.filesTransferred = 1;
  const std::string expected =
      WithReplaced(kExampleHead, "Files:           0 / 1\n", "Files:           1 / 2\n") +
      "--- FILES (2) ---\n"
      "[1] Remote: \\\\server\\share\\file.bin\n"
      "     Local:  C:\\Data\\file.bin\n"
      "     Bytes:  524288 / 1048576\n"
      "\n"
      "[2] Remote: https://example.org/b.iso\n"
      "     Local:  D:\\b.iso\n"
      "     Bytes:  7 / 9\n"
      "\n";
  EXPECT_EQ(FormatJobReport(job), expected);
}

TEST(JobReportLayout, FileCountComesFromTheListNotFromTheJobTotal) {
  // BITS counts two files but their list could not be read.
  JobInfo job = ExampleJob();
  job.files.clear();
  job.filesTotal = 2;
  const std::string expected =
      WithReplaced(kExampleHead, "Files:           0 / 1\n", "Files:           0 / 2\n") +
      "--- FILES (0) ---\n";
  EXPECT_EQ(FormatJobReport(job), expected);
}

TEST(JobReportLayout, EmptyNotificationCommandLineKeepsTheLabelsAndTheirBlanks) {
  JobInfo job = ExampleJob();
  job.notifyProgram.clear();
  job.notifyArguments.clear();
  const std::string expected = WithReplaced(
      kExampleReport, "Program Path:    None\nArguments:       None\n",
      "Program Path:    \nArguments:       \n");
  EXPECT_EQ(FormatJobReport(job), expected);
}

TEST(JobReportValues, UnknownJobSizePrintsAllSixtyFourBitsSet) {
  JobInfo job = ExampleJob();
  job.bytesTotal = BG_SIZE_UNKNOWN;
  const std::string expected =
      WithReplaced(kExampleReport, "Bytes:           524288 / 1048576\n",
                   "Bytes:           524288 / 18446744073709551615\n");
  EXPECT_EQ(FormatJobReport(job), expected);
}

TEST(JobReportValues, UnreadableFileProgressPrintsZeroOfZero) {
  JobInfo job = ExampleJob();
  job.files[0].bytesTransferred = 0;
  job.files[0].bytesTotal = 0;
  const std::string expected = WithReplaced(kExampleReport, "     Bytes:  524288 / 1048576\n",
                                            "     Bytes:  0 / 0\n");
  EXPECT_EQ(FormatJobReport(job), expected);
}

TEST(JobReportValues, NotifyInterfaceIsADigitAndFlagsOneDecimalNumber) {
  JobInfo job = ExampleJob();
  job.hasNotifyInterface = true;
  job.notifyFlags = 0x0B;
  const std::string expected =
      WithReplaced(WithReplaced(kExampleReport, "Has Notify Interface:  0\n",
                                "Has Notify Interface:  1\n"),
                   "Notify Flags:    3\n", "Notify Flags:    11\n");
  EXPECT_EQ(FormatJobReport(job), expected);
}

TEST(JobReportValues, LargestCountsArePrintedUnsignedAndWhole) {
  JobInfo job = ExampleJob();
  job.errorCount = UINT32_MAX;
  job.minimumRetryDelay = UINT32_MAX;
  job.filesTotal = UINT32_MAX;
  job.filesTransferred = UINT32_MAX;
  job.files[0].bytesTransferred = UINT64_MAX - 1;
  std::string expected =
      WithReplaced(kExampleReport, "Error Count:     0\n", "Error Count:     4294967295\n");
  expected = WithReplaced(expected, "Minimum Retry Delay:   600\n",
                          "Minimum Retry Delay:   4294967295\n");
  expected = WithReplaced(expected, "Files:           0 / 1\n",
                          "Files:           4294967295 / 4294967295\n");
  expected = WithReplaced(expected, "     Bytes:  524288 / 1048576\n",
                          "     Bytes:  18446744073709551614 / 1048576\n");
  EXPECT_EQ(FormatJobReport(job), expected);
}

TEST(JobReportValues, NumbersIgnoreAProcessLocaleWithDigitGrouping) {
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new GroupingPunctuation));
  JobInfo job = ExampleJob();
  job.bytesTotal = BG_SIZE_UNKNOWN;
  const std::string report = FormatJobReport(job);
  std::locale::global(previous);

  const std::string expected =
      WithReplaced(kExampleReport, "Bytes:           524288 / 1048576\n",
                   "Bytes:           524288 / 18446744073709551615\n");
  EXPECT_EQ(report, expected);
}

TEST(JobReportTexts, LineBreaksInADescriptionAreCopiedAndTheRestStaysInPlace) {
  JobInfo job = ExampleJob();
  job.description = WIDE_TEXT("first line\nsecond line\r\nthird");
  const std::string expected =
      WithReplaced(kExampleReport, "Description:     Sample job\n",
                   "Description:     first line\nsecond line\r\nthird\n");
  EXPECT_EQ(FormatJobReport(job), expected);
}

TEST(JobReportTexts, NonAsciiTextsAreWrittenAsUtf8) {
  JobInfo job = ExampleJob();
  job.displayName = WIDE_TEXT("Caf\u00e9 \U0001F600");
  job.files[0].localName = WIDE_TEXT("C:\\Donn\u00e9es\\\u65e5\u672c.bin");
  std::string expected = WithReplaced(kExampleReport, "Display Name:    Nightly sync\n",
                                      "Display Name:    Caf\xC3\xA9 \xF0\x9F\x98\x80\n");
  expected = WithReplaced(expected, "     Local:  C:\\Data\\file.bin\n",
                          "     Local:  C:\\Donn\xC3\xA9"
                          "es\\\xE6\x97\xA5\xE6\x9C\xAC.bin\n");
  EXPECT_EQ(FormatJobReport(job), expected);
}

