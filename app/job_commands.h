// The six commands that act on the job selected in the list.
#pragma once

#include <FL/Fl_Widget.H>

void OnProperties(Fl_Widget* widget, void* data);
void OnExport(Fl_Widget* widget, void* data);
void OnCompleteJob(Fl_Widget* widget, void* data);
void OnCancelJob(Fl_Widget* widget, void* data);
void OnSuspendJob(Fl_Widget* widget, void* data);
void OnResumeJob(Fl_Widget* widget, void* data);
