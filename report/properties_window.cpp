#include "report/properties_window.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <memory>
#include <string>

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Multiline_Output.H>
#include <FL/Fl_Window.H>

#include "report/job_report.h"
#include "report/text_scroll.h"
#include "ui/event_filters.h"

namespace {

// The close box and Escape go through the same path as the toolkit's default window callback; a
// window that this hid is then handed to the toolkit for deletion, so that a long session does not
// keep every Properties window it ever opened. The deletion happens when the event loop next runs,
// after the callback has returned.
void ClosePropertiesWindow(Fl_Widget* widget, void* data) {
  Fl_Window* window = static_cast<Fl_Window*>(widget);
  Fl::atclose(window, data);
  if (!window->shown()) {
    Fl::delete_widget(window);
  }
}

constexpr int kLinesPerWheelStep = 3;

// The report of a Job Details window under the pointer, or null.
Fl_Multiline_Output* ReportUnderPointer() {
  for (Fl_Window* window = Fl::first_window(); window != nullptr;
       window = Fl::next_window(window)) {
    if (window->callback() != ClosePropertiesWindow || window->children() != 1) continue;
    auto* text = dynamic_cast<Fl_Multiline_Output*>(window->child(0));
    if (text == nullptr) continue;
    const int x = Fl::event_x_root() - window->x_root();
    const int y = Fl::event_y_root() - window->y_root();
    if (x >= text->x() && x < text->x() + text->w() && y >= text->y() && y < text->y() + text->h()) {
      return text;
    }
  }
  return nullptr;
}

// The toolkit's multi-line output does not take the wheel, and while Job Details is modal the
// toolkit hands the wheel to it and to no handler added with Fl::add_handler. So the wheel is taken
// before the toolkit sees it: offered to the report first, in case a version of the toolkit
// scrolls it itself, and otherwise the report is scrolled here.
int ScrollReportWithTheWheel(int event, Fl_Window*) {
  if (event != FL_MOUSEWHEEL || Fl::event_dy() == 0) return 0;
  Fl_Multiline_Output* text = ReportUnderPointer();
  if (text == nullptr) return 0;
  if (text->handle(FL_MOUSEWHEEL) == 0) {
    ScrollTextByLines(*text, kLinesPerWheelStep * Fl::event_dy());
  }
  return 1;
}

}  // namespace

void ShowJobProperties(const JobInfo& job) {
  const std::string report = FormatJobReport(job);
  // The widget counts in int; a report beyond that (never met in practice) is cut, not wrapped.
  const int length = static_cast<int>(std::min<size_t>(report.size(), INT_MAX));

  auto window = std::make_unique<Fl_Window>(500, 450, "Job Details");
  // Closed at once and filled by hand, so that a failure below cannot leave a deleted window as the
  // toolkit's current group.
  window->end();
  Fl_Multiline_Output* text = new Fl_Multiline_Output(10, 10, 480, 430);
  window->add(text);
  text->textfont(FL_COURIER);
  text->textsize(12);
  // The length is passed so that the widget copies every byte of the report, whatever it holds.
  text->value(report.data(), length);

  window->callback(ClosePropertiesWindow);
  AddEventFilter(ScrollReportWithTheWheel);
  window->set_modal();
  window->show();
  // From here the toolkit owns the window; ClosePropertiesWindow deletes it.
  window.release();
}
