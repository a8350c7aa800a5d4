// The four control operations against the jobs bits_fixture.exe created in Wine's BITS, each
// checked by a new snapshot. Wine answers Resume of a job without files with BG_E_EMPTY, Suspend
// with E_NOTIMPL, Cancel of a job with files with BG_S_UNABLE_TO_DELETE_FILES and Complete of one
// with untransferred files with BG_S_PARTIAL_COMPLETE.
#include <algorithm>
#include <cwctype>
#include <map>

#include <gtest/gtest.h>

#include "bits/job_control.h"
#include "bits/job_snapshot.h"
#include "bits/utf8.h"
#include "wine_test_support.h"

namespace {

class JobControlUnderWine : public testing::Test {
 protected:
  void SetUp() override {
    fixture_ = LoadFixtureJobs();
    ASSERT_FALSE(fixture_.empty());
  }

  WideText IdOf(const wchar_t* displayName) {
    const FixtureJob* job = FindFixtureJob(fixture_, displayName);
    EXPECT_NE(job, nullptr) << "the fixture has no job " << ToUtf8(displayName);
    return job != nullptr ? job->id : WideText();
  }

  std::vector<FixtureJob> fixture_;
};

// The jobs that are suspended, with their states: the part of the queue that only a control
// operation changes (Wine's transfer thread moves resumed jobs on and drops finished ones).
std::map<WideText, WideText> SuspendedJobs() {
  std::map<WideText, WideText> suspended;
  for (const JobInfo& job : EnumerateJobs()) {
    if (job.state == L"Suspended") suspended[job.id] = job.displayName;
  }
  return suspended;
}

// A job that was cancelled or completed has left the queue, or is still listed in that final
// state: Wine's service drops such jobs only on its transfer thread's next pass, which only a
// resumed job starts.
::testing::AssertionResult HasLeftTheQueue(const WideText& id, const wchar_t* finalState) {
  const std::vector<JobInfo> snapshot = EnumerateJobs();
  const JobInfo* job = FindJob(snapshot, id);
  if (job == nullptr || job->state == finalState) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the job is still listed as " << ToUtf8(job->state);
}

WideText LowerCase(WideText text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

}  // namespace

TEST_F(JobControlUnderWine, ResumeStartsAJobWithFilesAndRefusesOneWithout) {
  const WideText withFiles = IdOf(L"control: resume with files");
  const WideText withoutFiles = IdOf(L"control: resume without files");

  EXPECT_TRUE(ResumeJob(withFiles));
  EXPECT_TRUE(ComFullyUninitialised());
  EXPECT_FALSE(ResumeJob(withoutFiles)) << "BITS answers BG_E_EMPTY for a job without files";
  EXPECT_TRUE(ComFullyUninitialised());

  const std::vector<JobInfo> snapshot = EnumerateJobs();
  const JobInfo* started = FindJob(snapshot, withFiles);
  ASSERT_NE(started, nullptr);
  EXPECT_NE(started->state, L"Suspended");
  const JobInfo* refused = FindJob(snapshot, withoutFiles);
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(refused->state, L"Suspended");
}

TEST_F(JobControlUnderWine, SuspendRefusedByTheServiceAnswersFalseAndChangesNothing) {
  const std::map<WideText, WideText> before = SuspendedJobs();
  EXPECT_FALSE(SuspendJob(IdOf(L"control: suspend")));
  EXPECT_TRUE(ComFullyUninitialised());
  EXPECT_EQ(SuspendedJobs(), before);
}

TEST_F(JobControlUnderWine, CancelRemovesTheJobAndASecondCancelFindsNothing) {
  const WideText id = IdOf(L"control: cancel");
  std::map<WideText, WideText> others = SuspendedJobs();
  ASSERT_EQ(others.erase(id), 1u);

  EXPECT_TRUE(CancelJob(id));
  EXPECT_TRUE(ComFullyUninitialised());
  EXPECT_TRUE(HasLeftTheQueue(id, L"Cancelled"));
  EXPECT_EQ(SuspendedJobs(), others) << "only the cancelled job may change";

  EXPECT_FALSE(CancelJob(id));
  EXPECT_TRUE(ComFullyUninitialised());
}

TEST_F(JobControlUnderWine, CompleteOfAJobWithUntransferredFilesAcknowledgesIt) {
  const WideText id = IdOf(L"control: complete");
  EXPECT_TRUE(CompleteJob(id)) << "BG_S_PARTIAL_COMPLETE is a success code";
  EXPECT_TRUE(ComFullyUninitialised());
  EXPECT_TRUE(HasLeftTheQueue(id, L"Acknowledged"));
  EXPECT_FALSE(CompleteJob(id));
}

TEST_F(JobControlUnderWine, AnIdentifierWrittenAnotherWayMatchesNoJob) {
  const WideText id = IdOf(L"Kestrelmoor fixture: no description");
  ASSERT_EQ(id.size(), 38u);
  const std::map<WideText, WideText> before = SuspendedJobs();
  ASSERT_EQ(before.count(id), 1u);

  const WideText variants[] = {
      LowerCase(id), id.substr(1, 36),  // without braces
      id + L" ",     L" " + id,        WideText(), id.substr(0, 37),
  };
  for (const WideText& variant : variants) {
    SCOPED_TRACE("identifier \"" + ToUtf8(variant) + "\"");
    EXPECT_FALSE(CancelJob(variant));
    EXPECT_FALSE(ResumeJob(variant));
    EXPECT_TRUE(ComFullyUninitialised());
  }
  EXPECT_EQ(SuspendedJobs(), before);
}
