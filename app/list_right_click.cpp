#include "app/list_right_click.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include "app/job_list.h"
#include "ui/event_filters.h"

namespace {

bool OnScrollbar(const Fl_Browser_& list) {
  return (list.scrollbar.visible() && Fl::event_inside(&list.scrollbar)) ||
         (list.hscrollbar.visible() && Fl::event_inside(&list.hscrollbar));
}

// The popup button lies over the list and takes the right button's press, so the list never sees
// it. Offered first to the list, the press selects the line under the pointer there exactly as a
// left click would; the popup button then gets the press as before. A press on a scroll bar is not
// offered, so that it does not scroll.
int SelectLineUnderRightClick(int event, Fl_Window* window) {
  if (event != FL_PUSH || Fl::event_button() != FL_RIGHT_MOUSE) return 0;
  Fl_Hold_Browser* list = jobBrowser;
  if (list == nullptr || window == nullptr || list->window() != window) return 0;
  // An open menu, or a modal window such as Job Details, takes the press itself.
  if (Fl::grab() != nullptr || (Fl::modal() != nullptr && Fl::modal() != window)) return 0;
  if (!list->visible_r() || !list->active_r() || !Fl::event_inside(list) || OnScrollbar(*list)) {
    return 0;
  }
  const int selected = list->value();
  list->handle(FL_PUSH);
  // Below the last line the list drops its selection; a right click there leaves it as it was.
  if (list->value() == 0 && selected > 0) list->select(selected);
  return 0;
}

}  // namespace

void SelectLinesOnRightClick() { AddEventFilter(SelectLineUnderRightClick); }
