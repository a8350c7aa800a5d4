// Shift+F10 and the context-menu key open the job list's popup menu from the keyboard, at the
// selected line (at the top of the list when no line is selected), as in every list of the system.
#pragma once

#include <FL/Fl_Menu_Button.H>

// Starts opening `popup` on those keys; calling it again only changes the menu.
void OpenPopupFromKeyboard(Fl_Menu_Button* popup);
