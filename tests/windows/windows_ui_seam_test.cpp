// The Windows user-interface seam, where no user is needed to answer: the executable's folder, the
// shell's answer for a missing file, and the window icon. Message boxes wait for a person and are
// left out.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "bits/com_owners.h"
#include "bits/utf8.h"
#include "bits_platform.h"
// SE_ERR_FNF
#include <shellapi.h>
#include <exdisp.h>
#include "fixture_jobs_file.h"
#include "res/product.h"
#include "ui/shell_launch_windows.h"
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
  const intptr_t result = PlatformUi().shellOpen(PlatformUi().executableFolder() +
                                                 "\\missing \xE4\xB8\xAD " KESTRELMOOR_HELP_FILE);
  EXPECT_EQ(result, SE_ERR_FNF);
}

// Elevated, the shell is asked through the desktop's own, which runs with the user's rights; where
// that is not there, and whenever the program is not elevated, through ShellExecuteW.
TEST(WindowsUiSeam, ShellLaunchTakesTheDesktopRouteOnlyWhenElevatedAndFallsBack) {
  struct Row {
    bool elevated, exists, desktopOpens;
    const wchar_t* target;
    std::string route;  // "desktop", "direct" (ShellExecuteW, answering 42) or "none"
  };
  const Row rows[] = {
      {false, false, true, L"C:\\K\\help.chm", "direct"},
      {true, true, true, L"C:\\K\\help.chm", "desktop"},
      {true, true, false, L"C:\\K\\help.chm", "direct"},
      {true, false, true, L"C:\\K\\help.chm", "none"},
      {true, false, true, L"https://kestrelmoor.example/contact", "desktop"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(ToUtf8(row.target) + (row.elevated ? " elevated" : ""));
    std::string route = "none";
    ShellLaunch launch;
    launch.elevated = [&] { return row.elevated; };
    launch.exists = [&](const WideText&) { return row.exists; };
    launch.openThroughDesktop = [&](const WideText& target) {
      if (row.desktopOpens && target == row.target) route = "desktop";
      return row.desktopOpens;
    };
    launch.shellExecute = [&](const WideText& target) -> intptr_t {
      route = target == row.target ? "direct" : "elsewhere";
      return 42;
    };
    const intptr_t answer = LaunchWithShell(launch, row.target);
    EXPECT_EQ(route, row.route);
    if (row.route == "none") {
      EXPECT_EQ(answer, SE_ERR_FNF) << "a missing file, as ShellExecuteW answers it";
    } else {
      EXPECT_GT(answer, 32);
      if (row.route == "direct") {
        EXPECT_EQ(answer, 42);
      }
    }
  }

  // Under Wine the process is elevated, and Wine's desktop process serves the shell's windows once
  // it has started them (now and then it fails to). A command file opened through the program's
  // own pieces must then run without ShellExecuteW being asked, and without that shell go to
  // ShellExecuteW. On Windows the command would run on the user's desktop: Wine only.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) return;
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const WideText command = (folder / "kestrelmoor-route.cmd").wstring();
  const WideText done = (folder / "kestrelmoor-route.done").wstring();
  DeleteFileW(done.c_str());
  std::ofstream(std::filesystem::path(command), std::ios::binary) << "@echo done>\"" << ToUtf8(done) << "\"\r\n";
  GetDesktopWindow();  // starts Wine's desktop process
  const ComApartment apartment;
  bool desktopShell = false;
  for (int wait = 0; wait < 50 && !desktopShell; ++wait, Sleep(100)) {
    ComPtr<IShellWindows> windows;
    desktopShell = SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                              IID_IShellWindows, windows.put_void()));
  }
  ShellLaunch system = SystemShellLaunch();
  ASSERT_TRUE(system.elevated());
  bool direct = false;
  system.shellExecute = [&direct](const WideText&) -> intptr_t { return direct = true, 42; };
  SCOPED_TRACE(desktopShell ? "with Wine's desktop shell" : "without a desktop shell");
  EXPECT_GT(LaunchWithShell(system, command), 32);
  EXPECT_EQ(direct, !desktopShell);
  bool ran = false;
  for (int wait = 0; wait < 200 && desktopShell && !ran; ++wait, Sleep(100)) {
    ran = GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  EXPECT_EQ(ran, desktopShell) << "the desktop's shell runs the command, and only it";
  DeleteFileW(command.c_str());
  DeleteFileW(done.c_str());
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
