#include "accessibility/window_model.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Menu_.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include "accessibility/menu_tracking.h"
#include "accessibility/part_ids.h"

namespace {

namespace state = accessible_state;

std::map<const Fl_Widget*, std::string>& Names() {
  static std::map<const Fl_Widget*, std::string> names;
  return names;
}

enum class WidgetKind { Ignored, MenuBar, List, Text };

WidgetKind KindOf(const Fl_Widget* widget) {
  if (widget == nullptr || !widget->visible()) return WidgetKind::Ignored;
  if (dynamic_cast<const Fl_Menu_Bar*>(widget) != nullptr) return WidgetKind::MenuBar;
  if (dynamic_cast<const Fl_Browser*>(widget) != nullptr) return WidgetKind::List;
  if (dynamic_cast<const Fl_Input_*>(widget) != nullptr) return WidgetKind::Text;
  return WidgetKind::Ignored;
}

std::string NameOf(const Fl_Widget* widget) {
  auto named = Names().find(widget);
  if (named != Names().end()) return named->second;
  return widget->label() != nullptr ? widget->label() : "";
}

ScreenRect OnScreen(const Fl_Window* window, int x, int y, int w, int h) {
  return {window->x_root() + x, window->y_root() + y, w, h};
}

ScreenRect WidgetRect(const Fl_Window* window, const Fl_Widget* widget) {
  return OnScreen(window, widget->x(), widget->y(), widget->w(), widget->h());
}

ScreenRect WindowRect(const Fl_Window* window) {
  return {window->x_root(), window->y_root(), window->w(), window->h()};
}

ScreenRect LineRect(const Fl_Window* window, const Fl_Browser* list, int line) {
  const ScreenRect area = ListLineArea(list, line);
  return OnScreen(window, area.x, area.y, area.w, area.h);
}

// FLTK 1.4 renamed the call and keeps the old name only as a deprecated one.
int ScrolledBy(const Fl_Browser* list) {
#if FL_API_VERSION >= 10400
  return list->vposition();
#else
  return list->position();
#endif
}

bool OnlyWidgetOf(const Fl_Window* window, const Fl_Widget* widget) {
  return window->children() == 1 && window->child(0) == widget;
}

bool IsFocusedText(const Fl_Window* window, const Fl_Widget* text) {
  if (Fl::focus() == text) return true;
  // The one text of a modal window takes every key while the window is open.
  return Fl::modal() == window && OnlyWidgetOf(window, text) &&
         (Fl::focus() == nullptr || Fl::focus()->window() != window);
}

std::vector<long> WidgetParts(const Fl_Window* window) {
  std::vector<long> parts;
  for (int child = 0; child < window->children() && child < kMostWidgetParts; ++child) {
    if (KindOf(window->child(child)) != WidgetKind::Ignored) parts.push_back(WidgetPart(child));
  }
  return parts;
}

std::string AltShortcut(const char* label) {
  for (const char* at = label; at != nullptr && *at != '\0'; ++at) {
    if (*at != '&') continue;
    if (at[1] == '&') {
      ++at;
      continue;
    }
    if (at[1] == '\0') break;
    return std::string("Alt+") + static_cast<char>(std::toupper(static_cast<unsigned char>(at[1])));
  }
  return "";
}

std::optional<AccessibleNode> DescribeMenuItem(Fl_Window* asked, int slot, int index) {
  Fl_Menu_* menu = TrackedMenu(slot);
  if (menu == nullptr || index < 0 || index >= menu->size()) return std::nullopt;
  const Fl_Menu_Item& item = menu->menu()[index];
  if (item.label() == nullptr || !item.visible()) return std::nullopt;
  const int parent = MenuParentOf(menu, index);
  AccessibleNode node;
  node.role = AccessibleRole::MenuItem;
  node.name = ReadableMenuLabel(item.label());
  node.states = state::kFocusable;
  if (!item.active()) node.states |= state::kUnavailable;
  if (item.submenu()) node.states |= state::kHasPopup;
  const std::optional<MenuItemRef> highlighted = HighlightedMenuItem();
  if (highlighted && highlighted->slot == slot && highlighted->index == index) {
    node.states |= state::kFocused;
  }
  if (item.shortcut() != 0) node.shortcut = fl_shortcut_label(item.shortcut());
  Fl_Window* home = nullptr;
  if (parent < 0 && dynamic_cast<Fl_Menu_Bar*>(menu) != nullptr) {
    home = menu->window();
    if (home == nullptr) return std::nullopt;
    node.parent = WidgetPart(home->find(menu));
    if (node.shortcut.empty()) node.shortcut = AltShortcut(item.label());
  } else {
    const OpenMenuWindow* open = OpenMenuShowing(slot, parent);
    if (open == nullptr) return std::nullopt;  // its menu is closed
    home = open->window;
    node.parent = 0;
  }
  if (const std::optional<ScreenRect> drawn = DrawnMenuItem(home, {slot, index})) {
    node.location = OnScreen(home, drawn->x, drawn->y, drawn->w, drawn->h);
  }
  if (home != asked) node.homeWindow = NativeWindowHandle(home);
  return node;
}

AccessibleNode DescribePopup(const OpenMenuWindow& open) {
  Fl_Menu_* menu = TrackedMenu(open.slot);
  AccessibleNode node;
  node.role = AccessibleRole::PopupMenu;
  node.location = WindowRect(open.window);
  if (menu == nullptr) return node;  // the menu went while its window was still shown
  node.name = open.parent < 0 ? TrackedPopupName(open.slot)
                              : ReadableMenuLabel(menu->menu()[open.parent].label());
  for (int index : MenuLevel(menu, open.parent))
    node.children.push_back(MenuItemPart(open.slot, index));
  return node;
}

AccessibleNode DescribeLine(const Fl_Window* window, int child, const Fl_Browser* list, int line) {
  AccessibleNode node;
  node.role = AccessibleRole::ListItem;
  node.name = ReadableListLine(list->text(line), list->format_char(), list->column_char());
  node.states = state::kSelectable | state::kFocusable;
  if (list->value() == line) {
    node.states |= state::kSelected;
    if (Fl::focus() == list) node.states |= state::kFocused;
  }
  if (!list->displayed(line)) node.states |= state::kOffscreen;
  node.location = LineRect(window, list, line);
  node.parent = WidgetPart(child);
  return node;
}

std::optional<AccessibleNode> DescribeWidget(Fl_Window* window, int child) {
  Fl_Widget* widget = window->child(child);
  AccessibleNode node;
  node.name = NameOf(widget);
  node.location = WidgetRect(window, widget);
  switch (KindOf(widget)) {
    case WidgetKind::MenuBar: {
      node.role = AccessibleRole::MenuBar;
      const int slot = TrackedMenuSlot(static_cast<Fl_Menu_*>(widget));
      if (slot >= 0) {
        for (int index : MenuLevel(TrackedMenu(slot), -1)) {
          node.children.push_back(MenuItemPart(slot, index));
        }
      }
      break;
    }
    case WidgetKind::List: {
      const auto* list = static_cast<const Fl_Browser*>(widget);
      node.role = AccessibleRole::List;
      node.states = state::kFocusable;
      if (Fl::focus() == list && list->value() == 0) node.states |= state::kFocused;
      const int lines = std::min(list->size(), kMostItemParts);
      node.children.reserve(static_cast<size_t>(lines));
      for (int line = 1; line <= lines; ++line) node.children.push_back(ItemPart(child, line));
      break;
    }
    case WidgetKind::Text: {
      const auto* text = static_cast<const Fl_Input_*>(widget);
      node.role = AccessibleRole::Text;
      if (node.name.empty() && OnlyWidgetOf(window, widget) && window->label() != nullptr) {
        node.name = window->label();
      }
      if (text->value() != nullptr)
        node.value.assign(text->value(), static_cast<size_t>(text->size()));
      node.states = state::kFocusable;
      if (text->readonly()) node.states |= state::kReadOnly;
      if (IsFocusedText(window, widget)) node.states |= state::kFocused;
      break;
    }
    case WidgetKind::Ignored: return std::nullopt;
  }
  return node;
}

}  // namespace

