#include "accessibility/window_attach.h"

#include <memory>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "accessibility/menu_tracking.h"
#include "accessibility/msaa_adapter.h"
#include "accessibility/window_model.h"

// The toolkit destroys a window's handle when it hides it and makes a new one when it shows it
// again, so a window is attached after every show.
void AttachWindow(Fl_Window* window) {
  HWND handle = window != nullptr && window->shown() ? fl_xid(window) : nullptr;
  if (handle == nullptr || IsAccessibleSourceAttached(handle)) return;
  AccessibleSource source = WindowSource(window);
  auto tracker = std::make_shared<Fl_Widget_Tracker>(window);
  source.closing = [tracker]() {
    if (tracker->exists()) MenuWindowClosing(static_cast<Fl_Window*>(tracker->widget()));
  };
  AttachAccessibleSource(handle, std::move(source));
}
