// The stand-in for the system message box where there is none: the toolkit's own common dialog,
// with the caption as its title, the text, an icon of the box's kind and its buttons.
#pragma once

#include <string>

#include "ui/ui_seam.h"

class Fl_Window;

// Shows the box modally, centred on `owner` when that is one of the program's shown windows, and
// returns once it is closed: box::kIdYes only when Yes was chosen, box::kIdNo when No was chosen or
// a Yes/No box was closed otherwise, box::kIdOk for an OK box however it was closed. The toolkit
// shows one such box at a time: while one is open, another asks nothing and answers as if closed.
int RunMessageDialog(NativeWindow owner, const std::string& text, const std::string& caption,
                     unsigned flags);

// The toolkit's window behind a handle when the toolkit is showing it, else null: a handle handed
// over from elsewhere may be stale, so only a window found among the shown ones is touched.
Fl_Window* ShownWindow(NativeWindow candidate);
