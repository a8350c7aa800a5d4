#include <FL/Fl.H>

#include "app/main_window.h"
#include "app/platform_start.h"
#include "res/product.h"
#include "ui/ui_seam.h"

int main(int argc, char** argv) {
  try {
    // Held until the event loop has returned, so that it ends last.
    const std::shared_ptr<void> platform = StartPlatform();
    MainWindow window = BuildMainWindow();
    // The toolkit reads its standard window options from the command line.
    window.mainWindow->show(argc, argv);
    NativeWindow shown = Ui().findWindow(KESTRELMOOR_NAME);
    SetWindowIcon(shown);
    return Fl::run();
  } catch (...) {
    // Only running out of memory while the window is built gets here; there is nothing to show.
    return 1;
  }
}
