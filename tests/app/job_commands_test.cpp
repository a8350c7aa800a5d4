// The six commands on the selected job: which job they act on, the boxes they show and when the
// list is filled again.
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Window.H>

#include "app/job_commands.h"
#include "app/job_list.h"
#include "app_test_support.h"
#include "bits/utf8.h"

namespace {

struct ControlCase {
  const char* name;
  Fl_Callback* handler;
  const char* confirmation;
  const char* success;
  const char* failure;
  const char* methodCall;  // the provider's name for the job method the command ends in
};

const ControlCase kControlCases[] = {
    {"Complete", OnCompleteJob, "Are you sure you want to complete the selected job?",
     "Job completed successfully.", "Unable to complete the job.", "IBackgroundCopyJob::Complete"},
    {"Cancel", OnCancelJob, "Are you sure you want to cancel the selected job?",
     "Job canceled successfully.", "Unable to cancel the job.", "IBackgroundCopyJob::Cancel"},
    {"Suspend", OnSuspendJob, "Are you sure you want to suspend the selected job?",
     "Job suspended successfully.", "Unable to suspend the job.", "IBackgroundCopyJob::Suspend"},
    {"Resume", OnResumeJob, "Are you sure you want to resume the selected job?",
     "Job resumed successfully.", "Unable to resume the job.", "IBackgroundCopyJob::Resume"},
};

const std::vector<std::pair<const char*, Fl_Callback*>> kAllCommands = {
    {"Properties", OnProperties}, {"Export", OnExport},   {"Complete", OnCompleteJob},
    {"Cancel", OnCancelJob},      {"Suspend", OnSuspendJob}, {"Resume", OnResumeJob},
};

unsigned MethodCalls(const ProviderProbe& probe) {
  unsigned total = 0;
  for (const ControlCase& c : kControlCases) total += probe.uses(c.methodCall);
  return total;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The text of the Properties window that is showing, empty when none is.
std::string ShownPropertiesText() {
  for (Fl_Window* shown = Fl::first_window(); shown != nullptr; shown = Fl::next_window(shown)) {
    if (shown->label() == nullptr || std::string(shown->label()) != "Job Details") continue;
    for (int i = 0; i < shown->children(); ++i) {
      if (auto* text = dynamic_cast<Fl_Input_*>(shown->child(i))) return text->value();
    }
  }
  return std::string();
}

class JobCommandsTest : public AppTest {
 protected:
  void ExpectBox(size_t index, const std::string& text, unsigned flags) {
    ASSERT_LT(index, seam.boxes.size());
    const ShownBox& shown = seam.boxes[index];
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.caption, "Kestrelmoor");
    EXPECT_EQ(shown.flags, flags);
    EXPECT_EQ(shown.owner, seam.ownerHandle);
  }
  // Selects the line whose first column shows `displayName`.
  void SelectLineOf(const std::string& displayName) {
    for (int line = 1; line <= jobBrowser->size(); ++line) {
      const std::string text = jobBrowser->text(line);
      if (text.rfind("@." + displayName + "\t", 0) == 0) {
        jobBrowser->select(line);
        return;
      }
    }
    ADD_FAILURE() << "no line shows " << displayName;
  }
};

TEST_F(JobCommandsTest, WithoutSelectionEveryCommandOnlyAsksForOne) {
  const std::vector<std::string> before = ListLines();
  for (const auto& [name, handler] : kAllCommands) {
    SCOPED_TRACE(name);
    seam.boxes.clear();
    probe.resetCounters();
    handler(nullptr, nullptr);
    ASSERT_EQ(seam.boxes.size(), 1u);
    ExpectBox(0, "Please select a job first.", box::kOk);
    EXPECT_EQ(probe.uses("CoCreateInstance"), 0u) << "no snapshot is taken";
    EXPECT_EQ(seam.saveDialogs, 0);
    EXPECT_TRUE(ShownPropertiesText().empty());
    EXPECT_EQ(ListLines(), before);
  }
  EXPECT_EQ(provider.jobs.size(), 3u);
}

TEST_F(JobCommandsTest, EmptyQueueMeansNothingCanBeSelected) {
  provider.jobs.clear();
  ReloadJobList(nullptr, nullptr);
  OnCancelJob(nullptr, nullptr);
  ASSERT_EQ(seam.boxes.size(), 1u);
  ExpectBox(0, "Please select a job first.", box::kOk);
}

TEST_F(JobCommandsTest, LastLineBeyondAShrunkQueueDoesNothing) {
  jobBrowser->select(3);
  provider.jobs.pop_back();
  const std::vector<std::string> before = ListLines();
  for (const auto& [name, handler] : kAllCommands) {
    SCOPED_TRACE(name);
    handler(nullptr, nullptr);
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_EQ(seam.saveDialogs, 0);
    EXPECT_TRUE(ShownPropertiesText().empty());
    EXPECT_EQ(ListLines(), before) << "no refill";
    EXPECT_EQ(jobBrowser->value(), 3);
  }
  EXPECT_EQ(MethodCalls(probe), 0u);
}

TEST_F(JobCommandsTest, JobGoneSinceTheFillIsLeftAloneAndSoIsItsSuccessor) {
  // Bravo was on line 2; Charlie now stands at that position of a new snapshot.
  jobBrowser->select(2);
  provider.jobs.erase(provider.jobs.begin() + ProviderIndex(0xB));
  for (const auto& [name, handler] : kAllCommands) {
    SCOPED_TRACE(name);
    handler(nullptr, nullptr);
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_EQ(seam.saveDialogs, 0);
    EXPECT_TRUE(ShownPropertiesText().empty());
    EXPECT_EQ(jobBrowser->value(), 2);
  }
  EXPECT_EQ(MethodCalls(probe), 0u);
  ASSERT_EQ(provider.jobs.size(), 2u);
  EXPECT_EQ(provider.jobs[1].state, BG_JOB_STATE_SUSPENDED);
}

TEST_F(JobCommandsTest, AnsweringNoChangesNothing) {
  seam.yesNoAnswer = box::kIdNo;
  jobBrowser->select(2);
  const std::vector<std::string> before = ListLines();
  for (const ControlCase& command : kControlCases) {
    SCOPED_TRACE(command.name);
    seam.boxes.clear();
    command.handler(nullptr, nullptr);
    ASSERT_EQ(seam.boxes.size(), 1u);
    ExpectBox(0, command.confirmation, box::kYesNo | box::kIconWarning);
    EXPECT_EQ(ListLines(), before);
    EXPECT_EQ(jobBrowser->value(), 2) << "no refill";
  }
  EXPECT_EQ(MethodCalls(probe), 0u);
  ASSERT_EQ(provider.jobs.size(), 3u);
  EXPECT_EQ(provider.jobs[1].state, BG_JOB_STATE_TRANSFERRING);
}

TEST_F(JobCommandsTest, SuccessIsReportedThenTheListShowsTheNewState) {
  jobBrowser->select(2);
  OnSuspendJob(nullptr, nullptr);
  ASSERT_EQ(seam.boxes.size(), 2u);
  ExpectBox(0, "Are you sure you want to suspend the selected job?",
            box::kYesNo | box::kIconWarning);
  ExpectBox(1, "Job suspended successfully.", box::kOk | box::kIconInformation);
  EXPECT_EQ(seam.boxes[1].selectedLineWhenShown, 2) << "the refill follows the closed box";
  EXPECT_EQ(provider.jobs[1].state, BG_JOB_STATE_SUSPENDED);
  EXPECT_EQ(jobBrowser->value(), 0);
  ASSERT_EQ(jobBrowser->size(), 3);
  EXPECT_EQ(std::string(jobBrowser->text(2)), "@.Bravo\t@.second job\t@.Suspended");
  // The job is asked for by its identifier before the question and for the change; only the
  // refill walks the queue, reading what the lines show.
  EXPECT_EQ(probe.uses("IBackgroundCopyManager::GetJob"), 2u);
  EXPECT_EQ(probe.uses("IBackgroundCopyManager::EnumJobs"), 1u);
  EXPECT_EQ(probe.uses("IBackgroundCopyJob::GetOwner"), 0u);
}

TEST_F(JobCommandsTest, EachControlCommandReportsItsSuccess) {
  provider.jobs[0].state = BG_JOB_STATE_TRANSFERRED;
  provider.jobs[2].state = BG_JOB_STATE_SUSPENDED;
  const struct {
    const ControlCase& command;
    const char* job;
  } runs[] = {{kControlCases[3], "Charlie"}, {kControlCases[0], "Alpha"}, {kControlCases[1], "Bravo"}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.command.name);
    SelectLineOf(run.job);
    seam.boxes.clear();
    run.command.handler(nullptr, nullptr);
    ASSERT_EQ(seam.boxes.size(), 2u);
    ExpectBox(0, run.command.confirmation, box::kYesNo | box::kIconWarning);
    ExpectBox(1, run.command.success, box::kOk | box::kIconInformation);
    EXPECT_EQ(jobBrowser->value(), 0);
  }
  // Complete and Cancel take their jobs out of the queue; Resume queues Charlie again.
  ASSERT_EQ(provider.jobs.size(), 1u);
  EXPECT_EQ(provider.jobs[0].id.Data1, 0xCu);
  EXPECT_NE(provider.jobs[0].state, BG_JOB_STATE_SUSPENDED);
  EXPECT_EQ(jobBrowser->size(), 1);
}

