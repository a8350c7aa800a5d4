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

// A job text may hold nothing that acts on the reader: each such character stands as its code
// point, and every other character, TAB and the neighbours of each range included, as it is.
TEST(JobReportTexts, CharactersThatActOnTheReaderAreWrittenAsCodePoints) {
  struct Row {
    WideText text;
    std::string written;
  };
  const Row rows[] = {
      {WIDE_TEXT("first\nsecond\r\nthird"), "first<U+000A>second<U+000D><U+000A>third"},
      {WideText{'a', 0x0000, 0x0001, 0x0008, '\t', 0x000B, 0x001B, '[', '2', 'J', 0x001F, 'b'},
       "a<U+0000><U+0001><U+0008>\t<U+000B><U+001B>[2J<U+001F>b"},
      {WideText{0x007E, 0x007F, 0x0080, 0x0085, 0x009F, 0x00A0},
       "~<U+007F><U+0080><U+0085><U+009F>\xC2\xA0"},
      {WideText{0x2027, 0x2028, 0x2029, 0x202A, 0x202D, 0x202E, 0x202F},
       "\xE2\x80\xA7<U+2028><U+2029><U+202A><U+202D><U+202E>\xE2\x80\xAF"},
      {WideText{0x2065, 0x2066, 0x2069, 0x206A, 0xFEFF},
       "\xE2\x81\xA5<U+2066><U+2069>\xE2\x81\xAA\xEF\xBB\xBF"},
      {WideText{'x', 0x202E, 't', 'x', 't', '.', 'e', 'x', 'e'}, "x<U+202E>txt.exe"},
      {WideText{0xD83D, 0xDE80, 0x000A, 0xD83D}, "\xF0\x9F\x9A\x80<U+000A>\xEF\xBF\xBD"},
      {WIDE_TEXT("Routine\n--- NOTIFICATION COMMAND LINE ---\nProgram Path:    C:\\x\\evil.exe"),
       "Routine<U+000A>--- NOTIFICATION COMMAND LINE ---<U+000A>Program Path:    C:\\x\\evil.exe"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.written);
    JobInfo job = ExampleJob();
    job.description = row.text;
    EXPECT_EQ(FormatJobReport(job), WithReplaced(kExampleReport, "Description:     Sample job\n",
                                                 "Description:     " + row.written + "\n"));
  }
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

