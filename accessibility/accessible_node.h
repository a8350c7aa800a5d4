// What a screen reader is told about one part of a window: a plain record, the same on every
// platform. A window's parts are addressed by a number of their own within the window, as the
// accessibility interfaces of Windows address them: 0 is the window's client area itself.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class AccessibleRole { Client, MenuBar, MenuItem, PopupMenu, List, ListItem, Text };

// States, as bits of AccessibleNode::states.
namespace accessible_state {
constexpr unsigned kSelectable = 1u << 0;
constexpr unsigned kFocusable = 1u << 1;
constexpr unsigned kSelected = 1u << 2;
constexpr unsigned kFocused = 1u << 3;
constexpr unsigned kOffscreen = 1u << 4;
constexpr unsigned kUnavailable = 1u << 5;
constexpr unsigned kReadOnly = 1u << 6;
constexpr unsigned kHasPopup = 1u << 7;
}  // namespace accessible_state

// A rectangle in screen pixels.
struct ScreenRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

struct AccessibleNode {
  AccessibleRole role = AccessibleRole::Client;
  std::string name;      // UTF-8, as the user reads it: no '&' marks
  std::string value;     // UTF-8; the whole text of a text part, empty elsewhere
  std::string shortcut;  // "Alt+F", "F5"; empty when there is none
  unsigned states = 0;   // accessible_state bits
  ScreenRect location;
  long parent = 0;              // the part holding this one; unused for 0
  std::vector<long> children;   // in the order they are shown
  // The native handle of the window whose tree holds this part, when that is not the window that
  // was asked (a menu item announced on the main window lives in its menu's window); 0 otherwise.
  uintptr_t homeWindow = 0;
};

// A window's tree as the platform's adapter reads it. Every call builds only what it answers, and
// only when a client asks.
struct AccessibleSource {
  // The part with this number, or nothing when the window has no such part now.
  std::function<std::optional<AccessibleNode>(long id)> describe;
  // The part that has the keyboard focus in the window, or -1 when none has it.
  std::function<long()> focus;
  // The menu bar's part, which also answers for the window's menu object; 0 when there is none.
  std::function<long()> menuBar;
  // Called while the window is being destroyed, its handle still good; may be empty.
  std::function<void()> closing;
};
