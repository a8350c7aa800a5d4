#include "app/main_window.h"

#include <cstdlib>

#include <FL/Enumerations.H>
#include <FL/Fl_Hold_Browser.H>

#include "accessibility/accessibility.h"
#include "accessibility/menu_tracking.h"
#include "app/help_commands.h"
#include "app/job_commands.h"
#include "app/job_list.h"
#include "app/list_keyboard_popup.h"
#include "app/list_right_click.h"
#include "res/product.h"

namespace {

void AddMenuBarItems(Fl_Menu_Bar* menuBar) {
  menuBar->add("&File/&Reload Jobs", FL_F + 5, ReloadJobList, nullptr, 0);
  menuBar->add("&File/&Properties", 0, OnProperties, nullptr, 0);
  menuBar->add("&File/&Export", 0, OnExport, nullptr, 0);
  menuBar->add("&File/E&xit", 0, OnExit, nullptr, 0);
  menuBar->add("&Actions/&Complete Job", 0, OnCompleteJob, nullptr, 0);
  menuBar->add("&Actions/C&ancel Job", 0, OnCancelJob, nullptr, 0);
  menuBar->add("&Actions/&Suspend Job", 0, OnSuspendJob, nullptr, 0);
  menuBar->add("&Actions/&Resume Job", 0, OnResumeJob, nullptr, 0);
  menuBar->add("&Help/&Help", FL_F + 1, OnHelp, nullptr, 0);
  menuBar->add("&Help/&Visit Website", 0, OnVisitWebsite, nullptr, 0);
  menuBar->add("&Help/&Contact", 0, OnContact, nullptr, 0);
  menuBar->add("&Help/&About", 0, OnAbout, nullptr, 0);
}

// The same six commands as the bar, on the job list's right button.
void AddPopupItems(Fl_Menu_Button* popup) {
  popup->add("&Properties", 0, OnProperties, nullptr, 0);
  popup->add("&Export", 0, OnExport, nullptr, 0);
  popup->add("&Complete Job", 0, OnCompleteJob, nullptr, 0);
  popup->add("C&ancel Job", 0, OnCancelJob, nullptr, 0);
  popup->add("&Suspend Job", 0, OnSuspendJob, nullptr, 0);
  popup->add("&Resume Job", 0, OnResumeJob, nullptr, 0);
}

}  // namespace

MainWindow BuildMainWindow() {
  MainWindow built;
  built.mainWindow = new Fl_Window(650, 400, KESTRELMOOR_NAME);

  built.menuBar = new Fl_Menu_Bar(0, 0, 650, 30);
  AddMenuBarItems(built.menuBar);

  jobBrowser = new Fl_Hold_Browser(10, 40, 630, 350);
  jobBrowser->column_widths(jobListColumnWidths);
  jobBrowser->textfont(FL_COURIER);
  jobBrowser->textsize(13);

  // Built after the list so that it is offered each mouse press first; as POPUP3 it takes only
  // the right button and passes every other press and the wheel on to the list.
  built.jobPopupMenu = new Fl_Menu_Button(10, 40, 630, 360, "");
  built.jobPopupMenu->type(Fl_Menu_Button::POPUP3);
  AddPopupItems(built.jobPopupMenu);
  SelectLinesOnRightClick();
  OpenPopupFromKeyboard(built.jobPopupMenu);

  // Screen readers read the list by this name, and follow both menus while they are open.
  WatchList(jobBrowser, "Jobs");
  TrackMenu(built.menuBar, nullptr);
  TrackMenu(built.jobPopupMenu, "Context");
  StartAccessibility();

  ReloadJobList(nullptr, nullptr);

  built.mainWindow->end();
  built.mainWindow->resizable(jobBrowser);
  return built;
}

void OnExit(Fl_Widget*, void*) { std::exit(0); }
