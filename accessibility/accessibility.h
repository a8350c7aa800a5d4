// Screen readers: every shown window of the toolkit offers its accessible tree to the clients
// that ask for it, and what changes is announced to them. Nothing is built unless a client asks;
// what follows each event is a comparison or two.
#pragma once

class Fl_Browser;

// Starts serving every window shown from now on; calling it again changes nothing.
void StartAccessibility();

// The list whose selection moves are announced (one at a time; watching another replaces it),
// named `name` for the readers.
void WatchList(Fl_Browser* list, const char* name);

// `list` was cleared and filled again.
void AnnounceListRefilled(Fl_Browser* list);
