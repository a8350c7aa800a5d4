// The window icon where there is no icon resource: the same artwork as icon group 102, drawn at
// the sizes window managers ask for.
#pragma once

class Fl_Window;

// Gives the window the program's icon. Before the window is shown the toolkit keeps the images for
// when it is; on a shown window it sets them at once. Does nothing for a null window.
void SetLinuxWindowIcon(Fl_Window* window);
