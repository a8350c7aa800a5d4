// A fresh in-memory service, a recording user interface and a scratch folder for each test, and
// the one check every job must pass: its list line, its report and its export file are right.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bits/job_info.h"
#include "bits/provider/bits_provider.h"
#include "recording_ui.h"
#include "tests/support/provider_probe.h"

class DataTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // EnumerateJobs over `jobs`, checked to give back every interface, string and initialisation.
  std::vector<JobInfo> Snapshot(std::vector<ProviderJob> jobs);

  // The list line, the report and the export of `job`, each checked against its layout; the file
  // must hold the report with CR LF line ends and no box may have been shown.
  void ExpectListReportAndExportRight(const JobInfo& job);

  std::filesystem::path folder;
  BitsProvider provider;
  ProviderProbe probe{provider};
  RecordingUi ui;
};

std::string ReadFileBytes(const std::filesystem::path& path);
