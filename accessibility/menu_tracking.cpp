#include "accessibility/menu_tracking.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Menu_.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include "accessibility/announcements.h"
#include "accessibility/part_ids.h"
#include "accessibility/window_model.h"

namespace {

constexpr Fl_Boxtype kHighlightBox = FL_FREE_BOXTYPE;
constexpr Fl_Labeltype kItemLabel = FL_FREE_LABELTYPE;

struct Followed {
  std::unique_ptr<Fl_Widget_Tracker> menu;
  std::string popupName;
};

std::vector<Followed>& Menus() {
  static std::vector<Followed> menus;
  return menus;
}

std::vector<OpenMenuWindow>& OpenWindows() {
  static std::vector<OpenMenuWindow> windows;
  return windows;
}

struct Session {
  bool open = false;
  uintptr_t owner = 0;  // the window that holds the menu bar or popup button
  int slot = -1;
};

Session session;
std::optional<MenuItemRef> highlighted;

// The highlight box the toolkit has just drawn, which the label drawn next lies in.
struct PendingHighlight {
  const Fl_Window* window = nullptr;
  ScreenRect box;
};
PendingHighlight pending;

std::map<std::pair<const Fl_Window*, std::pair<int, int>>, ScreenRect>& DrawnItems() {
  static std::map<std::pair<const Fl_Window*, std::pair<int, int>>, ScreenRect> drawn;
  return drawn;
}

bool IsShown(const Fl_Window* window) {
  for (Fl_Window* each = Fl::first_window(); each != nullptr; each = Fl::next_window(each)) {
    if (each == window) return true;
  }
  return false;
}

bool IsInlineSubmenu(const Fl_Menu_Item& item) {
  return (item.flags & FL_SUBMENU) != 0 && (item.flags & FL_SUBMENU_POINTER) == 0;
}

std::optional<MenuItemRef> ItemWithText(const char* text) {
  if (text == nullptr) return std::nullopt;
  for (size_t slot = 0; slot < Menus().size(); ++slot) {
    Fl_Menu_* menu = TrackedMenu(static_cast<int>(slot));
    if (menu == nullptr || menu->menu() == nullptr) continue;
    const Fl_Menu_Item* items = menu->menu();
    for (int index = 0; index < menu->size(); ++index) {
      if (items[index].label() == text) return MenuItemRef{static_cast<int>(slot), index};
    }
  }
  return std::nullopt;
}

void AnnounceOn(AccessibleEvent event, uintptr_t window, long id) {
  Announce({event, window, id});
}

void EndWindow(const OpenMenuWindow& open) {
  if (!open.isTitle) AnnounceOn(AccessibleEvent::MenuPopupEnd, open.handle, 0);
  auto& drawn = DrawnItems();
  for (auto at = drawn.begin(); at != drawn.end();) {
    at = at->first.first == open.window ? drawn.erase(at) : std::next(at);
  }
}

long MenuStartPart(Fl_Menu_* menu) {
  Fl_Window* owner = menu->window();
  if (dynamic_cast<Fl_Menu_Bar*>(menu) == nullptr || owner == nullptr) return 0;
  const int child = owner->find(menu);
  return child < owner->children() ? WidgetPart(child) : 0;
}

// `window` drew `item` of a followed menu: a menu window seen for the first time opens the menu,
// or another of its windows.
void NoteMenuWindow(Fl_Window* window, MenuItemRef item) {
  Fl_Menu_* menu = TrackedMenu(item.slot);
  const int parent = MenuParentOf(menu, item.index);
  const bool isTitle = parent < 0 && dynamic_cast<Fl_Menu_Bar*>(menu) != nullptr;
  auto& open = OpenWindows();
  auto known = std::find_if(open.begin(), open.end(),
                            [&](const OpenMenuWindow& each) { return each.window == window; });
  if (known != open.end()) {
    if (known->slot == item.slot && known->parent == parent) return;
    // The toolkit shows another level in the same window.
    EndWindow(*known);
    open.erase(known);
  }
  if (!session.open) {
    session.open = true;
    session.slot = item.slot;
    session.owner = NativeWindowHandle(menu->window());
    AnnounceOn(AccessibleEvent::MenuStart, session.owner, MenuStartPart(menu));
  }
  OpenMenuWindow shown;
  shown.window = window;
  shown.handle = NativeWindowHandle(window);
  shown.slot = item.slot;
  shown.parent = parent;
  shown.isTitle = isTitle;
  open.push_back(shown);
  if (!isTitle) AnnounceOn(AccessibleEvent::MenuPopupStart, shown.handle, 0);
}

void Highlight(MenuItemRef item) {
  if (highlighted && highlighted->slot == item.slot && highlighted->index == item.index) return;
  highlighted = item;
  AnnounceOn(AccessibleEvent::Focus, session.owner, MenuItemPart(item.slot, item.index));
}

// The toolkit draws the highlighted item's background with the menu's down box and nothing else
// with it; the item's label follows at once.
void DrawHighlightBox(int x, int y, int w, int h, Fl_Color color) {
  fl_draw_box(FL_FLAT_BOX, x, y, w, h, color);
  pending.window = Fl_Window::current();
  pending.box = {x, y, w, h};
}

Fl_Label PlainLabel(const Fl_Label* label) {
  Fl_Label plain = *label;
  plain.type = FL_NORMAL_LABEL;
  return plain;
}

void MeasureItemLabel(const Fl_Label* label, int& w, int& h) { PlainLabel(label).measure(w, h); }

void DrawItemLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
  PlainLabel(label).draw(x, y, w, h, align);
  Fl_Window* window = Fl_Window::current();
  const std::optional<MenuItemRef> item = ItemWithText(label->value);
  if (!item || window == nullptr) return;
  // The toolkit draws the label three pixels in from the item's edges.
  DrawnItems()[{window, {item->slot, item->index}}] = {x - 3, y, w + 6, h};
  if (window == TrackedMenu(item->slot)->window()) return;  // the menu bar drawing itself
  NoteMenuWindow(window, *item);
  const int middleX = x + w / 2;
  const int middleY = y + h / 2;
  const bool inBox = pending.window == window && middleX >= pending.box.x &&
                     middleX < pending.box.x + pending.box.w && middleY >= pending.box.y &&
                     middleY < pending.box.y + pending.box.h;
  pending = PendingHighlight{};
  // The bar's item drawn over the bar stays highlighted while its menu is open; the focus is on
  // the menu's own items.
  const OpenMenuWindow* open = OpenMenuIn(window);
  if (inBox && open != nullptr && !open->isTitle) Highlight(*item);
}

