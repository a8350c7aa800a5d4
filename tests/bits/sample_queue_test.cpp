// The sample queue the program lists without Windows: it must show every case the list and the
// report handle, and let every job command be seen both succeeding and refused.
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

// What a user of the sample queue sees: each command said to succeed on one job and refused on
// another, a Complete among them refused for an upload that has not finished.
TEST_F(SampleQueue, EveryJobCommandHasAJobThatTakesItAndOneThatRefusesIt) {
  const struct {
    const char* command;
    bool (*operation)(WideText id);
    const char* takes;
    const char* refuses;
  } cases[] = {
      {"Complete", CompleteJob, "Virus definitions", "Photo backup upload"},
      {"Cancel", CancelJob, "Photo backup upload", "Log upload"},
      {"Suspend", SuspendJob, "Nightly sync", "Quillpad 4.1 installer"},
      {"Resume", ResumeJob, "Mise", "Weekly report"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.command);
    FillSampleQueue(provider);
    EXPECT_FALSE(each.operation(Named(each.refuses).id)) << each.refuses;
    EXPECT_EQ(EnumerateJobs().size(), snapshot.size()) << "a refusal changes nothing";
    EXPECT_TRUE(each.operation(Named(each.takes).id)) << each.takes;
    ExpectAllGivenBack();
  }
}

}  // namespace
