// The user-interface seam on Windows: user32 and shell32, with the program's UTF-8 texts handed to
// the wide-character calls as UTF-16. The shell is asked through shell_launch_windows.h.
#include "ui/ui_seam.h"

#include <string>

#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include "bits/utf8.h"
#include "res/product.h"
#include "ui/shell_launch_windows.h"

// The seam's flags and answers are passed to user32 unchanged, so they must be user32's own.
static_assert(box::kOk == MB_OK, "box::kOk must be MB_OK");
static_assert(box::kYesNo == MB_YESNO, "box::kYesNo must be MB_YESNO");
static_assert(box::kIconError == MB_ICONERROR, "box::kIconError must be MB_ICONERROR");
static_assert(box::kIconWarning == MB_ICONWARNING, "box::kIconWarning must be MB_ICONWARNING");
static_assert(box::kIconInformation == MB_ICONINFORMATION,
              "box::kIconInformation must be MB_ICONINFORMATION");
static_assert(box::kButtonsMask == MB_TYPEMASK, "box::kButtonsMask must be MB_TYPEMASK");
static_assert(box::kIconMask == MB_ICONMASK, "box::kIconMask must be MB_ICONMASK");
static_assert(box::kIdOk == IDOK, "box::kIdOk must be IDOK");
static_assert(box::kIdYes == IDYES, "box::kIdYes must be IDYES");
static_assert(box::kIdNo == IDNO, "box::kIdNo must be IDNO");

namespace {

// 0 is MessageBox's own answer for "no box was shown"; no caller goes on with it.
int ShowMessageBox(NativeWindow owner, const std::string& text, const std::string& caption,
                   unsigned flags) {
  return AnswerOr(0, [&] {
    return MessageBoxW(static_cast<HWND>(owner), FromUtf8(text).c_str(),
                       FromUtf8(caption).c_str(), flags);
  });
}

int ShowNarrowMessageBox(NativeWindow owner, const std::string& text, const std::string& caption,
                         unsigned flags) {
  return MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

intptr_t OpenWithShell(const std::string& target) {
  return AnswerOr<intptr_t>(SE_ERR_OOM,
                            [&] { return LaunchWithShell(SystemShellLaunch(), FromUtf8(target)); });
}

std::string ExecutableFolder() {
  return AnswerOr(std::string(), [] {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
      if (length == 0) return std::string();
      if (length < path.size()) {
        path.resize(length);
        break;
      }
      // Truncated: a long path; try again with room for it, up to the system's limit.
      if (path.size() >= 32768) return std::string();
      path.resize(path.size() * 2);
    }
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return std::string();
    return ToUtf8(path.substr(0, separator));
  });
}

}  // namespace

UiSeam PlatformUi() {
  UiSeam seam;
  seam.mainWindow = RegisteredMainWindow;
  seam.messageBox = ShowMessageBox;
  seam.messageBoxNarrow = ShowNarrowMessageBox;
  seam.shellOpen = OpenWithShell;
  seam.runSaveDialog = RunNativeSaveDialog;
  seam.executableFolder = ExecutableFolder;
  return seam;
}

void SetWindowIcon(NativeWindow window) {
  if (window == nullptr) return;
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(KESTRELMOOR_ICON_ID));
  if (icon == nullptr) return;
  HWND handle = static_cast<HWND>(window);
  SendMessageW(handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

// SetCursor shows the pointer at once. While the program works its thread handles no message, so
// nothing puts the window's own pointer back until the work has ended and the pointer is restored.
void ShowBusyPointer(bool busy) {
  static HCURSOR before = nullptr;
  if (busy) {
    before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  } else {
    SetCursor(before);
  }
}
