// What is told to screen readers as it happens, the same on every platform. Windows hands each
// announcement to the clients that listen (NotifyWinEvent); other systems keep them for the tests.
#pragma once

#include <cstdint>
#include <vector>

enum class AccessibleEvent {
  Selection,       // a list line became the selected one
  Focus,           // a part took the keyboard focus, or a menu item was highlighted
  Reorder,         // a list's lines were replaced
  MenuStart,       // a menu bar or popup menu opened
  MenuPopupStart,  // a menu's window appeared
  MenuPopupEnd,    // a menu's window is going away
  MenuEnd,         // the menu closed
};

struct Announcement {
  AccessibleEvent event = AccessibleEvent::Focus;
  uintptr_t window = 0;  // the native handle of the window whose part it is about
  long id = 0;           // the part's number within that window (0: the window's client area)
};

// Hands `announcement` on; nothing is done for a window without a native handle.
void Announce(const Announcement& announcement);

// Where no platform takes them (never on Windows), the announcements are kept, in order, from
// KeepAnnouncements(true) on; the tests read them.
void KeepAnnouncements(bool keep);
const std::vector<Announcement>& KeptAnnouncements();
void ForgetKeptAnnouncements();
