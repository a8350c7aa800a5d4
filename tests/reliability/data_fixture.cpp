#include "data_fixture.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "app/job_list.h"
#include "bits/job_snapshot.h"
#include "layout_oracles.h"
#include "report/export_job.h"
#include "report/job_report.h"
#include "text_oracles.h"

namespace fs = std::filesystem;

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void DataTest::SetUp() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  folder = fs::temp_directory_path() /
           ("kestrelmoor-reliability-" + std::string(test->test_suite_name()) + "-" + test->name());
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  fs::create_directories(folder);
  InstallBitsProvider(&provider);
  probe.recordCalls = false;  // a huge queue makes millions of calls
  ui.Install();
}

void DataTest::TearDown() {
  InstallBitsProvider(nullptr);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

std::vector<JobInfo> DataTest::Snapshot(std::vector<ProviderJob> jobs) {
  provider.jobs = std::move(jobs);
  probe.resetCounters();
  std::vector<JobInfo> snapshot = EnumerateJobs();
  EXPECT_EQ(probe.liveInterfaces(), 0);
  EXPECT_EQ(probe.liveStrings(), 0);
  EXPECT_EQ(probe.comInitDepth(), 0);
  EXPECT_TRUE(probe.misuse.empty());
  return snapshot;
}

void DataTest::ExpectListReportAndExportRight(const JobInfo& job) {
  const JobSummary line{job.id, job.displayName, job.description, job.state};
  EXPECT_EQ(ListLineMismatch(line, JobListLine(line)), "");
  const std::string report = FormatJobReport(job);
  EXPECT_EQ(ReportMismatch(job, report), "");

  const fs::path file = folder / "export.txt";
  ui.savePath = file.u8string();
  ui.boxes.clear();
  ExportJob(job);
  EXPECT_TRUE(ui.boxes.empty()) << ui.boxes.front().text;
  const std::string bytes = ReadFileBytes(file);
  const std::string expected = WithCrLf(report);
  EXPECT_EQ(bytes.size(), expected.size());
  EXPECT_TRUE(bytes == expected) << "the export file is not the report with CR LF line ends";
}
