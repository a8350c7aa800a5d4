// The main window's job list and the one operation that fills it.
#pragma once

#include <optional>
#include <string>

#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Widget.H>

#include "bits/job_info.h"
#include "bits/wide_text.h"

// The job list, set once when it is built and never reset.
extern Fl_Hold_Browser* jobBrowser;

// Pixel widths of the list's first three columns, ended by 0; the list keeps a pointer to it.
extern int jobListColumnWidths[4];

// Clears the list and fills it from the queue as it is now, reading of each job only what its line
// shows: one line per job. Fl_Callback, so that it can serve the Reload Jobs menu item directly;
// both arguments are ignored.
void ReloadJobList(Fl_Widget* widget, void* data);

// The list line of one job: display name, description and state, TAB-separated, in UTF-8. Each
// column starts with the browser's code that ends format parsing, and TABs, line breaks, other
// control characters and bidirectional controls inside a text show as blanks, so no job can fake
// its line or its state.
std::string JobListLine(const JobSummary& job);

// The identifier of the job that line `line` (counted from 1, as Fl_Browser::value counts) showed
// when the list was last filled; nothing for 0, a negative number or a line beyond the end. The
// commands act on this job and no other, whatever has come or gone in the queue since.
std::optional<WideText> JobIdOnLine(int line);
