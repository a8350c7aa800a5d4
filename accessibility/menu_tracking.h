// The menus followed while they are open: which of the toolkit's windows show them and which
// item is highlighted. The toolkit tells neither, so each followed menu draws its highlight with a
// box type of ours and its items with a label type of ours, and the drawing tells us.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "accessibility/accessible_node.h"

class Fl_Menu_;
class Fl_Window;

// Follows `menu` from now on; `popupName` names the window of a popup button's menu ("Context").
// Call after its items are added. A menu that is deleted is forgotten.
void TrackMenu(Fl_Menu_* menu, const char* popupName);

struct MenuItemRef {
  int slot = -1;   // which followed menu
  int index = -1;  // the item's place in the menu's array
};

// The followed menu in `slot`, or null; and the slot of `menu`, or -1.
Fl_Menu_* TrackedMenu(int slot);
int TrackedMenuSlot(const Fl_Menu_* menu);
// The name that a popup button's menu window has.
const char* TrackedPopupName(int slot);

// A window that shows a followed menu: the item whose submenu it shows (-1: the menu's first
// level), or, for a menu bar, the bar's item drawn over the bar while its menu is open.
struct OpenMenuWindow {
  Fl_Window* window = nullptr;
  uintptr_t handle = 0;  // the window's native handle, kept for its end
  int slot = -1;
  int parent = -1;
  bool isTitle = false;
};

const OpenMenuWindow* OpenMenuIn(const Fl_Window* window);
// The open window that shows the level under `parent` of the menu in `slot`, or null.
const OpenMenuWindow* OpenMenuShowing(int slot, int parent);

// The highlighted item while a menu is open.
std::optional<MenuItemRef> HighlightedMenuItem();
bool MenuIsOpen();

// Where `window` last drew the item, in the window's own pixels.
std::optional<ScreenRect> DrawnMenuItem(const Fl_Window* window, MenuItemRef item);

// Announces the end of the menu windows that are gone and, once none is left and the toolkit has
// let the pointer go, the end of the menu: true then.
bool CheckOpenMenus();
// A menu window that is being destroyed announces its end while its handle is still good.
void MenuWindowClosing(Fl_Window* window);

// The item numbers of one level: those under `parent`, -1 for the first level.
std::vector<int> MenuLevel(const Fl_Menu_* menu, int parent);
// The item that holds the level `index` lies in, or -1.
int MenuParentOf(const Fl_Menu_* menu, int index);
