// The snapshot when the service fails: every row of the failure table, and after each the
// connection fully given back.
#include <string>
#include <vector>

#include "bits/job_snapshot.h"
#include "catalogue_fixture.h"

namespace {

class SnapshotFailure : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    for (uint8_t n = 1; n <= 5; ++n) provider.jobs.push_back(PlainJob(n));
  }
};

TEST_F(SnapshotFailure, ComInitialisationFailingEndsBeforeAnyOtherCall) {
  Fail("CoInitializeEx", RPC_E_CHANGED_MODE);
  EXPECT_TRUE(EnumerateJobs().empty());
  EXPECT_EQ(probe.calls, std::vector<std::string>{"CoInitializeEx"});
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, ServiceNotInstalledGivesNothing) {
  InstallBitsProvider(nullptr);
  EXPECT_TRUE(EnumerateJobs().empty());
  InstallBitsProvider(&provider);
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, ManagerCreationFailingAtAnyStepGivesNothing) {
  for (const char* call : {"CoCreateInstance", "OleRun", "IUnknown::QueryInterface"}) {
    SCOPED_TRACE(call);
    probe.faults.clear();
    probe.resetCounters();
    Fail(call, E_ACCESSDENIED);
    EXPECT_TRUE(EnumerateJobs().empty());
    EXPECT_EQ(Uses("CoUninitialize"), 1u);
    EXPECT_EQ(Uses("IBackgroundCopyManager::EnumJobs"), 0u);
    // Once created, the object from CoCreateInstance is released whatever came after.
    EXPECT_EQ(Uses("IUnknown::Release"), std::string(call) == "CoCreateInstance" ? 0u : 1u);
    ExpectAllGivenBack();
  }
}

TEST_F(SnapshotFailure, SuccessWithoutAManagerOrEnumeratorGivesNothing) {
  for (const char* call :
       {"CoCreateInstance", "IUnknown::QueryInterface", "IBackgroundCopyManager::EnumJobs"}) {
    SCOPED_TRACE(call);
    probe.faults.clear();
    probe.resetCounters();
    HandBackNothing(call);
    EXPECT_TRUE(EnumerateJobs().empty());
    EXPECT_EQ(Uses("IEnumBackgroundCopyJobs::Next"), 0u);
    EXPECT_EQ(Uses("CoUninitialize"), 1u);
    ExpectAllGivenBack();
  }
}

TEST_F(SnapshotFailure, EnumJobsFailingGivesNothing) {
  Fail("IBackgroundCopyManager::EnumJobs", E_ACCESSDENIED);
  EXPECT_TRUE(EnumerateJobs().empty());
  EXPECT_EQ(Uses("IBackgroundCopyManager::Release"), 1u);
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, EnumeratorFailingAfterThreeJobsKeepsThoseThree) {
  Fail("IEnumBackgroundCopyJobs::Next", E_FAIL, 4);
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[2].id, PlainJobId(3));
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, EnumeratorAnsweringOkWithoutAJobEndsTheWalk) {
  HandBackNothing("IEnumBackgroundCopyJobs::Next", 2);
  EXPECT_EQ(EnumerateJobs().size(), 1u);
  ExpectAllGivenBack();
}

// A failed read still lists the job: the field keeps the value set before the read.
class SnapshotFailedRead : public SnapshotFailure,
                           public ::testing::WithParamInterface<const char*> {};

TEST_P(SnapshotFailedRead, JobIsStillListedWithItsOtherFields) {
  Fail(GetParam(), E_FAIL, 2);  // the second job's read
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 5u);
  EXPECT_EQ(jobs[2].displayName, WIDE_TEXT("Job 3"));
  ExpectAllGivenBack();
}

INSTANTIATE_TEST_SUITE_P(
    EveryRead, SnapshotFailedRead,
    ::testing::Values("IBackgroundCopyJob::GetId", "IBackgroundCopyJob::GetDisplayName",
                      "IBackgroundCopyJob::GetOwner", "IBackgroundCopyJob::GetDescription",
                      "IBackgroundCopyJob::GetErrorCount",
                      "IBackgroundCopyJob::GetMinimumRetryDelay",
                      "IBackgroundCopyJob::GetNoProgressTimeout",
                      "IBackgroundCopyJob::GetNotifyFlags", "IBackgroundCopyJob::GetState",
                      "IBackgroundCopyJob::GetType", "IBackgroundCopyJob::GetProgress",
                      "IBackgroundCopyJob::GetPriority", "IBackgroundCopyJob::GetTimes",
                      "StringFromCLSID", "IBackgroundCopyJob::GetNotifyInterface",
                      "IBackgroundCopyJob::QueryInterface",
                      "IBackgroundCopyJob2::GetNotifyCmdLine", "IBackgroundCopyJob::EnumFiles",
                      "IEnumBackgroundCopyFiles::Next", "IBackgroundCopyFile::GetRemoteName",
                      "IBackgroundCopyFile::GetLocalName", "IBackgroundCopyFile::GetProgress"));

