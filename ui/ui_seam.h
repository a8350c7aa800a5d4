// The thin seam between the program and the system's user-interface calls: the main window's own
// handle, message boxes, the save dialog, opening a file or address with the shell, and the window
// icon. Windows serves it with user32 and shell32 (ui_seam_windows.cpp); other systems with the
// toolkit's own dialogs and xdg-open (ui_seam_linux.cpp). Tests put their own functions in place to
// read each box's text, caption and flags and to answer it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Message box flags and answers, with the values of the Win32 API.
namespace box {
constexpr unsigned kOk = 0x00000000u;           // MB_OK
constexpr unsigned kYesNo = 0x00000004u;        // MB_YESNO
constexpr unsigned kIconError = 0x00000010u;    // MB_ICONERROR
constexpr unsigned kIconWarning = 0x00000030u;  // MB_ICONWARNING
constexpr unsigned kIconInformation = 0x00000040u;  // MB_ICONINFORMATION
constexpr unsigned kButtonsMask = 0x0000000Fu;
constexpr unsigned kIconMask = 0x000000F0u;
constexpr int kIdOk = 1;   // IDOK
constexpr int kIdYes = 6;  // IDYES
constexpr int kIdNo = 7;   // IDNO
}  // namespace box

// A top-level window of the system, or null.
using NativeWindow = void*;

class Fl_Window;

// How the save dialog is set up; the values are the toolkit's file chooser settings.
struct SaveDialogSetup {
  int type = 0;  // Fl_Native_File_Chooser::Type
  std::string title;
  std::string filter;
  int options = 0;  // Fl_Native_File_Chooser::Option bits
};

// What the save dialog answered, as Fl_Native_File_Chooser::show does: -1 failed (errorText
// says why), 1 cancelled, 0 a file chosen (path, UTF-8).
struct SaveDialogOutcome {
  int status = 1;
  std::string path;
  std::string errorText;
};

struct UiSeam {
  // The main window's own handle (the toolkit's fl_xid on Windows, the toolkit's window elsewhere)
  // while it is shown; null before main has registered it and once it is hidden. Never a window
  // found by its title: another program's window may have the same title, and the toolkit's
  // -title option gives ours another.
  std::function<NativeWindow()> mainWindow;
  // MessageBoxW: text and caption in UTF-8, flags from `box`; answers kIdOk, kIdYes or kIdNo.
  std::function<int(NativeWindow owner, const std::string& text, const std::string& caption,
                    unsigned flags)>
      messageBox;
  // MessageBoxA: the same with narrow text, passed to the system unconverted.
  std::function<int(NativeWindow owner, const std::string& text, const std::string& caption,
                    unsigned flags)>
      messageBoxNarrow;
  // Opens a file or web address as ShellExecuteW(null, "open", target, null, null, SW_SHOWNORMAL)
  // does, with the rights of the user who logged on where the system allows it (on Windows through
  // the desktop's shell when the program runs elevated); answers as ShellExecuteW, as a signed
  // pointer-sized number: above 32 is success, 32 or less the system's error code.
  std::function<intptr_t(const std::string& target)> shellOpen;
  // The toolkit's native file chooser, set up and shown.
  std::function<SaveDialogOutcome(const SaveDialogSetup& setup)> runSaveDialog;
  // The folder that holds the running executable, UTF-8, without a trailing separator; empty when
  // it cannot be had.
  std::function<std::string()> executableFolder;
};

// The seam in force. Starts as the platform's own; tests assign their own functions to its members
// and put the platform's back with RestorePlatformUi.
UiSeam& Ui();
UiSeam PlatformUi();
void RestorePlatformUi();

// Makes `window` the main window that the seam's mainWindow answers; main calls it once the window
// is shown, and null takes it back.
void RegisterMainWindow(Fl_Window* window);

// Shared by both platforms' seams: the toolkit's save dialog, and the registered main window's
// handle while it is shown.
SaveDialogOutcome RunNativeSaveDialog(const SaveDialogSetup& setup);
NativeWindow RegisteredMainWindow();

// Each platform's own, with nothing for a test to put in place.
// The system's handle of a shown toolkit window: its HWND (fl_xid) on Windows, the toolkit's
// window itself elsewhere.
NativeWindow NativeHandleOf(Fl_Window* shown);
// Gives the window the program's icon (resource 102 on Windows, the same artwork elsewhere).
void SetWindowIcon(NativeWindow window);
// true: the system's wait pointer over the program's windows, shown before this returns; false:
// their own pointers again.
void ShowBusyPointer(bool busy);

// For the platforms' seam functions, which answer as their system call does when it fails rather
// than let an exception out: `call`'s answer, or `failed`.
template <class Answer, class Call>
Answer AnswerOr(Answer failed, Call call) {
  try {
    return call();
  } catch (...) {
    // A failed allocation for the texts that cross to the system, or in the toolkit's dialog.
    return failed;
  }
}
