// The user-interface seam replaced for a test: the save dialog answers a chosen path, and every
// message box is recorded instead of shown.
#pragma once

#include <string>
#include <vector>

#include "ui/ui_seam.h"

struct RecordedBox {
  std::string text;
  std::string caption;
  unsigned flags = 0;
};

struct RecordingUi {
  std::string savePath;  // empty: the dialog is cancelled
  std::vector<RecordedBox> boxes;

  // Puts the recording functions in place; the platform's come back on destruction.
  void Install();
  ~RecordingUi();
};
