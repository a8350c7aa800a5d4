// Hands a shown window to the platform's accessibility interface: on Windows the adapter answers
// for it from now until it is destroyed; elsewhere nothing is served.
#pragma once

class Fl_Window;

void AttachWindow(Fl_Window* window);
