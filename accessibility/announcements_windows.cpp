#include <windows.h>

#include "accessibility/announcements.h"
#include "accessibility/msaa_adapter.h"

namespace {

DWORD WinEventOf(AccessibleEvent event) {
  switch (event) {
    case AccessibleEvent::Selection: return EVENT_OBJECT_SELECTION;
    case AccessibleEvent::Focus: return EVENT_OBJECT_FOCUS;
    case AccessibleEvent::Reorder: return EVENT_OBJECT_REORDER;
    case AccessibleEvent::MenuStart: return EVENT_SYSTEM_MENUSTART;
    case AccessibleEvent::MenuPopupStart: return EVENT_SYSTEM_MENUPOPUPSTART;
    case AccessibleEvent::MenuPopupEnd: return EVENT_SYSTEM_MENUPOPUPEND;
    case AccessibleEvent::MenuEnd: return EVENT_SYSTEM_MENUEND;
  }
  return EVENT_OBJECT_FOCUS;
}

}  // namespace

void Announce(const Announcement& announcement) {
  NotifyAccessibleClients(WinEventOf(announcement.event),
                          reinterpret_cast<HWND>(announcement.window), announcement.id);
}

void KeepAnnouncements(bool) {}

const std::vector<Announcement>& KeptAnnouncements() {
  static const std::vector<Announcement> none;
  return none;
}

void ForgetKeptAnnouncements() {}
