// Finding a job again by its identifier text, asked of the service directly, and changing it.
#include <string>
#include <vector>

#include "bits/job_control.h"
#include "catalogue_fixture.h"

namespace {

class JobControl : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    for (uint8_t n = 1; n <= 4; ++n) provider.jobs.push_back(PlainJob(n));
  }

  BG_JOB_STATE StateOf(size_t position) const { return provider.jobs.at(position).state; }
};

TEST_F(JobControl, SuspendsTheJobWithThatIdentifier) {
  EXPECT_TRUE(SuspendJob(PlainJobId(3)));
  EXPECT_EQ(StateOf(2), BG_JOB_STATE_SUSPENDED);
  EXPECT_EQ(StateOf(0), BG_JOB_STATE_QUEUED);
  EXPECT_EQ(StateOf(3), BG_JOB_STATE_QUEUED);
  // No walk: the manager is asked for that one job.
  EXPECT_EQ(Uses("IBackgroundCopyManager::GetJob"), 1u);
  EXPECT_EQ(Uses("IBackgroundCopyManager::EnumJobs"), 0u);
  EXPECT_EQ(Uses("IBackgroundCopyJob::GetId"), 0u);
  ExpectAllGivenBack();
}

TEST_F(JobControl, EachOperationCallsItsOwnMethod) {
  const struct {
    bool (*operation)(WideText);
    const char* method;
  } cases[] = {{CompleteJob, "IBackgroundCopyJob::Complete"},
               {CancelJob, "IBackgroundCopyJob::Cancel"},
               {SuspendJob, "IBackgroundCopyJob::Suspend"},
               {ResumeJob, "IBackgroundCopyJob::Resume"}};
  uint8_t number = 0;
  for (const auto& each : cases) {
    SCOPED_TRACE(each.method);
    probe.resetCounters();
    EXPECT_TRUE(each.operation(PlainJobId(++number)));
    EXPECT_EQ(Uses(each.method), 1u);
    unsigned controlCalls = 0;
    for (const char* method : {"Complete", "Cancel", "Suspend", "Resume"}) {
      controlCalls += Uses(std::string("IBackgroundCopyJob::") + method);
    }
    EXPECT_EQ(controlCalls, 1u);
    ExpectAllGivenBack();
  }
}

TEST_F(JobControl, CallOrderForAMatch) {
  provider.jobs.resize(1);
  EXPECT_TRUE(CancelJob(PlainJobId(1)));
  const std::vector<std::string> expected = {
      "CoInitializeEx",
      "IIDFromString",
      "StringFromCLSID",  // the GUID read, written back to compare with the text given
      "CoTaskMemFree",
      "CoCreateInstance",
      "OleRun",
      "IUnknown::QueryInterface",
      "IUnknown::Release",
      "IBackgroundCopyManager::GetJob",
      "IBackgroundCopyJob::Cancel",
      "IBackgroundCopyJob::Release",
      "IBackgroundCopyManager::Release",
      "CoUninitialize",
  };
  EXPECT_EQ(probe.calls, expected);
  EXPECT_TRUE(provider.jobs.empty());
  ExpectAllGivenBack();
}

TEST_F(JobControl, TextsThatAreNotTheExactIdentifierMatchNothing) {
  WideText lowerCase = PlainJobId(2);
  for (WCHAR& unit : lowerCase) {
    if (unit >= u'A' && unit <= u'F') unit = static_cast<WCHAR>(unit - u'A' + u'a');
  }
  const WideText unbraced = PlainJobId(2).substr(1, 36);
  const WideText trailingSpace = PlainJobId(2) + WIDE_TEXT(" ");
  const WideText prefix = PlainJobId(2).substr(0, 37);
  for (const WideText& id : {WideText(), lowerCase, unbraced, trailingSpace, prefix,
                             WideText(WIDE_TEXT("Unknown"))}) {
    SCOPED_TRACE(ToUtf8(id));
    probe.resetCounters();
    EXPECT_FALSE(SuspendJob(id));
    EXPECT_FALSE(JobExists(id));
    // The service is not even asked, and nothing was changed.
    EXPECT_EQ(Uses("CoCreateInstance"), 0u);
    EXPECT_EQ(Uses("IBackgroundCopyJob::Suspend"), 0u);
    ExpectAllGivenBack();
  }
}

TEST_F(JobControl, NoJobsAtAll) {
  provider.jobs.clear();
  EXPECT_FALSE(ResumeJob(PlainJobId(1)));
  ExpectAllGivenBack();
}

TEST_F(JobControl, JobRemovedSinceTheSnapshotLeavesTheOthersAlone) {
  provider.jobs.erase(provider.jobs.begin() + 1);
  EXPECT_FALSE(CancelJob(PlainJobId(2)));
  EXPECT_EQ(provider.jobs.size(), 3u);
  EXPECT_EQ(Uses("IBackgroundCopyJob::Cancel"), 0u);
  ExpectAllGivenBack();
}

