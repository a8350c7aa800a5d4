#include "wine_test_support.h"

#include <gtest/gtest.h>

#include "bits/utf8.h"
#include "bits_platform.h"

std::wstring& FixtureJobsPath() {
  static std::wstring path;
  return path;
}

std::vector<FixtureJob> LoadFixtureJobs() {
  if (FixtureJobsPath().empty()) {
    ADD_FAILURE() << "no --jobs-file=PATH given: the list bits_fixture.exe wrote is needed";
    return {};
  }
  std::string error;
  auto jobs = ReadFixtureJobs(FixtureJobsPath(), error);
  if (!jobs) {
    ADD_FAILURE() << "the fixture's list of jobs: " << error;
    return {};
  }
  return *jobs;
}

const JobInfo* FindJob(const std::vector<JobInfo>& snapshot, const WideText& id) {
  for (const JobInfo& job : snapshot) {
    if (job.id == id) return &job;
  }
  return nullptr;
}

bool ComFullyUninitialised() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(hr)) CoUninitialize();
  return hr == S_OK;
}

std::string DescribeJob(const JobInfo& job) {
  std::string text =
      ToUtf8(job.id) + "  \"" + ToUtf8(job.displayName) + "\"\n" + "    state " +
      ToUtf8(job.state) + ", type " + ToUtf8(job.type) + ", priority " +
      ToUtf8(job.priority) + ", owner " + ToUtf8(job.owner) + "\n" + "    description \"" +
      ToUtf8(job.description) + "\"\n" + "    notify program \"" +
      ToUtf8(job.notifyProgram) + "\" arguments \"" + ToUtf8(job.notifyArguments) +
      "\" flags " + std::to_string(job.notifyFlags) + " interface " +
      (job.hasNotifyInterface ? "yes" : "no") + "\n" + "    bytes " +
      std::to_string(job.bytesTransferred) + "/" + std::to_string(job.bytesTotal) + ", files " +
      std::to_string(job.filesTransferred) + "/" + std::to_string(job.filesTotal) + ", errors " +
      std::to_string(job.errorCount) + ", retry delay " + std::to_string(job.minimumRetryDelay) +
      " s, no-progress time-out " + std::to_string(job.noProgressTimeout) + " s\n" +
      "    created " + ToUtf8(job.created) + ", modified " + ToUtf8(job.modified) +
      ", completed " + ToUtf8(job.completed) + "\n";
  for (const JobFileInfo& file : job.files) {
    text += "    file " + ToUtf8(file.remoteName) + " -> " + ToUtf8(file.localName) + " (" +
            std::to_string(file.bytesTransferred) + "/" + std::to_string(file.bytesTotal) +
            " bytes)\n";
  }
  return text;
}
