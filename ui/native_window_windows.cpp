// The toolkit's window handle on Windows, apart from the rest of the seam so that the seam's tests
// run without the toolkit's library.
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "ui/ui_seam.h"

NativeWindow NativeHandleOf(Fl_Window* shown) { return fl_xid(shown); }
