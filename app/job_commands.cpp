#include "app/job_commands.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "app/busy_pointer.h"
#include "app/job_list.h"
#include "bits/job_control.h"
#include "bits/job_snapshot.h"
#include "report/export_job.h"
#include "report/properties_window.h"
#include "res/product.h"
#include "ui/ui_seam.h"

namespace {

constexpr const char* kNoSelectionText = "Please select a job first.";

// What sets one control command apart from the others: its operation and its three texts.
struct JobControlCommand {
  bool (*operation)(WideText id);
  const char* confirmation;
  const char* success;
  const char* failure;
};

const JobControlCommand kComplete{CompleteJob,
                                  "Are you sure you want to complete the selected job?",
                                  "Job completed successfully.", "Unable to complete the job."};
const JobControlCommand kCancel{CancelJob, "Are you sure you want to cancel the selected job?",
                                "Job canceled successfully.", "Unable to cancel the job."};
const JobControlCommand kSuspend{SuspendJob, "Are you sure you want to suspend the selected job?",
                                 "Job suspended successfully.", "Unable to suspend the job."};
const JobControlCommand kResume{ResumeJob, "Are you sure you want to resume the selected job?",
                                "Job resumed successfully.", "Unable to resume the job."};

NativeWindow MainWindowHandle() { return Ui().findWindow(KESTRELMOOR_NAME); }

// Hands `act` the record, in a new snapshot, of the job that the selected line showed. Other users'
// programs add and remove jobs at any time, so the job is found again by its identifier and never
// by its position: a command acts on the job the user saw or, when that job is gone, on none, and
// then says nothing. The snapshot is dropped only after `act` has returned.
void WithSelectedJob(const std::function<void(const JobInfo&)>& act) {
  try {
    const int line = jobBrowser != nullptr ? jobBrowser->value() : 0;
    if (line <= 0) {
      Ui().messageBox(MainWindowHandle(), kNoSelectionText, KESTRELMOOR_NAME, box::kOk);
      return;
    }
    const std::vector<JobInfo> snapshot = [] {
      const BusyPointer busy;
      return EnumerateJobs();
    }();
    const std::optional<WideText> shownId = JobIdOnLine(line);
    if (!shownId) return;
    const auto selected = std::find_if(snapshot.begin(), snapshot.end(),
                                       [&](const JobInfo& job) { return job.id == *shownId; });
    if (selected == snapshot.end()) return;
    act(*selected);
  } catch (...) {
    // A failed allocation, here or in the Properties window or the export, or a seam function left
    // empty or put in place by a test that throws: the command ends having changed nothing more.
  }
}

void ControlSelectedJob(const JobControlCommand& command) {
  WithSelectedJob([&command](const JobInfo& job) {
    // One owner for both boxes, looked up once the job is known.
    const NativeWindow owner = MainWindowHandle();
    const int answer = Ui().messageBox(owner, command.confirmation, KESTRELMOOR_NAME,
                                       box::kYesNo | box::kIconWarning);
    if (answer != box::kIdYes) return;
    const bool done = [&] {
      const BusyPointer busy;
      return command.operation(job.id);
    }();
    if (done) {
      Ui().messageBox(owner, command.success, KESTRELMOOR_NAME, box::kOk | box::kIconInformation);
      ReloadJobList(nullptr, nullptr);
    } else {
      Ui().messageBox(owner, command.failure, KESTRELMOOR_NAME, box::kOk | box::kIconError);
    }
  });
}

}  // namespace

void OnProperties(Fl_Widget*, void*) { WithSelectedJob(ShowJobProperties); }
void OnExport(Fl_Widget*, void*) { WithSelectedJob(ExportJob); }

void OnCompleteJob(Fl_Widget*, void*) { ControlSelectedJob(kComplete); }
void OnCancelJob(Fl_Widget*, void*) { ControlSelectedJob(kCancel); }
void OnSuspendJob(Fl_Widget*, void*) { ControlSelectedJob(kSuspend); }
void OnResumeJob(Fl_Widget*, void*) { ControlSelectedJob(kResume); }
