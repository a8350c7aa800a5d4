// The sample queue the program lists without Windows: it must show every case the list and the
// report handle, and let every job command be seen both succeeding and refused.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "bits/job_control.h"
#include "bits/job_snapshot.h"
#include "catalogue_fixture.h"

namespace {

class SampleQueue : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    FillSampleQueue(provider);
    snapshot = EnumerateJobs();
    probe.resetCounters();
  }

  // The snapshot record whose display name starts with `name`.
  const JobInfo& Named(const std::string& name) const {
    for (const JobInfo& job : snapshot) {
      if (ToUtf8(job.displayName).rfind(name, 0) == 0) return job;
    }
    ADD_FAILURE() << "no job named " << name;
    return snapshot.front();
  }

  // Where the job with this identifier is in the provider's queue; the queue's size when gone.
  size_t PositionOf(const WideText& id) const {
    const std::vector<JobInfo> now = EnumerateJobs();
    for (size_t i = 0; i < now.size(); ++i) {
      if (now[i].id == id) return i;
    }
    return now.size();
  }

  std::vector<JobInfo> snapshot;
};

TEST_F(SampleQueue, ShowsEveryCaseTheProgramHandles) {
  ASSERT_GE(snapshot.size(), 9u);
  std::set<std::string> states, types, priorities, owners, ids;
  bool emptyDescription = false, missingDescription = false, multiLine = false;
  bool unknownSize = false, zeroCompletion = false, noFiles = false, manyFiles = false;
  bool notifyInterface = false, noJob2 = false, failedCmdLine = false, cmdLine = false;
  bool accented = false, chinese = false;
  for (const JobInfo& job : snapshot) {
    states.insert(ToUtf8(job.state));
    types.insert(ToUtf8(job.type));
    priorities.insert(ToUtf8(job.priority));
    owners.insert(ToUtf8(job.owner));
    ids.insert(ToUtf8(job.id));
    emptyDescription |= job.description.empty();
    missingDescription |= job.description == WIDE_TEXT("None");
    multiLine |= job.description.find(u'\n') != WideText::npos;
    unknownSize |= job.bytesTotal == BG_SIZE_UNKNOWN;
    zeroCompletion |= job.completed == WIDE_TEXT("N/A");
    noFiles |= job.files.empty();
    manyFiles |= job.files.size() > 2;
    notifyInterface |= job.hasNotifyInterface;
    noJob2 |= job.notifyProgram == WIDE_TEXT("None") && job.notifyArguments == WIDE_TEXT("None");
    failedCmdLine |= job.notifyProgram.empty() && job.notifyArguments.empty();
    cmdLine |= job.notifyProgram.size() > 4;
    accented |= job.displayName.find(u'\u00e9') != WideText::npos;
    chinese |= job.displayName.find(u'\u4e2d') != WideText::npos;
  }
  EXPECT_EQ(states.size(), 9u);
  EXPECT_EQ(states.count("Unknown"), 0u);
  EXPECT_EQ(types, (std::set<std::string>{"Download", "Upload"}));
  EXPECT_EQ(priorities, (std::set<std::string>{"Foreground", "High", "Normal", "Low"}));
  EXPECT_GE(owners.size(), 4u);
  EXPECT_EQ(owners.count("Unknown"), 1u);
  EXPECT_EQ(ids.size(), snapshot.size());
  EXPECT_TRUE(emptyDescription && missingDescription && multiLine);
  EXPECT_TRUE(unknownSize && zeroCompletion && noFiles && manyFiles);
  EXPECT_TRUE(notifyInterface && noJob2 && failedCmdLine && cmdLine);
  EXPECT_TRUE(accented && chinese);
  ExpectAllGivenBack();
}

TEST_F(SampleQueue, IsTheSameOnEveryFill) {
  BitsProvider other;
  FillSampleQueue(other);
  ASSERT_EQ(other.jobs.size(), provider.jobs.size());
  for (size_t i = 0; i < other.jobs.size(); ++i) {
    EXPECT_TRUE(other.jobs[i].id == provider.jobs[i].id);
    EXPECT_EQ(other.jobs[i].displayName, provider.jobs[i].displayName);
  }
}

