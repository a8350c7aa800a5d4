// The Windows tests link the seam without the toolkit (no FLTK built for Windows is needed to run
// them), so the save dialog that the seam hands on is answered here as a dialog that failed.
#include "ui/ui_seam.h"

SaveDialogOutcome RunNativeSaveDialog(const SaveDialogSetup&) {
  SaveDialogOutcome outcome;
  outcome.status = -1;
  outcome.errorText = "the save dialog is not linked into the Windows tests";
  return outcome;
}
