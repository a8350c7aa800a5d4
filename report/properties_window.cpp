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
  window->set_modal();
  window->show();
  // From here the toolkit owns the window; ClosePropertiesWindow deletes it.
  window.release();
}
