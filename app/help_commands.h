// The Help menu: the help file, the site, the contact page and the About box.
#pragma once

#include <cstdint>
#include <string>

#include <FL/Fl_Widget.H>

void OnHelp(Fl_Widget* widget, void* data);
void OnVisitWebsite(Fl_Widget* widget, void* data);
void OnContact(Fl_Widget* widget, void* data);
void OnAbout(Fl_Widget* widget, void* data);

void OpenHelpFile();

// The About box's five lines, joined by line feeds.
std::string AboutText();
// The message shown when the help file could not be opened, for the shell's result code.
std::string HelpErrorText(intptr_t code);
