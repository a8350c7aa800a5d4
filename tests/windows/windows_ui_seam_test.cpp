// The Windows user-interface seam, where no user is needed to answer: the executable's folder, the
// shell's answer for a missing file, and the window icon. Message boxes wait for a person and are
// left out.
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
    const char* route;  // which way the target went: "desktop", "direct" or "none"
  };
  // ShellExecuteW's answer, passed on as it is.
  constexpr intptr_t kDirectAnswer = 42;
  const Row rows[] = {
      {false, true, true, L"C:\\Kestrelmoor\\help.chm", "direct"},
      {false, false, true, L"C:\\Kestrelmoor\\help.chm", "direct"},
      {true, true, true, L"C:\\Kestrelmoor\\help.chm", "desktop"},
      {true, true, false, L"C:\\Kestrelmoor\\help.chm", "direct"},
      {true, false, true, L"C:\\Kestrelmoor\\help.chm", "none"},
      {true, false, true, L"https://kestrelmoor.example/contact", "desktop"},
      {true, false, false, L"http://kestrelmoor.example", "direct"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(ToUtf8(row.target) + (row.elevated ? " elevated" : " not elevated"));
    std::string route = "none";
    ShellLaunch launch;
    launch.elevated = [&] { return row.elevated; };
    launch.exists = [&](const WideText&) { return row.exists; };
    launch.openThroughDesktop = [&](const WideText& target) {
      EXPECT_EQ(target, row.target);
      if (row.desktopOpens) route = "desktop";
      return row.desktopOpens;
    };
    launch.shellExecute = [&](const WideText& target) -> intptr_t {
      EXPECT_EQ(target, row.target);
      route = "direct";
      return kDirectAnswer;
    };
    const intptr_t answer = LaunchWithShell(launch, row.target);
    EXPECT_EQ(route, row.route);
    if (route == "desktop") {
      EXPECT_GT(answer, 32) << "opened through the desktop is a success";
    } else if (route == "direct") {
      EXPECT_EQ(answer, kDirectAnswer);
    } else {
      EXPECT_EQ(answer, SE_ERR_FNF) << "a missing file, as ShellExecuteW answers it";
    }
  }

  // Under Wine the process is elevated, and Wine's desktop process serves the shell's windows once
  // it has started them, which now and then it fails to do. Either way the program's own pieces
  // must take the way there is: a command file opened through the desktop's shell runs without
  // ShellExecuteW being asked; without that shell, ShellExecuteW is asked. On Windows the desktop's
  // shell would run the command on the user's desktop, so this part runs under Wine only.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) return;
  wchar_t buffer[MAX_PATH + 1] = {};
  const WideText folder(buffer, GetTempPathW(MAX_PATH + 1, buffer));
  const WideText command = folder + L"kestrelmoor-route.cmd";
  const WideText done = folder + L"kestrelmoor-route.done";
  DeleteFileW(done.c_str());
  const HANDLE file = CreateFileW(command.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string script = "@echo done>\"" + ToUtf8(done) + "\"\r\n";
  DWORD written = 0;
  WriteFile(file, script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
  CloseHandle(file);

  // Asking for the desktop window starts Wine's desktop process, which offers the shell's windows
  // a moment later.
  GetDesktopWindow();
  const ComApartment apartment;
  bool desktopShell = false;
  for (int wait = 0; wait < 50 && !desktopShell; ++wait) {
    IShellWindows* windows = nullptr;
    desktopShell =
        SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                   IID_IShellWindows, reinterpret_cast<void**>(&windows)));
    if (windows != nullptr) windows->Release();
    if (!desktopShell) Sleep(100);
  }
  ShellLaunch system = SystemShellLaunch();
  ASSERT_TRUE(system.elevated());
  bool direct = false;
  system.shellExecute = [&direct](const WideText&) -> intptr_t {
    direct = true;
    return kDirectAnswer;
  };
  SCOPED_TRACE(desktopShell ? "with Wine's desktop shell" : "without a desktop shell");
  EXPECT_GT(LaunchWithShell(system, command), 32);
  EXPECT_EQ(direct, !desktopShell);
  bool ran = false;
  for (int wait = 0; wait < 200 && desktopShell && !ran; ++wait) {
    ran = GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!ran) Sleep(100);
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
