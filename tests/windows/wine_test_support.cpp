#include "wine_test_support.h"

#include <gtest/gtest.h>

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
      Utf8OfWide(job.id) + "  \"" + Utf8OfWide(job.displayName) + "\"\n" + "    state " +
      Utf8OfWide(job.state) + ", type " + Utf8OfWide(job.type) + ", priority " +
      Utf8OfWide(job.priority) + ", owner " + Utf8OfWide(job.owner) + "\n" + "    description \"" +
      Utf8OfWide(job.description) + "\"\n" + "    notify program \"" +
      Utf8OfWide(job.notifyProgram) + "\" arguments \"" + Utf8OfWide(job.notifyArguments) +
      "\" flags " + std::to_string(job.notifyFlags) + " interface " +
      (job.hasNotifyInterface ? "yes" : "no") + "\n" + "    bytes " +
      std::to_string(job.bytesTransferred) + "/" + std::to_string(job.bytesTotal) + ", files " +
      std::to_string(job.filesTransferred) + "/" + std::to_string(job.filesTotal) + ", errors " +
      std::to_string(job.errorCount) + ", retry delay " + std::to_string(job.minimumRetryDelay) +
      " s, no-progress time-out " + std::to_string(job.noProgressTimeout) + " s\n" +
      "    created " + Utf8OfWide(job.created) + ", modified " + Utf8OfWide(job.modified) +
      ", completed " + Utf8OfWide(job.completed) + "\n";
  for (const JobFileInfo& file : job.files) {
    text += "    file " + Utf8OfWide(file.remoteName) + " -> " + Utf8OfWide(file.localName) + " (" +
            std::to_string(file.bytesTransferred) + "/" + std::to_string(file.bytesTotal) +
            " bytes)\n";
  }
  return text;
}
