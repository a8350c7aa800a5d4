#include "app/busy_pointer.h"

#include <FL/Fl_Window.H>

#include "app/job_list.h"
#include "ui/ui_seam.h"

namespace {

bool pointerShown = false;

bool MainWindowShown() {
  Fl_Window* main = jobBrowser != nullptr ? jobBrowser->window() : nullptr;
  return main != nullptr && main->shown();
}

}  // namespace

BusyPointer::BusyPointer() {
  if (pointerShown || !MainWindowShown()) return;
  ShowBusyPointer(true);
  pointerShown = shown_ = true;
}

BusyPointer::~BusyPointer() {
  if (!shown_) return;
  pointerShown = false;
  ShowBusyPointer(false);
}
