// How the parts of a toolkit window are numbered for screen readers. A number holds the widget's
// place among the window's children in its top byte and, below it, an item of that widget counted
// from 1 (a list's line); 0 is the window itself. The items of the followed menus have numbers of
// their own, the same in every window, so that the main window can announce the highlighted item
// of a menu whose window never takes the focus.
#pragma once

constexpr int kMostWidgetParts = 0x3F;
constexpr int kMostItemParts = 0xFFFFFF;
constexpr long kMenuPartsStart = 0x40;

constexpr long WidgetPart(int child) { return static_cast<long>(child + 1) << 24; }
constexpr long ItemPart(int child, int item) { return WidgetPart(child) | item; }
constexpr long MenuItemPart(int slot, int index) {
  return ((kMenuPartsStart + slot) << 24) | (index + 1);
}

// Which of the three a number is: 0 (the window), a widget, a widget's item, or a menu item.
constexpr bool IsMenuItemPart(long id) { return (id >> 24) >= kMenuPartsStart; }
constexpr int WidgetOfPart(long id) { return static_cast<int>(id >> 24) - 1; }
constexpr int ItemOfPart(long id) { return static_cast<int>(id & kMostItemParts); }
constexpr int MenuSlotOfPart(long id) { return static_cast<int>((id >> 24) - kMenuPartsStart); }
constexpr int MenuIndexOfPart(long id) { return static_cast<int>(id & kMostItemParts) - 1; }
