#include <FL/Fl.H>

#include "app/main_window.h"
#include "app/platform_start.h"
#include "ui/ui_seam.h"

int main(int argc, char** argv) {
  try {
    // Held until the event loop has returned, so that it ends last.
    const std::shared_ptr<void> platform = StartPlatform();
    MainWindow window = BuildMainWindow();
    // The toolkit reads its standard window options from the command line.
    window.mainWindow->show(argc, argv);
    // The seam answers this window's own handle from now on, for the icon and as the owner of every
    // message box, whatever its title and whatever other window has the same one.
    RegisterMainWindow(window.mainWindow);
    SetWindowIcon(Ui().mainWindow());
    return Fl::run();
  } catch (...) {
    // Only running out of memory while the window is built gets here; there is nothing to show.
    return 1;
  }
}
