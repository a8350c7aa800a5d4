// The Windows user-interface seam, where no user is needed to answer: the executable's folder, the
// shell's answer for a missing file, and the window icon. Message boxes wait for a person and are
// left out.
#include <string>

#include <gtest/gtest.h>

#include "bits/utf8.h"
#include "bits_platform.h"
#include "fixture_jobs_file.h"
#include "res/product.h"
#include "ui/ui_seam.h"

namespace {

// A plain top-level window with that title, destroyed with the owner.
class TitledWindow {
 public:
  explicit TitledWindow(const wchar_t* title)
      : handle_(CreateWindowW(L"STATIC", title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr)) {}
  ~TitledWindow() { close(); }
  TitledWindow(const TitledWindow&) = delete;
  TitledWindow& operator=(const TitledWindow&) = delete;

  HWND handle() const { return handle_; }
  void close() {
    if (handle_ != nullptr) DestroyWindow(handle_);
    handle_ = nullptr;
  }

 private:
  HWND handle_;
};

}  // namespace

TEST(WindowsUiSeam, ExecutableFolderHoldsTheRunningProgram) {
  const std::string folder = PlatformUi().executableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_NE(folder.back(), '/');
  const WideText program = FromUtf8(folder) + L"\\kestrelmoor_windows_tests.exe";
  EXPECT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES) << folder;
}

TEST(WindowsUiSeam, ShellOpenAnswersTheErrorCodeForAMissingFile) {
  const intptr_t result =
      PlatformUi().shellOpen("C:\\Kestrelmoor missing \xE4\xB8\xAD\\" KESTRELMOOR_HELP_FILE);
  EXPECT_GE(result, 0);
  EXPECT_LE(result, 32) << "a missing file is no success";
}

TEST(WindowsUiSeam, SetWindowIconGivesBothSizesTheProgramIconWhenThereIsOne) {
  TitledWindow window(L"Kestrelmoor icon test");
  ASSERT_NE(window.handle(), nullptr);
  SetWindowIcon(nullptr);  // no window: nothing to do, and no harm

  SetWindowIcon(window.handle());
  const LRESULT big = SendMessageW(window.handle(), WM_GETICON, ICON_BIG, 0);
  const LRESULT small = SendMessageW(window.handle(), WM_GETICON, ICON_SMALL, 0);
  const bool hasIcon =
      FindResourceW(nullptr, MAKEINTRESOURCEW(KESTRELMOOR_ICON_ID), RT_GROUP_ICON) != nullptr;
  if (hasIcon) {
    EXPECT_NE(big, 0);
    EXPECT_NE(small, 0);
  } else {
    // Without the resource the window keeps what it had: no icon was ever set on it.
    EXPECT_EQ(big, 0);
    EXPECT_EQ(small, 0);
  }
}

TEST(WindowsUiSeam, BusyPointerIsTheSystemWaitPointerUntilTheOneBeforeIsPutBack) {
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  const HCURSOR before = SetCursor(arrow);
  ShowBusyPointer(true);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  ShowBusyPointer(false);
  EXPECT_EQ(GetCursor(), arrow);
  SetCursor(before);
}
