// The Windows side of the accessible model: Microsoft Active Accessibility over any window whose
// tree an AccessibleSource describes. It knows nothing of the toolkit, so a plain Win32 window can
// use it just as the toolkit's windows do.
//
// What a window needs: its thread has COM initialised as a single-threaded apartment (the toolkit
// does it with OleInitialize when it shows its first window; a window of its own calls
// OleInitialize or CoInitializeEx with COINIT_APARTMENTTHREADED) and pumps messages, since clients
// in other processes reach the tree through WM_GETOBJECT and COM calls on that thread.
#pragma once

#include <windows.h>

#include "accessibility/accessible_node.h"

// Answers WM_GETOBJECT for `window` with the tree that `source` describes: OBJID_CLIENT with part
// 0, and OBJID_MENU with the source's menu bar when it has one. The window procedure is subclassed
// from now until the window is destroyed: WM_DESTROY calls the source's `closing`, WM_NCDESTROY
// puts the previous procedure back, and the objects handed out answer E_FAIL from that moment.
// Attaching a window again only replaces its source. Call it on the window's own thread; false
// when `window` is not a window of this thread.
bool AttachAccessibleSource(HWND window, AccessibleSource source);

// Whether `window` is attached now.
bool IsAccessibleSourceAttached(HWND window);

// Tells the clients that listen for `event` (EVENT_OBJECT_FOCUS, EVENT_SYSTEM_MENUSTART, ...) about
// part `id` of `window`: OBJID_CLIENT, with the part's number as the child id (CHILDID_SELF, 0, for
// the client itself). Nothing is done when no client listens for that event.
void NotifyAccessibleClients(DWORD event, HWND window, long id);