TEST_F(JobCommandsTest, FailureIsReportedAndTheListKeepsTheOldSnapshot) {
  for (const ControlCase& command : kControlCases) {
    SCOPED_TRACE(command.name);
    probe.resetCounters();
    probe.faults = {ProviderFault{command.methodCall, 1, BG_E_INVALID_STATE}};
    jobBrowser->select(1);
    const std::vector<std::string> before = ListLines();
    seam.boxes.clear();
    command.handler(nullptr, nullptr);
    ASSERT_EQ(seam.boxes.size(), 2u);
    ExpectBox(0, command.confirmation, box::kYesNo | box::kIconWarning);
    ExpectBox(1, command.failure, box::kOk | box::kIconError);
    EXPECT_EQ(ListLines(), before);
    EXPECT_EQ(jobBrowser->value(), 1) << "no refill";
  }
  EXPECT_EQ(provider.jobs.size(), 3u);
}

TEST_F(JobCommandsTest, JobAddedBeforeTheSelectedOneDoesNotShiftTheCommand) {
  jobBrowser->select(2);  // Bravo
  provider.jobs.insert(provider.jobs.begin(), MakeJob(0xE, u"Echo", u"another user's job"));
  OnCancelJob(nullptr, nullptr);
  ASSERT_EQ(seam.boxes.size(), 2u);
  ExpectBox(1, "Job canceled successfully.", box::kOk | box::kIconInformation);
  EXPECT_EQ(ProviderIndex(0xB), -1) << "the job the line showed is cancelled";
  EXPECT_NE(ProviderIndex(0xA), -1) << "the job now at line 2's position is untouched";
  EXPECT_NE(ProviderIndex(0xE), -1);
  EXPECT_NE(ProviderIndex(0xC), -1);
}

