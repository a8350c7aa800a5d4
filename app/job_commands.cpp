#include "app/job_commands.h"

#include <functional>
#include <optional>

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

NativeWindow MainWindowHandle() { return Ui().mainWindow(); }

// The identifier of the job that the selected line showed; nothing, after saying so, when no line
// is selected. Other users' programs add and remove jobs at any time, so a command finds its job
// again by this identifier and never by the line's position: it acts on the job the user saw or,
// when that job is gone, on none, and then says nothing.
std::optional<WideText> SelectedJobId() {
  const int line = jobBrowser != nullptr ? jobBrowser->value() : 0;
  if (line <= 0) {
    Ui().messageBox(MainWindowHandle(), kNoSelectionText, KESTRELMOOR_NAME, box::kOk);
    return std::nullopt;
  }
  return JobIdOnLine(line);
}

// Hands `act` the selected job's record, read afresh, and only that job's. The record is dropped
// only after `act` has returned.
void WithSelectedJob(const std::function<void(const JobInfo&)>& act) {
  try {
    const std::optional<WideText> id = SelectedJobId();
    if (!id) return;
    const std::optional<JobInfo> job = [&] {
      const BusyPointer busy;
      return ReadJobById(*id);
    }();
    if (job) act(*job);
  } catch (...) {
    // A failed allocation, here or in the Properties window or the export, or a seam function left
    // empty or put in place by a test that throws: the command ends having changed nothing more.
  }
}

void ControlSelectedJob(const JobControlCommand& command) {
  try {
    const std::optional<WideText> id = SelectedJobId();
    if (!id) return;
    // Asked before the question, so that a job already gone ends the command without one.
    const bool there = [&] {
      const BusyPointer busy;
      return JobExists(*id);
    }();
    if (!there) return;
    // One owner for both boxes, looked up once the job is known.
    const NativeWindow owner = MainWindowHandle();
    const int answer = Ui().messageBox(owner, command.confirmation, KESTRELMOOR_NAME,
                                       box::kYesNo | box::kIconWarning);
    if (answer != box::kIdYes) return;
    const bool done = [&] {
      const BusyPointer busy;
      return command.operation(*id);
    }();
    if (done) {
      Ui().messageBox(owner, command.success, KESTRELMOOR_NAME, box::kOk | box::kIconInformation);
      ReloadJobList(nullptr, nullptr);
    } else {
      Ui().messageBox(owner, command.failure, KESTRELMOOR_NAME, box::kOk | box::kIconError);
    }
  } catch (...) {
    // As for the display commands: the command ends having changed nothing more.
  }
}

}  // namespace

void OnProperties(Fl_Widget*, void*) { WithSelectedJob(ShowJobProperties); }
void OnExport(Fl_Widget*, void*) { WithSelectedJob(ExportJob); }

void OnCompleteJob(Fl_Widget*, void*) { ControlSelectedJob(kComplete); }
void OnCancelJob(Fl_Widget*, void*) { ControlSelectedJob(kCancel); }
void OnSuspendJob(Fl_Widget*, void*) { ControlSelectedJob(kSuspend); }
void OnResumeJob(Fl_Widget*, void*) { ControlSelectedJob(kResume); }