void SetAccessibleName(Fl_Widget* widget, const char* name) {
  if (widget == nullptr) return;
  if (name == nullptr) {
    Names().erase(widget);
  } else {
    Names()[widget] = name;
  }
}

std::optional<AccessibleNode> DescribeWindowPart(Fl_Window* window, long id) {
  if (window == nullptr || id < 0) return std::nullopt;
  if (IsMenuItemPart(id)) return DescribeMenuItem(window, MenuSlotOfPart(id), MenuIndexOfPart(id));
  // The bar's item drawn over the bar while its menu is open is a window of its own with nothing
  // to read; it is left a client without parts.
  const OpenMenuWindow* open = OpenMenuIn(window);
  if (open != nullptr && !open->isTitle) {
    if (id != 0) return std::nullopt;
    return DescribePopup(*open);
  }
  if (id == 0) {
    AccessibleNode node;
    node.role = AccessibleRole::Client;
    node.name = window->label() != nullptr ? window->label() : "";
    node.location = WindowRect(window);
    node.children = WidgetParts(window);
    return node;
  }
  const int child = WidgetOfPart(id);
  if (child < 0 || child >= window->children() ||
      KindOf(window->child(child)) == WidgetKind::Ignored) {
    return std::nullopt;
  }
  const int item = ItemOfPart(id);
  if (item == 0) return DescribeWidget(window, child);
  const auto* list = dynamic_cast<const Fl_Browser*>(window->child(child));
  if (list == nullptr || item > list->size()) return std::nullopt;
  return DescribeLine(window, child, list, item);
}

