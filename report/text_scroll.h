// Scrolling a multi-line text widget by whole lines through the toolkit's public calls.
#pragma once

class Fl_Input_;

// Scrolls `text` down by `lines`, or up when `lines` is negative, no further than its first and
// its last line. The widget scrolls only to keep its cursor in view, so the cursor is moved: to
// the last line shown after scrolling down, to the first after scrolling up. A selection is
// dropped. The first line shown is kept in the widget's user data.
void ScrollTextByLines(Fl_Input_& text, int lines);
