// The accessible tree of the toolkit's windows, read from their widgets only when a client asks.
// Windows are recognised by what they hold, so no window needs to know of it: a window showing a
// followed menu is a popup menu; any other is a client whose children are its menu bar, lists and
// texts (a window of one text is named, and so is its text, by the window's title).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <FL/Enumerations.H>

#include "accessibility/accessible_node.h"

class Fl_Browser;
class Fl_Widget;
class Fl_Window;

// Names a widget that shows no label of its own ("Jobs" for the job list).
void SetAccessibleName(Fl_Widget* widget, const char* name);

std::optional<AccessibleNode> DescribeWindowPart(Fl_Window* window, long id);
// The part of `window` that has the keyboard focus (the highlighted item while a menu is open),
// or -1.
long FocusedWindowPart(Fl_Window* window);
// The part of `window` that is its menu bar, or 0.
long MenuBarPart(Fl_Window* window);
// Everything of one window as the platform's adapter reads it.
AccessibleSource WindowSource(Fl_Window* window);

// The part that stands for `list` (its selected line when it has one), or 0 when the list is in
// no window; `line` counted from 1.
long ListPart(const Fl_Browser* list);
long ListLinePart(const Fl_Browser* list, int line);

// The native handle of a shown window, or 0.
uintptr_t NativeWindowHandle(Fl_Window* window);

// A list line as the user reads it: the browser's formatting codes at the start of each column
// left out, and the columns joined by ", ".
std::string ReadableListLine(const char* line, char formatChar, char columnChar);
// A menu label as the user reads it: the '&' that marks the shortcut letter left out.
std::string ReadableMenuLabel(const char* label);

// The frame the list's lines are drawn inside.
Fl_Boxtype ListFrame(const Fl_Browser* list);
// Where line `line` of `list` lies, in its window's pixels; the line need not be in view.
ScreenRect ListLineArea(const Fl_Browser* list, int line);
