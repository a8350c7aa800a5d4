// The main window with its menu bar, job list and right-button popup menu.
#pragma once

#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Window.H>

struct MainWindow {
  Fl_Window* mainWindow = nullptr;
  Fl_Menu_Bar* menuBar = nullptr;
  Fl_Menu_Button* jobPopupMenu = nullptr;
};

// Builds the window and its widgets and fills the list once (the queue is first read here),
// everything before the window is shown. The window and its children live until the process ends.
MainWindow BuildMainWindow();

// File > Exit: ends the process at once with status 0.
void OnExit(Fl_Widget* widget, void* data);
