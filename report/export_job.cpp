#include "report/export_job.h"

#include <exception>
#include <string>

#include <FL/Fl_Native_File_Chooser.H>

#include "report/crlf_text_file.h"
#include "report/job_report.h"
#include "ui/ui_seam.h"

namespace {

SaveDialogSetup ExportDialogSetup() {
  SaveDialogSetup setup;
  setup.type = Fl_Native_File_Chooser::BROWSE_SAVE_FILE;
  setup.title = "Export Item";
  setup.filter = "Text files\t*.txt";
  // No SAVEAS_CONFIRM: choosing an existing file replaces it without a question.
  setup.options = 0;
  return setup;
}

// The owner is asked for anew for each box: the main window may have gone since the dialog opened.
void ShowExportError(const std::string& text) {
  const NativeWindow owner = Ui().mainWindow();
  Ui().messageBox(owner, text, "Error", box::kIconError);
}

// The dialog's reason comes from the toolkit as narrow text and goes to the narrow box unchanged.
void ShowDialogError(const std::string& reason) {
  const NativeWindow owner = Ui().mainWindow();
  Ui().messageBoxNarrow(owner, "An error has occurred: " + reason, "Error", box::kIconError);
}

void ExportChosenFile(const std::string& path, const JobInfo& job) {
  std::string report;
  try {
    report = FormatJobReport(job);
  } catch (const std::exception&) {
    // A failed allocation for the report. Nothing was opened yet, so a file that already had this
    // name is still whole.
    ShowExportError("Error writing file.");
    return;
  }
  switch (WriteTextWithCrLf(path, report)) {
    case TextFileOutcome::kWritten:
      return;
    case TextFileOutcome::kNotOpened:
      ShowExportError("Error opening file.");
      return;
    case TextFileOutcome::kNotWritten:
      ShowExportError("Error writing file.");
      return;
  }
}

}  // namespace

void ExportJob(const JobInfo& job) {
  const SaveDialogOutcome chosen = Ui().runSaveDialog(ExportDialogSetup());
  if (chosen.status == -1) {
    ShowDialogError(chosen.errorText);
    return;
  }
  if (chosen.status != 0) {
    return;  // cancelled
  }
  // The name is used exactly as typed: no extension is added and nothing is checked.
  ExportChosenFile(chosen.path, job);
}
