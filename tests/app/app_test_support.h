// What the application tests share: jobs for the in-memory BITS service, a user-interface seam
// that records every message box and answers it, and the main window built against both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "bits/job_info.h"
#include "bits/provider/bits_provider.h"
#include "tests/support/provider_probe.h"
#include "ui/ui_seam.h"

// A job with an identifier made from `serial`, so that tests can tell jobs apart by it.
ProviderJob MakeJob(uint32_t serial, const std::u16string& displayName,
                    const std::u16string& description, BG_JOB_STATE state = BG_JOB_STATE_QUEUED);

struct ShownBox {
  NativeWindow owner = nullptr;
  std::string text;
  std::string caption;
  unsigned flags = 0;
  int selectedLineWhenShown = 0;  // jobBrowser->value() while the box was open
};

// Replaces the seam: mainWindow answers `ownerHandle`, each message box
// is recorded and answered (Yes/No boxes with `yesNoAnswer`), and the save dialog answers `savePath`.
struct RecordingSeam {
  NativeWindow ownerHandle = reinterpret_cast<NativeWindow>(static_cast<uintptr_t>(0x5EA1));
  int yesNoAnswer = box::kIdYes;
  std::vector<ShownBox> boxes;
  std::string savePath;
  int saveDialogs = 0;

  void Install();
};

// The texts of the list's lines, in order.
std::vector<std::string> ListLines();

// Hides every shown window but `keep`, such as the Properties windows a test opened.
void HideWindowsExcept(Fl_Window* keep);

// The main window built over a provider holding jobs A, B and C, with the recording seam in force.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The snapshot as the program would take it now.
  std::vector<JobInfo> CurrentJobs() const;
  // Index in provider.jobs of the job with this serial, or -1.
  int ProviderIndex(uint32_t serial) const;

  BitsProvider provider;
  ProviderProbe probe{provider};
  RecordingSeam seam;
  MainWindow window;
};
