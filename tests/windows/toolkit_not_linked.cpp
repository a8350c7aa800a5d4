// The Windows tests link the seam without the toolkit (no FLTK built for Windows is needed to run
// them), so what the seam takes from the toolkit is answered here: the save dialog as a dialog that
// failed, and the main window, which only the toolkit's window can be, as none.
#include "ui/ui_seam.h"

SaveDialogOutcome RunNativeSaveDialog(const SaveDialogSetup&) {
  SaveDialogOutcome outcome;
  outcome.status = -1;
  outcome.errorText = "the save dialog is not linked into the Windows tests";
  return outcome;
}

NativeWindow RegisteredMainWindow() { return nullptr; }
