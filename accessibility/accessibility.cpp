#include "accessibility/accessibility.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Window.H>

#include "accessibility/announcements.h"
#include "accessibility/menu_tracking.h"
#include "accessibility/window_attach.h"
#include "accessibility/window_model.h"
#include "ui/event_filters.h"

namespace {

struct WatchedList {
  std::unique_ptr<Fl_Widget_Tracker> list;
  int selected = 0;
};

WatchedList watched;

// The windows seen shown, each with the native handle it had: a window shown again has a new one.
std::vector<std::pair<Fl_Window*, uintptr_t>> seenWindows;

// A window shown with no part focused yet (the toolkit hands the focus on once the system has
// activated it): its focus is announced as soon as it has one.
std::pair<Fl_Window*, uintptr_t> awaitingFocus;

Fl_Browser* List() {
  return watched.list && watched.list->exists() ? static_cast<Fl_Browser*>(watched.list->widget())
                                                : nullptr;
}

void AnnounceFocus(Fl_Window* window, long part) {
  Announce({AccessibleEvent::Focus, NativeWindowHandle(window), part});
}

// The focus goes back to the list when a menu closes, unless a window the menu's command opened
// now holds it.
void AnnounceListFocusAfterMenu() {
  Fl_Browser* list = List();
  if (list == nullptr || list->window() == nullptr) return;
  if (Fl::first_window() != list->window()) return;
  if (Fl::modal() != nullptr && Fl::modal() != list->window()) return;
  AnnounceFocus(list->window(), ListPart(list));
}

void CheckListSelection() {
  Fl_Browser* list = List();
  if (list == nullptr || list->value() == watched.selected) return;
  watched.selected = list->value();
  if (watched.selected <= 0) return;
  const long part = ListLinePart(list, watched.selected);
  Announce({AccessibleEvent::Selection, NativeWindowHandle(list->window()), part});
  AnnounceFocus(list->window(), part);
}

// Windows newly shown are attached; one that opens with a part focused (Job Details' text)
// announces it. A menu's window is announced as it is drawn instead.
void CheckShownWindows() {
  std::vector<std::pair<Fl_Window*, uintptr_t>> shown;
  for (Fl_Window* window = Fl::first_window(); window != nullptr;
       window = Fl::next_window(window)) {
    shown.emplace_back(window, NativeWindowHandle(window));
  }
  for (const auto& each : shown) {
    if (each.second == 0 ||
        std::find(seenWindows.begin(), seenWindows.end(), each) != seenWindows.end()) {
      continue;
    }
    AttachWindow(each.first);
    // Menus and tooltips are windows that never take the focus.
    if (!each.first->override() && !MenuIsOpen()) awaitingFocus = each;
  }
  seenWindows = std::move(shown);
  // While a menu is open the focus is on its items.
  if (awaitingFocus.first == nullptr || MenuIsOpen()) return;
  if (std::find(seenWindows.begin(), seenWindows.end(), awaitingFocus) == seenWindows.end()) {
    awaitingFocus = {};
    return;
  }
  const long focused = FocusedWindowPart(awaitingFocus.first);
  if (focused < 0) return;
  AnnounceFocus(awaitingFocus.first, focused);
  awaitingFocus = {};
}

void Check() {
  if (CheckOpenMenus()) AnnounceListFocusAfterMenu();
  CheckShownWindows();
  CheckListSelection();
}

void AfterEvent(int, Fl_Window*) { Check(); }

void BeforeWaiting(void*) { Check(); }

}  // namespace

void StartAccessibility() {
  static bool started = false;
  if (started) return;
  AddEventWatcher(AfterEvent);
  Fl::add_check(BeforeWaiting);
  started = true;
}

void WatchList(Fl_Browser* list, const char* name) {
  SetAccessibleName(list, name);
  watched.list = list != nullptr ? std::make_unique<Fl_Widget_Tracker>(list) : nullptr;
  watched.selected = list != nullptr ? list->value() : 0;
}

void AnnounceListRefilled(Fl_Browser* list) {
  if (list == nullptr) return;
  if (list == List()) watched.selected = list->value();
  Announce({AccessibleEvent::Reorder, NativeWindowHandle(list->window()), ListLinePart(list, 0)});
}