TEST_F(SampleQueue, SuspendThenResume) {
  const JobInfo& job = Named("Nightly sync");
  ASSERT_TRUE(SuspendJob(job.id));
  EXPECT_EQ(EnumerateJobs()[PositionOf(job.id)].state, WIDE_TEXT("Suspended"));
  ASSERT_TRUE(ResumeJob(job.id));
  EXPECT_EQ(EnumerateJobs()[PositionOf(job.id)].state, WIDE_TEXT("Queued"));
  ExpectAllGivenBack();
}

TEST_F(SampleQueue, ResumeIsRefusedWhenNoFileIsLeftToTransfer) {
  const JobInfo& empty = Named("Weekly report");
  ASSERT_TRUE(empty.files.empty());
  EXPECT_EQ(CallJobMethod(PositionOf(empty.id),
                          [](IBackgroundCopyJob* job) { return job->Resume(); }),
            BG_E_EMPTY);
  EXPECT_FALSE(ResumeJob(empty.id));
  EXPECT_FALSE(ResumeJob(Named("Virus definitions").id));  // every file transferred
  EXPECT_TRUE(ResumeJob(Named("Mise").id));
  ExpectAllGivenBack();
}

TEST_F(SampleQueue, CancelRemovesTheJob) {
  const WideText id = Named("Photo backup").id;
  EXPECT_EQ(CallJobMethod(PositionOf(id), [](IBackgroundCopyJob* job) { return job->Cancel(); }),
            S_OK);
  EXPECT_EQ(PositionOf(id), snapshot.size() - 1);  // gone
  // A job with a partly transferred file is cancelled too, with a success code of its own.
  const WideText partial = Named("Nightly sync").id;
  EXPECT_EQ(
      CallJobMethod(PositionOf(partial), [](IBackgroundCopyJob* job) { return job->Cancel(); }),
      BG_S_UNABLE_TO_DELETE_FILES);
  EXPECT_EQ(EnumerateJobs().size(), snapshot.size() - 2);
  ExpectAllGivenBack();
}

TEST_F(SampleQueue, CompleteRemovesTheJobAndSaysWhenItWasPartial) {
  const WideText partial = Named("Driver catalogue").id;
  EXPECT_EQ(CallJobMethod(PositionOf(partial),
                          [](IBackgroundCopyJob* job) { return job->Complete(); }),
            BG_S_PARTIAL_COMPLETE);
  const WideText whole = Named("Virus definitions").id;
  EXPECT_EQ(
      CallJobMethod(PositionOf(whole), [](IBackgroundCopyJob* job) { return job->Complete(); }),
      S_OK);
  const std::vector<JobInfo> now = EnumerateJobs();
  EXPECT_EQ(now.size(), snapshot.size() - 2);
  EXPECT_TRUE(std::none_of(now.begin(), now.end(), [&](const JobInfo& job) {
    return job.id == partial || job.id == whole;
  }));
  ExpectAllGivenBack();
}

TEST_F(SampleQueue, FinishedJobsRefuseEveryChange) {
  for (const char* name : {"Quillpad 4.1 installer", "Log upload"}) {
    SCOPED_TRACE(name);
    const WideText id = Named(name).id;
    for (HRESULT (*method)(IBackgroundCopyJob*) :
         {+[](IBackgroundCopyJob* job) { return job->Suspend(); },
          +[](IBackgroundCopyJob* job) { return job->Resume(); },
          +[](IBackgroundCopyJob* job) { return job->Cancel(); },
          +[](IBackgroundCopyJob* job) { return job->Complete(); }}) {
      EXPECT_EQ(CallJobMethod(PositionOf(id), method), BG_E_INVALID_STATE);
    }
    EXPECT_FALSE(CancelJob(id));
    EXPECT_LT(PositionOf(id), snapshot.size());
  }
  ExpectAllGivenBack();
}

}  // namespace
