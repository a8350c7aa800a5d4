#include "app/list_keyboard_popup.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>

#include "accessibility/window_model.h"
#include "app/job_list.h"
#include "ui/event_filters.h"

namespace {

Fl_Menu_Button* keyboardPopup = nullptr;

bool IsPopupKey() {
  const int key = Fl::event_key();
  return key == FL_Menu || (key == FL_F + 10 && Fl::event_state(FL_SHIFT) &&
                            !Fl::event_state(FL_CTRL | FL_ALT | FL_META));
}

// Keys come to the main window whichever of its widgets has the focus; an open menu or a modal
// window such as Job Details takes them itself.
int OpenPopupOnKey(int event, Fl_Window* window) {
  if (event != FL_KEYBOARD || !IsPopupKey()) return 0;
  Fl_Hold_Browser* list = jobBrowser;
  Fl_Menu_Button* popup = keyboardPopup;
  if (list == nullptr || popup == nullptr || window == nullptr || list->window() != window ||
      popup->window() != window) {
    return 0;
  }
  if (Fl::grab() != nullptr || (Fl::modal() != nullptr && Fl::modal() != window)) return 0;
  if (!list->visible_r() || !list->active_r() || popup->menu() == nullptr) return 0;
  // The menu opens below the selected line when it is in view, as a right click there would
  // open it, and at the list's top edge otherwise.
  const int line = list->value();
  const int x = list->x() + Fl::box_dx(ListFrame(list));
  int y = list->y() + Fl::box_dy(ListFrame(list));
  if (line > 0 && list->displayed(line)) {
    const ScreenRect shown = ListLineArea(list, line);
    y = shown.y + shown.h;
  }
  // No title: the toolkit would draw the button's empty label as a small box above the menu.
  const Fl_Menu_Item* picked = popup->menu()->popup(x, y, nullptr, popup->mvalue(), popup);
  popup->picked(picked);
  return 1;
}

}  // namespace

void OpenPopupFromKeyboard(Fl_Menu_Button* popup) {
  keyboardPopup = popup;
  AddEventFilter(OpenPopupOnKey);
}
