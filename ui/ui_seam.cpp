#include "ui/ui_seam.h"

#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Window.H>

namespace {

UiSeam& CurrentSeam() {
  static UiSeam seam = PlatformUi();
  return seam;
}

Fl_Window* registeredMainWindow = nullptr;

}  // namespace

void RegisterMainWindow(Fl_Window* window) { registeredMainWindow = window; }

// Asked afresh each time: the handle exists only while the window is shown.
NativeWindow RegisteredMainWindow() {
  Fl_Window* window = registeredMainWindow;
  return window != nullptr && window->shown() ? NativeHandleOf(window) : nullptr;
}

UiSeam& Ui() { return CurrentSeam(); }

void RestorePlatformUi() { CurrentSeam() = PlatformUi(); }

// The save dialog is the toolkit's on every platform; only the texts it gives back cross the seam.
SaveDialogOutcome RunNativeSaveDialog(const SaveDialogSetup& setup) {
  Fl_Native_File_Chooser chooser;
  chooser.type(setup.type);
  chooser.title(setup.title.c_str());
  chooser.filter(setup.filter.c_str());
  chooser.options(setup.options);
  SaveDialogOutcome outcome;
  outcome.status = chooser.show();
  if (outcome.status == -1) {
    const char* reason = chooser.errmsg();
    outcome.errorText = reason != nullptr ? reason : "";
  } else if (outcome.status == 0) {
    const char* chosen = chooser.filename();
    outcome.path = chosen != nullptr ? chosen : "";
  }
  return outcome;
}