long FocusedWindowPart(Fl_Window* window) {
  if (window == nullptr) return -1;
  if (const std::optional<MenuItemRef> item = HighlightedMenuItem()) {
    Fl_Menu_* menu = TrackedMenu(item->slot);
    const OpenMenuWindow* open = OpenMenuIn(window);
    if ((open != nullptr && !open->isTitle) || (menu != nullptr && menu->window() == window)) {
      return MenuItemPart(item->slot, item->index);
    }
  }
  if (OpenMenuIn(window) != nullptr) return -1;
  for (int child = 0; child < window->children() && child < kMostWidgetParts; ++child) {
    Fl_Widget* widget = window->child(child);
    switch (KindOf(widget)) {
      case WidgetKind::List:
        if (Fl::focus() == widget) {
          const int line = static_cast<const Fl_Browser*>(widget)->value();
          return line > 0 ? ItemPart(child, line) : WidgetPart(child);
        }
        break;
      case WidgetKind::Text:
        if (IsFocusedText(window, widget)) return WidgetPart(child);
        break;
      default: break;
    }
  }
  return -1;
}

long MenuBarPart(Fl_Window* window) {
  if (window == nullptr) return 0;
  for (int child = 0; child < window->children() && child < kMostWidgetParts; ++child) {
    if (KindOf(window->child(child)) == WidgetKind::MenuBar) return WidgetPart(child);
  }
  return 0;
}

AccessibleSource WindowSource(Fl_Window* window) {
  auto tracker = std::make_shared<Fl_Widget_Tracker>(window);
  auto alive = [tracker]() {
    return tracker->exists() ? static_cast<Fl_Window*>(tracker->widget()) : nullptr;
  };
  AccessibleSource source;
  source.describe = [alive](long id) { return DescribeWindowPart(alive(), id); };
  source.focus = [alive]() { return FocusedWindowPart(alive()); };
  source.menuBar = [alive]() { return MenuBarPart(alive()); };
  return source;
}

long ListPart(const Fl_Browser* list) {
  const int line = list != nullptr ? list->value() : 0;
  return ListLinePart(list, line);
}

Fl_Boxtype ListFrame(const Fl_Browser* list) {
  // A browser without a box of its own is drawn inside a sunken frame, as the toolkit does.
  return list->box() != FL_NO_BOX ? list->box() : FL_DOWN_BOX;
}

long ListLinePart(const Fl_Browser* list, int line) {
  const Fl_Window* window = list != nullptr ? list->window() : nullptr;
  if (window == nullptr) return 0;
  const int child = window->find(list);
  if (child >= window->children() || child >= kMostWidgetParts) return 0;
  return line > 0 && line <= kMostItemParts ? ItemPart(child, line) : WidgetPart(child);
}

// Every line of the list has the same height: the browser's own font, with no formatting code
// but the one that ends their reading.
ScreenRect ListLineArea(const Fl_Browser* list, int line) {
  const Fl_Boxtype box = ListFrame(list);
  const int x = list->x() + Fl::box_dx(box);
  int w = list->w() - Fl::box_dw(box);
  if (list->scrollbar.visible()) w -= list->scrollbar.w();
  const int height = fl_height(list->textfont(), list->textsize());
  const int top = list->y() + Fl::box_dy(box) + (line - 1) * height - ScrolledBy(list);
  return {x, top, w, height};
}

uintptr_t NativeWindowHandle(Fl_Window* window) {
  return window != nullptr && window->shown() ? reinterpret_cast<uintptr_t>(fl_xid(window)) : 0;
}

std::string ReadableListLine(const char* line, char formatChar, char columnChar) {
  std::string readable;
  if (line == nullptr) return readable;
  const char* at = line;
  while (true) {
    // The browser reads formatting codes at the start of each column, up to "@." or a doubled
    // "@@", which shows one; what follows is shown as written.
    while (*at == formatChar) {
      const char code = *++at;
      if (code == '\0' || code == formatChar) break;
      ++at;
      if (code == '.') break;
      if (code == 'C' || code == 'F' || code == 'S' || code == 'B') {
        char* end = nullptr;
        std::strtol(at, &end, 10);
        at = end;
      }
    }
    const char* end = at;
    while (*end != '\0' && *end != columnChar) ++end;
    readable.append(at, end);
    if (*end == '\0') break;
    readable += ", ";
    at = end + 1;
  }
  return readable;
}

std::string ReadableMenuLabel(const char* label) {
  std::string readable;
  for (const char* at = label; at != nullptr && *at != '\0'; ++at) {
    if (*at == '&') {
      if (at[1] != '&') continue;
      ++at;
    }
    readable += *at;
  }
  return readable;
}
