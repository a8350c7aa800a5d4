// The user-interface seam where there is no Windows: the toolkit's windows stand for the system's,
// the toolkit's common dialog for the message box, and the desktop's opener for the shell.
#include "ui/ui_seam.h"

#include <unistd.h>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "ui/message_dialog.h"
#include "ui/shell_open.h"
#include "ui/window_icon.h"

namespace {

std::string ExecutableFolder() {
  return AnswerOr(std::string(), [] {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", &path[0], path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size()) return std::string();
    path.resize(static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
  });
}

}  // namespace

UiSeam PlatformUi() {
  UiSeam seam;
  seam.mainWindow = RegisteredMainWindow;
  seam.messageBox = RunMessageDialog;
  seam.messageBoxNarrow = RunMessageDialog;
  seam.shellOpen = ShellOpenWithDesktop;
  seam.runSaveDialog = RunNativeSaveDialog;
  seam.executableFolder = ExecutableFolder;
  return seam;
}

// The stand-ins for the system's boxes work with the toolkit's own windows.
NativeWindow NativeHandleOf(Fl_Window* shown) { return shown; }

void SetWindowIcon(NativeWindow candidate) {
  if (Fl_Window* window = ShownWindow(candidate)) SetLinuxWindowIcon(window);
}

// Every shown window of the program gets the pointer. Waiting for the X server to have taken it up
// puts it on the screen before the work that follows keeps the program from talking to the server.
void ShowBusyPointer(bool busy) {
  for (Fl_Window* window = Fl::first_window(); window != nullptr; window = Fl::next_window(window)) {
    window->cursor(busy ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT);
  }
  Fl::flush();
  if (fl_display != nullptr) XSync(fl_display, False);
}