TEST_F(JobCommandsTest, ExportWritesTheJobTheLineShowed) {
  const std::string path = ::testing::TempDir() + "kestrelmoor-export-test.txt";
  std::remove(path.c_str());
  seam.savePath = path;
  jobBrowser->select(3);  // Charlie
  provider.jobs.insert(provider.jobs.begin(), MakeJob(0xE, u"Echo", u"another user's job"));
  const std::vector<std::string> before = ListLines();
  OnExport(nullptr, nullptr);
  EXPECT_EQ(seam.saveDialogs, 1);
  const std::string written = ReadFile(path);
  EXPECT_NE(written.find("Charlie"), std::string::npos) << written;
  EXPECT_EQ(written.find("Bravo"), std::string::npos) << written;
  for (const ShownBox& shown : seam.boxes) {
    EXPECT_EQ(shown.text.find("Are you sure"), std::string::npos) << "no confirmation";
  }
  EXPECT_EQ(ListLines(), before);
  EXPECT_EQ(jobBrowser->value(), 3);
  std::remove(path.c_str());
}

TEST_F(JobCommandsTest, PropertiesShowsTheJobTheLineShowedAndLeavesTheList) {
  jobBrowser->select(1);  // Alpha
  provider.jobs.insert(provider.jobs.begin(), MakeJob(0xE, u"Echo", u"another user's job"));
  const std::vector<std::string> before = ListLines();
  OnProperties(nullptr, nullptr);
  const std::string shown = ShownPropertiesText();
  EXPECT_NE(shown.find("Alpha"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("Echo"), std::string::npos) << shown;
  EXPECT_TRUE(seam.boxes.empty());
  EXPECT_EQ(ListLines(), before);
  EXPECT_EQ(jobBrowser->value(), 1);
  EXPECT_EQ(MethodCalls(probe), 0u);
  EXPECT_EQ(probe.uses("IBackgroundCopyManager::GetJob"), 1u);
  EXPECT_EQ(probe.uses("IBackgroundCopyManager::EnumJobs"), 0u) << "no other job is read";
}

TEST_F(JobCommandsTest, JobsThatGetJobRefusesAreFoundByTheWalkOfAllUsers) {
  // As BITS refuses GetJob for a job created at a higher integrity level, which the walk lists.
  for (ProviderJob& job : provider.jobs) job.refusesGetJob = true;
  const std::string path = ::testing::TempDir() + "kestrelmoor-refused-export-test.txt";
  std::remove(path.c_str());
  seam.savePath = path;
  SelectLineOf("Charlie");
  OnProperties(nullptr, nullptr);
  EXPECT_NE(ShownPropertiesText().find("third job"), std::string::npos);
  OnExport(nullptr, nullptr);
  EXPECT_NE(ReadFile(path).find("third job"), std::string::npos);
  std::remove(path.c_str());
  const struct {
    const ControlCase& command;
    const char* job;
  } runs[] = {{kControlCases[0], "Alpha"}, {kControlCases[1], "Bravo"},
              {kControlCases[3], "Charlie"}, {kControlCases[2], "Charlie"}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.command.name);
    SelectLineOf(run.job);
    seam.boxes.clear();
    run.command.handler(nullptr, nullptr);
    ASSERT_EQ(seam.boxes.size(), 2u);
    ExpectBox(1, run.command.success, box::kOk | box::kIconInformation);
  }
  ASSERT_EQ(provider.jobs.size(), 1u);
  EXPECT_EQ(provider.jobs[0].state, BG_JOB_STATE_SUSPENDED);
}

TEST_F(JobCommandsTest, PopupCommandActsOnTheCurrentSelection) {
  jobBrowser->select(3);  // Charlie
  const Fl_Menu_Item* resume = window.jobPopupMenu->find_item("&Resume Job");
  ASSERT_NE(resume, nullptr);
  window.jobPopupMenu->picked(resume);
  ASSERT_EQ(seam.boxes.size(), 2u);
  ExpectBox(1, "Job resumed successfully.", box::kOk | box::kIconInformation);
  EXPECT_NE(provider.jobs[2].state, BG_JOB_STATE_SUSPENDED);
  EXPECT_EQ(provider.jobs[1].state, BG_JOB_STATE_TRANSFERRING);
}

}  // namespace
