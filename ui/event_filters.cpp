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

int DispatchThroughFilters(int event, Fl_Window* window) {
  for (EventFilter filter : Filters()) {
    if (filter(event, window)) return 1;
  }
  return Fl::handle_(event, window);
}

}  // namespace

void AddEventFilter(EventFilter filter) {
  std::vector<EventFilter>& filters = Filters();
  if (std::find(filters.begin(), filters.end(), filter) == filters.end()) {
    filters.push_back(filter);
  }
  Fl::event_dispatch(DispatchThroughFilters);
}