TEST_F(SnapshotFailure, FailedReadsLeaveTheirFallbacks) {
  provider.jobs[1].hasNotifyInterface = true;
  provider.jobs[1].times = {FILETIME{1, 0}, FILETIME{1, 0}, FILETIME{1, 0}};
  provider.jobs[1].progress = BG_JOB_PROGRESS{9, 9, 9, 9};
  for (const char* read :
       {"GetDisplayName", "GetOwner", "GetDescription", "GetErrorCount", "GetMinimumRetryDelay",
        "GetNoProgressTimeout", "GetNotifyFlags", "GetState", "GetProgress", "GetPriority",
        "GetTimes", "GetNotifyInterface", "QueryInterface"}) {
    Fail(std::string("IBackgroundCopyJob::") + read, E_FAIL, 2);
  }
  Fail("StringFromCLSID", E_OUTOFMEMORY, 2);
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 5u);
  const JobInfo& job = jobs[1];
  EXPECT_EQ(job.id, WIDE_TEXT("Unknown"));
  EXPECT_EQ(job.displayName, WIDE_TEXT("Unknown"));
  EXPECT_EQ(job.owner, WIDE_TEXT("Unknown"));
  EXPECT_EQ(job.description, WIDE_TEXT("None"));
  EXPECT_EQ(job.state, WIDE_TEXT("Unknown"));
  EXPECT_EQ(job.priority, WIDE_TEXT("Unknown"));
  EXPECT_EQ(job.bytesTotal, 0u);
  EXPECT_EQ(job.filesTotal, 0u);
  EXPECT_EQ(job.created, WIDE_TEXT("N/A"));
  EXPECT_EQ(job.modified, WIDE_TEXT("N/A"));
  EXPECT_EQ(job.completed, WIDE_TEXT("N/A"));
  EXPECT_EQ(job.errorCount, 0u);
  EXPECT_EQ(job.minimumRetryDelay, 0u);
  EXPECT_EQ(job.noProgressTimeout, 0u);
  EXPECT_EQ(job.notifyFlags, 0u);
  EXPECT_FALSE(job.hasNotifyInterface);
  EXPECT_EQ(job.notifyProgram, WIDE_TEXT("None"));
  EXPECT_EQ(job.notifyArguments, WIDE_TEXT("None"));
  EXPECT_EQ(jobs[2].owner, WIDE_TEXT("S-1-5-21-1-2-3-1001"));
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, ReadsHandingBackNothingLeaveTheirFallbacks) {
  provider.jobs[0].hasNotifyInterface = true;
  for (const char* read : {"GetDisplayName", "GetOwner", "GetDescription", "GetNotifyInterface",
                           "QueryInterface", "GetState", "GetPriority"}) {
    HandBackNothing(std::string("IBackgroundCopyJob::") + read);
  }
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 5u);
  EXPECT_EQ(jobs[0].displayName, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].owner, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].description, WIDE_TEXT("None"));
  EXPECT_EQ(jobs[0].state, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].priority, WIDE_TEXT("Unknown"));
  EXPECT_FALSE(jobs[0].hasNotifyInterface);
  EXPECT_EQ(jobs[0].notifyProgram, WIDE_TEXT("None"));
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, NotifyCommandLineFailingLeavesBothEmpty) {
  Fail("IBackgroundCopyJob2::GetNotifyCmdLine", E_ACCESSDENIED, 1);
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 5u);
  EXPECT_EQ(jobs[0].notifyProgram, WideText());
  EXPECT_EQ(jobs[0].notifyArguments, WideText());
  EXPECT_EQ(jobs[1].notifyProgram, WIDE_TEXT("None"));
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, FileEnumerationFailingLeavesNoFiles) {
  Fail("IBackgroundCopyJob::EnumFiles", E_FAIL, 1);
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 5u);
  EXPECT_TRUE(jobs[0].files.empty());
  EXPECT_EQ(jobs[1].files.size(), 1u);
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, FileEnumeratorFailingPartWayKeepsTheFilesReadSoFar) {
  provider.jobs[0].files.resize(3, provider.jobs[0].files[0]);
  Fail("IEnumBackgroundCopyFiles::Next", E_FAIL, 3);
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 5u);
  EXPECT_EQ(jobs[0].files.size(), 2u);
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, FileProgressFailingLeavesZeroBytesAndTheNames) {
  Fail("IBackgroundCopyFile::GetProgress", E_FAIL, 1);
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 5u);
  const JobFileInfo& file = jobs[0].files.at(0);
  EXPECT_EQ(file.bytesTotal, 0u);
  EXPECT_EQ(file.bytesTransferred, 0u);
  EXPECT_EQ(file.remoteName, WIDE_TEXT("https://example.test/a.bin"));
  EXPECT_EQ(file.localName, WIDE_TEXT("C:\\Data\\a.bin"));
  EXPECT_EQ(jobs[1].files.at(0).bytesTotal, 100u);
  ExpectAllGivenBack();
}

TEST_F(SnapshotFailure, FileNamesFailingTakeTheFallback) {
  Fail("IBackgroundCopyFile::GetRemoteName", E_FAIL, 1);
  HandBackNothing("IBackgroundCopyFile::GetLocalName", 1);
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 5u);
  EXPECT_EQ(jobs[0].files.at(0).remoteName, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].files.at(0).localName, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].files.at(0).bytesTotal, 100u);
  ExpectAllGivenBack();
}

}  // namespace
