// The seam's message boxes, answered by a helper thread that reads the box the way a person
// would: its caption, its text and its buttons. The helper gives up after a few seconds, and a box
// it found is always answered, so no run waits for a user.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "bits_platform.h"
#include "fixture_jobs_file.h"
#include "ui/ui_seam.h"

namespace {

struct SeenBox {
  bool found = false;
  WideText caption;
  std::vector<WideText> texts;  // every child window's text
  bool yes = false, no = false, ok = false;
};

WideText WindowText(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

bool ShownButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button != nullptr && IsWindowVisible(button);
}

BOOL CALLBACK CollectChildText(HWND child, LPARAM seen) {
  reinterpret_cast<SeenBox*>(seen)->texts.push_back(WindowText(child));
  return TRUE;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (WideText(className) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Waits on another thread for the box that `boxThread` shows, reads it and presses `answer`.
class BoxAnswerer {
 public:
  BoxAnswerer(DWORD boxThread, int answer)
      : helper_([this, boxThread, answer] { Run(boxThread, answer); }) {}
  ~BoxAnswerer() {
    if (helper_.joinable()) helper_.join();
  }
  const SeenBox& seen() {
    if (helper_.joinable()) helper_.join();
    return seen_;
  }

 private:
  void Run(DWORD boxThread, int answer) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      HWND dialog = nullptr;
      EnumThreadWindows(boxThread, FindDialog, reinterpret_cast<LPARAM>(&dialog));
      if (dialog != nullptr) {
        seen_.found = true;
        seen_.caption = WindowText(dialog);
        EnumChildWindows(dialog, CollectChildText, reinterpret_cast<LPARAM>(&seen_));
        seen_.yes = ShownButton(dialog, IDYES);
        seen_.no = ShownButton(dialog, IDNO);
        seen_.ok = ShownButton(dialog, IDOK);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, answer)));
        return;
      }
      Sleep(50);
    }
  }

  SeenBox seen_;
  std::thread helper_;
};

bool HasText(const SeenBox& seen, const WideText& text) {
  for (const WideText& shown : seen.texts) {
    if (shown == text) return true;
  }
  return false;
}

}  // namespace

TEST(WindowsUiSeamMessageBox, ShowsUtf8TextsAndAnswersWithTheButtonPressed) {
  const UiSeam seam = PlatformUi();
  BoxAnswerer answerer(GetCurrentThreadId(), IDNO);
  const int answer =
      seam.messageBox(nullptr,
                      "Cancel \xC2\xAB"
                      "Sauvegarde \xC3\xA9t\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87"
                      "\xC2\xBB?",
                      "Kestrelmoor \xF0\x9F\x93\xA6", box::kYesNo | box::kIconWarning);
  const SeenBox& seen = answerer.seen();
  ASSERT_TRUE(seen.found) << "no message box was shown";
  EXPECT_EQ(seen.caption, L"Kestrelmoor \U0001F4E6");
  EXPECT_TRUE(HasText(seen, L"Cancel \u00abSauvegarde \u00e9t\u00e9 \u4e2d\u6587\u00bb?"));
  EXPECT_TRUE(seen.yes);
  EXPECT_TRUE(seen.no);
  EXPECT_FALSE(seen.ok);
  EXPECT_EQ(answer, box::kIdNo);
}

TEST(WindowsUiSeamMessageBox, NarrowBoxShowsItsTextsAsTheyAre) {
  const UiSeam seam = PlatformUi();
  BoxAnswerer answerer(GetCurrentThreadId(), IDOK);
  const int answer =
      seam.messageBoxNarrow(nullptr, "Unable to write the file.", "Error", box::kIconError);
  const SeenBox& seen = answerer.seen();
  ASSERT_TRUE(seen.found) << "no message box was shown";
  EXPECT_EQ(seen.caption, L"Error");
  EXPECT_TRUE(HasText(seen, L"Unable to write the file."));
  EXPECT_TRUE(seen.ok);
  EXPECT_FALSE(seen.yes);
  EXPECT_EQ(answer, box::kIdOk);
}