void SetUpDrawing() {
  static bool done = false;
  if (done) return;
  Fl::set_boxtype(kHighlightBox, DrawHighlightBox, 0, 0, 0, 0);
  Fl::set_labeltype(kItemLabel, DrawItemLabel, MeasureItemLabel);
  done = true;
}

}  // namespace

void TrackMenu(Fl_Menu_* menu, const char* popupName) {
  if (menu == nullptr) return;
  SetUpDrawing();
  menu->down_box(kHighlightBox);
  const Fl_Menu_Item* items = menu->menu();
  for (int index = 0; items != nullptr && index < menu->size(); ++index) {
    if (items[index].label() != nullptr) {
      const_cast<Fl_Menu_Item&>(items[index]).labeltype(kItemLabel);
    }
  }
  auto& menus = Menus();
  int slot = TrackedMenuSlot(menu);
  if (slot < 0) {
    auto free = std::find_if(menus.begin(), menus.end(),
                             [](const Followed& each) { return !each.menu->exists(); });
    if (free == menus.end()) {
      menus.push_back(Followed{});
      free = std::prev(menus.end());
    }
    free->menu = std::make_unique<Fl_Widget_Tracker>(menu);
    slot = static_cast<int>(free - menus.begin());
  }
  menus[static_cast<size_t>(slot)].popupName = popupName != nullptr ? popupName : "";
}