TEST_F(JobControl, SuccessCodesOtherThanOkAreSuccess) {
  // A file not yet transferred makes Complete answer BG_S_PARTIAL_COMPLETE.
  EXPECT_TRUE(CompleteJob(PlainJobId(1)));
  Fail("IBackgroundCopyJob::Suspend", S_FALSE);
  EXPECT_TRUE(SuspendJob(PlainJobId(2)));
  ExpectAllGivenBack();
}

TEST_F(JobControl, RefusedMethodIsFalse) {
  provider.jobs[1].state = BG_JOB_STATE_CANCELLED;
  EXPECT_FALSE(SuspendJob(PlainJobId(2)));
  EXPECT_EQ(Uses("IBackgroundCopyJob::Suspend"), 1u);
  EXPECT_EQ(Uses("IBackgroundCopyJob::Release"), 1u);
  ExpectAllGivenBack();
}

TEST_F(JobControl, GetJobAnsweringNotFoundOrHandingBackNothingIsFalseWithoutAWalk) {
  provider.jobs.erase(provider.jobs.begin());
  EXPECT_FALSE(SuspendJob(PlainJobId(1)));
  HandBackNothing("IBackgroundCopyManager::GetJob", 2);
  EXPECT_FALSE(SuspendJob(PlainJobId(2)));
  EXPECT_EQ(StateOf(0), BG_JOB_STATE_QUEUED);
  EXPECT_EQ(Uses("IBackgroundCopyManager::EnumJobs"), 0u);
  ExpectAllGivenBack();
}

TEST_F(JobControl, ManagerThatCannotBeCreatedIsFalse) {
  for (const char* call : {"CoCreateInstance", "OleRun", "IUnknown::QueryInterface"}) {
    SCOPED_TRACE(call);
    probe.faults.clear();
    probe.resetCounters();
    Fail(call, E_ACCESSDENIED);
    EXPECT_FALSE(SuspendJob(PlainJobId(1)));
    EXPECT_EQ(Uses("CoUninitialize"), 1u);
    EXPECT_EQ(Uses("IBackgroundCopyManager::GetJob"), 0u);
    ExpectAllGivenBack();
  }
  EXPECT_EQ(StateOf(0), BG_JOB_STATE_QUEUED);
}

TEST_F(JobControl, IdentifierThatCannotBeReadOrWrittenBackMatchesNothing) {
  for (const char* call : {"IIDFromString", "StringFromCLSID"}) {
    SCOPED_TRACE(call);
    probe.faults.clear();
    probe.resetCounters();
    Fail(call, E_OUTOFMEMORY);
    EXPECT_FALSE(SuspendJob(PlainJobId(1)));
    EXPECT_EQ(Uses("CoCreateInstance"), 0u);
    ExpectAllGivenBack();
  }
  EXPECT_EQ(StateOf(0), BG_JOB_STATE_QUEUED);
}

TEST_F(JobControl, ComInitialisationFailingStillRunsButDoesNotUninitialise) {
  // COM was initialised in another mode by someone else: the call goes on in that apartment.
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  probe.resetCounters();
  EXPECT_TRUE(SuspendJob(PlainJobId(2)));
  EXPECT_EQ(StateOf(1), BG_JOB_STATE_SUSPENDED);
  EXPECT_EQ(Uses("CoUninitialize"), 0u);
  EXPECT_EQ(probe.comInitDepth(), 1);
  CoUninitialize();
  ExpectAllGivenBack();
}

TEST_F(JobControl, ComInitialisationFaultStillRunsTheOperation) {
  Fail("CoInitializeEx", E_OUTOFMEMORY);
  // With COM not initialised the service refuses the manager, so the answer is false; what
  // counts is that the operation tried and did not uninitialise.
  EXPECT_FALSE(SuspendJob(PlainJobId(1)));
  EXPECT_EQ(Uses("CoCreateInstance"), 1u);
  EXPECT_EQ(Uses("CoUninitialize"), 0u);
  ExpectAllGivenBack();
}

TEST_F(JobControl, ExistsAsksOnlyWhetherTheJobIsThere) {
  EXPECT_TRUE(JobExists(PlainJobId(2)));
  EXPECT_EQ(Uses("IBackgroundCopyManager::GetJob"), 1u);
  EXPECT_EQ(Uses("IBackgroundCopyJob::GetId"), 0u);
  EXPECT_EQ(Uses("IBackgroundCopyJob::Release"), 1u);
  provider.jobs.erase(provider.jobs.begin() + 1);
  EXPECT_FALSE(JobExists(PlainJobId(2)));
  // Unlike the operations, and like a snapshot, it finds nothing without COM of its own.
  Fail("CoInitializeEx", RPC_E_CHANGED_MODE, 3);
  EXPECT_FALSE(JobExists(PlainJobId(1)));
  EXPECT_EQ(Uses("CoCreateInstance"), 2u);
  EXPECT_EQ(provider.jobs.size(), 3u);
  ExpectAllGivenBack();
}

}  // namespace
