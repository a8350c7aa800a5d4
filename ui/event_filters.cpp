#include "ui/event_filters.h"

#include <algorithm>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

namespace {

std::vector<EventFilter>& Filters() {
  static std::vector<EventFilter> filters;
  return filters;
}

std::vector<EventWatcher>& Watchers() {
  static std::vector<EventWatcher> watchers;
  return watchers;
}

int DispatchThroughFilters(int event, Fl_Window* window) {
  int handled = 0;
  bool taken = false;
  for (EventFilter filter : Filters()) {
    if (filter(event, window)) {
      handled = 1;
      taken = true;
      break;
    }
  }
  if (!taken) handled = Fl::handle_(event, window);
  for (EventWatcher watcher : Watchers()) watcher(event, window);
  return handled;
}

template <typename Function>
void AddOnce(std::vector<Function>& list, Function function) {
  if (std::find(list.begin(), list.end(), function) == list.end()) list.push_back(function);
  Fl::event_dispatch(DispatchThroughFilters);
}

}  // namespace

void AddEventFilter(EventFilter filter) { AddOnce(Filters(), filter); }

void AddEventWatcher(EventWatcher watcher) { AddOnce(Watchers(), watcher); }