Fl_Menu_* TrackedMenu(int slot) {
  if (slot < 0 || static_cast<size_t>(slot) >= Menus().size()) return nullptr;
  const Followed& followed = Menus()[static_cast<size_t>(slot)];
  return followed.menu->exists() ? static_cast<Fl_Menu_*>(followed.menu->widget()) : nullptr;
}

int TrackedMenuSlot(const Fl_Menu_* menu) {
  for (size_t slot = 0; slot < Menus().size(); ++slot) {
    if (menu != nullptr && TrackedMenu(static_cast<int>(slot)) == menu) {
      return static_cast<int>(slot);
    }
  }
  return -1;
}

const char* TrackedPopupName(int slot) {
  if (TrackedMenu(slot) == nullptr) return "";
  return Menus()[static_cast<size_t>(slot)].popupName.c_str();
}

const OpenMenuWindow* OpenMenuIn(const Fl_Window* window) {
  for (const OpenMenuWindow& open : OpenWindows()) {
    if (open.window == window && IsShown(window)) return &open;
  }
  return nullptr;
}

const OpenMenuWindow* OpenMenuShowing(int slot, int parent) {
  for (const OpenMenuWindow& open : OpenWindows()) {
    if (open.slot == slot && open.parent == parent && !open.isTitle && IsShown(open.window)) {
      return &open;
    }
  }
  return nullptr;
}

std::optional<MenuItemRef> HighlightedMenuItem() {
  return session.open ? highlighted : std::nullopt;
}

bool MenuIsOpen() { return session.open; }

std::optional<ScreenRect> DrawnMenuItem(const Fl_Window* window, MenuItemRef item) {
  auto found = DrawnItems().find({window, {item.slot, item.index}});
  if (found == DrawnItems().end()) return std::nullopt;
  return found->second;
}

void MenuWindowClosing(Fl_Window* window) {
  auto& open = OpenWindows();
  auto known = std::find_if(open.begin(), open.end(),
                            [&](const OpenMenuWindow& each) { return each.window == window; });
  if (known == open.end()) return;
  const OpenMenuWindow closing = *known;
  open.erase(known);
  EndWindow(closing);
}

bool CheckOpenMenus() {
  auto& open = OpenWindows();
  for (size_t at = 0; at < open.size();) {
    if (IsShown(open[at].window)) {
      ++at;
      continue;
    }
    const OpenMenuWindow gone = open[at];
    open.erase(open.begin() + static_cast<long>(at));
    EndWindow(gone);
  }
  // While a menu is open the toolkit holds the pointer; between two of its windows it may have
  // none shown.
  if (!session.open || !open.empty() || Fl::grab() != nullptr) return false;
  AnnounceOn(AccessibleEvent::MenuEnd, session.owner, 0);
  session = Session{};
  highlighted.reset();
  return true;
}

std::vector<int> MenuLevel(const Fl_Menu_* menu, int parent) {
  std::vector<int> level;
  if (menu == nullptr || menu->menu() == nullptr) return level;
  const Fl_Menu_Item* items = menu->menu();
  int depth = 0;
  for (int index = parent + 1; index < menu->size(); ++index) {
    const Fl_Menu_Item& item = items[index];
    if (item.label() == nullptr) {
      if (depth == 0) break;
      --depth;
      continue;
    }
    if (depth == 0 && item.visible()) level.push_back(index);
    if (IsInlineSubmenu(item)) ++depth;
  }
  return level;
}

int MenuParentOf(const Fl_Menu_* menu, int index) {
  if (menu == nullptr || menu->menu() == nullptr) return -1;
  const Fl_Menu_Item* items = menu->menu();
  std::vector<int> open;
  for (int at = 0; at < index && at < menu->size(); ++at) {
    if (items[at].label() == nullptr) {
      if (!open.empty()) open.pop_back();
    } else if (IsInlineSubmenu(items[at])) {
      open.push_back(at);
    }
  }
  return open.empty() ? -1 : open.back();
}
