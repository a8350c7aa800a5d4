// A plain Win32 window, without the toolkit, that describes a small job list through the
// accessible model's Windows adapter and raises the events the program raises, so that a client
// in another process can read both under Wine where no FLTK for Windows is at hand.
//
//   msaa_stand_in   takes one step a line from standard input, and ends with it:
//                     select   the second line becomes the selected one
//                     menu     the File menu opens, its first item highlighted
//                     close    the menu closes
//                     details  the Job Details window opens
//                     refill   the list is filled again, with no line selected
#include <windows.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "accessibility/msaa_adapter.h"

namespace {

using namespace accessible_state;

constexpr UINT kStepMessage = WM_APP;
// Every window is a popup without a frame, so its client area starts where it is placed.
constexpr int kLeft = 100, kTop = 100, kWidth = 400, kHeight = 200;
constexpr int kBarHeight = 30, kListTop = 40, kLineHeight = 20, kLinesShown = 2;

// The main window's parts. A menu item has the same number in both windows: it is announced on the
// main window, as the program does, and lives in the menu's window.
enum MainPart : long { kClient = 0, kMenuBar, kFileTitle, kList, kFirstLine };
constexpr long kFirstMenuItem = 100;

const char* const kLines[] = {
    "nightly download, Two files, Suspended",
    "Sauvegarde \xC3\xA9t\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x93\xA6, line one  line two, "
    "Error",
    "report upload, One file up, Transferred"};
constexpr long kLineCount = 3;

struct MenuItem {
  const char* name;
  const char* shortcut;
  bool available;
};
const MenuItem kFileItems[] = {{"Reload Jobs", "F5", true}, {"Properties", "", false}};
constexpr long kFileItemCount = 2;

const char kReport[] =
    "Job ID: {5F0E6C3A-0000-4000-8000-000000000002}\n"
    "Display Name: Sauvegarde \xC3\xA9t\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x93\xA6\n"
    "Description: line one\r\nline two\tafter a TAB\n";

HWND mainWindow = nullptr;
HWND menuWindow = nullptr;
HWND detailsWindow = nullptr;
long selectedLine = -1;  // 0-based; -1 for none
bool menuOpen = false;

ScreenRect At(int x, int y, int w, int h) { return {kLeft + x, kTop + y, w, h}; }

AccessibleNode MenuItemNode(long index, long parent) {
  AccessibleNode node;
  node.role = AccessibleRole::MenuItem;
  node.name = kFileItems[index].name;
  node.shortcut = kFileItems[index].shortcut;
  node.states = kFocusable | (kFileItems[index].available ? 0u : kUnavailable) |
                (menuOpen && index == 0 ? kFocused : 0u);
  node.location = {kLeft + 10, kTop + kBarHeight + 20 * static_cast<int>(index), 120, 20};
  node.parent = parent;
  return node;
}

std::optional<AccessibleNode> DescribeMain(long id) {
  AccessibleNode node;
  if (id == kClient) {
    node.name = "Kestrelmoor stand-in";
    node.location = At(0, 0, kWidth, kHeight);
    node.children = {kMenuBar, kList};
  } else if (id == kMenuBar) {
    node.role = AccessibleRole::MenuBar;
    node.location = At(0, 0, kWidth, kBarHeight);
    node.children = {kFileTitle};
  } else if (id == kFileTitle) {
    node.role = AccessibleRole::MenuItem;
    node.name = "File";
    node.shortcut = "Alt+F";
    node.states = kHasPopup | kFocusable;
    node.location = At(5, 5, 40, 20);
    node.parent = kMenuBar;
  } else if (id == kList) {
    node.role = AccessibleRole::List;
    node.name = "Jobs";
    node.states = kFocusable | (menuOpen || selectedLine >= 0 ? 0u : kFocused);
    node.location = At(10, kListTop, kWidth - 20, kLineHeight * kLinesShown);
    for (long line = 0; line < kLineCount; ++line) node.children.push_back(kFirstLine + line);
  } else if (id >= kFirstLine && id < kFirstLine + kLineCount) {
    const long line = id - kFirstLine;
    node.role = AccessibleRole::ListItem;
    node.name = kLines[line];
    node.states = kSelectable | kFocusable | (line == selectedLine ? kSelected : 0u) |
                  (line == selectedLine && !menuOpen ? kFocused : 0u) |
                  (line >= kLinesShown ? kOffscreen : 0u);
    node.location = At(10, kListTop + kLineHeight * static_cast<int>(line), kWidth - 20,
                       kLineHeight);
    node.parent = kList;
  } else if (id >= kFirstMenuItem && id < kFirstMenuItem + kFileItemCount) {
    node = MenuItemNode(id - kFirstMenuItem, 0);
    node.homeWindow = reinterpret_cast<uintptr_t>(menuWindow);
  } else {
    return std::nullopt;
  }
  return node;
}

std::optional<AccessibleNode> DescribeMenu(long id) {
  if (id >= kFirstMenuItem && id < kFirstMenuItem + kFileItemCount) {
    return MenuItemNode(id - kFirstMenuItem, 0);
  }
  if (id != 0) return std::nullopt;
  AccessibleNode node;
  node.role = AccessibleRole::PopupMenu;
  node.name = "File";
  node.location = {kLeft + 5, kTop + kBarHeight, 130, 20 * kFileItemCount};
  for (long item = 0; item < kFileItemCount; ++item) {
    node.children.push_back(kFirstMenuItem + item);
  }
  return node;
}

std::optional<AccessibleNode> DescribeDetails(long id) {
  AccessibleNode node;
  node.name = "Job Details";
  node.location = {kLeft + 50, kTop + 50, 300, 200};
  if (id == 0) {
    node.children = {1};
  } else if (id == 1) {
    node.role = AccessibleRole::Text;
    node.value = kReport;
    node.states = kReadOnly | kFocusable | kFocused;
  } else {
    return std::nullopt;
  }
  return node;
}

long MainFocus() {
  if (menuOpen) return kFirstMenuItem;
  return selectedLine >= 0 ? kFirstLine + selectedLine : static_cast<long>(kList);
}

void Step(const std::string& step) {
  if (step == "select") {
    selectedLine = 1;
    NotifyAccessibleClients(EVENT_OBJECT_SELECTION, mainWindow, kFirstLine + selectedLine);
    NotifyAccessibleClients(EVENT_OBJECT_FOCUS, mainWindow, kFirstLine + selectedLine);
  } else if (step == "menu") {
    menuOpen = true;
    ShowWindow(menuWindow, SW_SHOWNOACTIVATE);
    NotifyAccessibleClients(EVENT_SYSTEM_MENUSTART, mainWindow, kMenuBar);
    NotifyAccessibleClients(EVENT_SYSTEM_MENUPOPUPSTART, menuWindow, 0);
    NotifyAccessibleClients(EVENT_OBJECT_FOCUS, mainWindow, kFirstMenuItem);
  } else if (step == "close") {
    menuOpen = false;
    NotifyAccessibleClients(EVENT_SYSTEM_MENUPOPUPEND, menuWindow, 0);
    ShowWindow(menuWindow, SW_HIDE);
    NotifyAccessibleClients(EVENT_SYSTEM_MENUEND, mainWindow, kMenuBar);
    NotifyAccessibleClients(EVENT_OBJECT_FOCUS, mainWindow, kFirstLine + selectedLine);
  } else if (step == "details") {
    ShowWindow(detailsWindow, SW_SHOWNOACTIVATE);
    NotifyAccessibleClients(EVENT_OBJECT_FOCUS, detailsWindow, 1);
  } else if (step == "refill") {
    selectedLine = -1;
    NotifyAccessibleClients(EVENT_OBJECT_REORDER, mainWindow, kList);
  } else {
    std::printf("unknown step %s\n", step.c_str());
    std::fflush(stdout);
  }
}

AccessibleSource Source(std::function<std::optional<AccessibleNode>(long)> describe,
                        std::function<long()> focus, long menuBar = 0) {
  AccessibleSource source;
  source.describe = std::move(describe);
  source.focus = std::move(focus);
  source.menuBar = [menuBar] { return menuBar; };
  return source;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kStepMessage) {
    auto* step = reinterpret_cast<std::string*>(lParam);
    Step(*step);
    delete step;
    return 0;
  }
  if (message == WM_DESTROY && window == mainWindow) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(const wchar_t* title, int x, int y, int w, int h) {
  return CreateWindowExW(0, L"KestrelmoorStandIn", title, WS_POPUP, x, y, w, h, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

void ReadSteps() {
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
    auto* step = new std::string(buffer);
    while (!step->empty() && (step->back() == '\n' || step->back() == '\r')) step->pop_back();
    if (!PostMessageW(mainWindow, kStepMessage, 0, reinterpret_cast<LPARAM>(step))) delete step;
  }
  PostMessageW(mainWindow, WM_CLOSE, 0, 0);
}

}  // namespace

int main() {
  if (FAILED(OleInitialize(nullptr))) return 1;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"KestrelmoorStandIn";
  RegisterClassW(&windowClass);
  mainWindow = MakeWindow(L"Kestrelmoor stand-in", kLeft, kTop, kWidth, kHeight);
  menuWindow = MakeWindow(L"", kLeft + 5, kTop + kBarHeight, 130, 20 * kFileItemCount);
  detailsWindow = MakeWindow(L"Job Details", kLeft + 50, kTop + 50, 300, 200);
  const bool attached =
      mainWindow && menuWindow && detailsWindow &&
      AttachAccessibleSource(mainWindow, Source(DescribeMain, MainFocus, kMenuBar)) &&
      AttachAccessibleSource(menuWindow, Source(DescribeMenu, [] { return kFirstMenuItem; })) &&
      AttachAccessibleSource(detailsWindow, Source(DescribeDetails, [] { return 1L; }));
  if (!attached) {
    std::printf("the stand-in's windows could not be made and attached\n");
    return 1;
  }
  ShowWindow(mainWindow, SW_SHOW);
  std::thread reader(ReadSteps);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  reader.join();
  OleUninitialize();
  return 0;
}
