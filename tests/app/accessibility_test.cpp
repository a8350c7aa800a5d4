// What screen readers are offered: the tree of each window read from the real widgets, and the
// announcements made as the list and the menus are used, by mouse and by keyboard.
#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

// The test framework comes before the toolkit's headers, whose X11 macros clash with it.
#include "accessibility/announcements.h"
#include "accessibility/menu_tracking.h"
#include "accessibility/part_ids.h"
#include "accessibility/window_model.h"
#include "app/job_list.h"
#include "app_test_support.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>

namespace {

namespace state = accessible_state;

constexpr long kBar = WidgetPart(0);
constexpr long kList = WidgetPart(1);
constexpr int kBarSlot = 0;
constexpr int kPopupSlot = 1;

void Settle() {
  for (int i = 0; i < 10; ++i) Fl::wait(0.01);
}

void SendKey(Fl_Window* window, int key, int modifiers = 0, const char* text = "") {
  static std::string typed;
  typed = text;
  Fl::e_keysym = key;
  Fl::e_text = &typed[0];
  Fl::e_length = static_cast<int>(typed.size());
  Fl::e_state = modifiers;
  Fl::handle(FL_KEYBOARD, window);
}

void Click(Fl_Window* window, int x, int y, int button = FL_LEFT_MOUSE) {
  Fl::e_x = x;
  Fl::e_y = y;
  Fl::e_x_root = window->x_root() + x;
  Fl::e_y_root = window->y_root() + y;
  Fl::e_keysym = FL_Button + button;
  Fl::e_state = button == FL_LEFT_MOUSE ? FL_BUTTON1 : FL_BUTTON3;
  Fl::e_clicks = 0;
  Fl::handle(FL_PUSH, window);
  Fl::e_state = 0;
  Fl::handle(FL_RELEASE, window);
}

// Runs `steps` one after another while a menu is open. The menu acts on a key only when the
// toolkit's wait returns, which is after the next timeout: so every other tick does nothing, and
// each step finds the menu drawn as the step before left it.
struct MenuScript {
  std::vector<std::function<void()>> steps;
  size_t tick = 0;
};

void RunNextStep(void* data) {
  auto* script = static_cast<MenuScript*>(data);
  const size_t step = script->tick / 2;
  if (step >= script->steps.size()) return;
  if (script->tick++ % 2 == 0) script->steps[step]();
  Fl::repeat_timeout(0.1, RunNextStep, data);
}

// The window the open menu shows its items in (not the menu bar's title over the bar).
Fl_Window* OpenPopupWindow() {
  for (Fl_Window* window = Fl::first_window(); window != nullptr;
       window = Fl::next_window(window)) {
    const OpenMenuWindow* open = OpenMenuIn(window);
    if (open != nullptr && !open->isTitle) return window;
  }
  return nullptr;
}

std::vector<std::string> ChildNames(Fl_Window* window, const AccessibleNode& node) {
  std::vector<std::string> names;
  for (long child : node.children) {
    std::optional<AccessibleNode> each = DescribeWindowPart(window, child);
    names.push_back(each ? each->name : "<missing>");
  }
  return names;
}

struct Said {
  AccessibleEvent event;
  uintptr_t window;
  long id;
};

bool operator==(const Said& a, const Said& b) {
  return a.event == b.event && a.window == b.window && a.id == b.id;
}

void PrintTo(const Said& said, std::ostream* out) {
  static const char* kNames[] = {"selection",   "focus",     "reorder", "menu start",
                                 "popup start", "popup end", "menu end"};
  *out << kNames[static_cast<int>(said.event)] << " on " << said.window << " part " << std::hex
       << said.id << std::dec;
}

std::vector<Said> SaidSoFar() {
  std::vector<Said> said;
  for (const Announcement& each : KeptAnnouncements())
    said.push_back({each.event, each.window, each.id});
  return said;
}

class AccessibilityTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    window.mainWindow->show();
    Settle();
    Fl::focus(jobBrowser);
    Settle();  // the window's first focus is announced here, before the test begins
    main = NativeWindowHandle(window.mainWindow);
    KeepAnnouncements(true);
    ForgetKeptAnnouncements();
  }
  void TearDown() override {
    KeepAnnouncements(false);
    ForgetKeptAnnouncements();
    AppTest::TearDown();
  }

  AccessibleNode Part(long id) {
    std::optional<AccessibleNode> node = DescribeWindowPart(window.mainWindow, id);
    EXPECT_TRUE(node.has_value()) << std::hex << id;
    return node.value_or(AccessibleNode{});
  }

  uintptr_t main = 0;
};

TEST_F(AccessibilityTest, MainWindowHoldsTheMenuBarAndTheNamedListWithOneItemPerLine) {
  const AccessibleNode client = Part(0);
  EXPECT_EQ(client.role, AccessibleRole::Client);
  EXPECT_EQ(client.name, "Kestrelmoor");
  EXPECT_EQ(client.children, (std::vector<long>{kBar, kList}));
  EXPECT_EQ(MenuBarPart(window.mainWindow), kBar);

  const AccessibleNode bar = Part(kBar);
  EXPECT_EQ(bar.role, AccessibleRole::MenuBar);
  EXPECT_EQ(ChildNames(window.mainWindow, bar),
            (std::vector<std::string>{"File", "Actions", "Help"}));
  const char* shortcuts[] = {"Alt+F", "Alt+A", "Alt+H"};
  for (size_t i = 0; i < bar.children.size() && i < 3; ++i) {
    const AccessibleNode item = Part(bar.children[i]);
    EXPECT_EQ(item.role, AccessibleRole::MenuItem);
    EXPECT_EQ(item.shortcut, shortcuts[i]);
    EXPECT_EQ(item.states & state::kHasPopup, state::kHasPopup);
    EXPECT_EQ(item.parent, kBar);
    EXPECT_EQ(item.homeWindow, 0u);
  }

  // A command that cannot be chosen now is read as unavailable.
  auto* actions = const_cast<Fl_Menu_Item*>(window.menuBar->find_item("&Actions"));
  ASSERT_NE(actions, nullptr);
  actions->deactivate();
  EXPECT_EQ(Part(bar.children[1]).states & state::kUnavailable, state::kUnavailable);
  EXPECT_EQ(Part(bar.children[0]).states & state::kUnavailable, 0u);
  actions->activate();

  const AccessibleNode list = Part(kList);
  EXPECT_EQ(list.role, AccessibleRole::List);
  EXPECT_EQ(list.name, "Jobs");
  EXPECT_EQ(ChildNames(window.mainWindow, list),
            (std::vector<std::string>{"Alpha, first job, Queued", "Bravo, second job, Transferring",
                                      "Charlie, third job, Suspended"}));
  const AccessibleNode line = Part(list.children[0]);
  EXPECT_EQ(line.role, AccessibleRole::ListItem);
  EXPECT_EQ(line.states, state::kSelectable | state::kFocusable);
  EXPECT_EQ(line.parent, kList);
  EXPECT_FALSE(DescribeWindowPart(window.mainWindow, ItemPart(1, 4)).has_value());
}

TEST_F(AccessibilityTest, ItemNamesAreTheTextsTheListShowsWithoutItsCodes) {
  provider.jobs = {MakeJob(1, u"@C1@bUpdate\tsystem job\tTransferring", u"@@x\t@.y"),
                   MakeJob(2, u"caf\u00E9", u"", BG_JOB_STATE_ERROR)};
  ReloadJobList(nullptr, nullptr);
  EXPECT_EQ(Part(ItemPart(1, 1)).name, "@C1@bUpdate system job Transferring, @@x @.y, Queued");
  EXPECT_EQ(Part(ItemPart(1, 2)).name, "caf\xC3\xA9, , Error");
  EXPECT_EQ(ReadableListLine("@b@C12@.@x\t@@y\t@.", '@', '\t'), "@x, @y, ");
  EXPECT_EQ(ReadableMenuLabel("C&ancel && &Close"), "Cancel & Close");
}

TEST_F(AccessibilityTest, LinesTellSelectionFocusAndWhereTheyAreOnTheScreen) {
  std::vector<ProviderJob> many;
  for (uint32_t serial = 1; serial <= 60; ++serial) many.push_back(MakeJob(serial, u"job", u"d"));
  provider.jobs = many;
  ReloadJobList(nullptr, nullptr);
  Settle();
  EXPECT_EQ(Part(ItemPart(1, 1)).states & state::kOffscreen, 0u);
  EXPECT_EQ(Part(ItemPart(1, 60)).states & state::kOffscreen, state::kOffscreen);

  // A click in the middle of each line's rectangle selects that very line.
  for (int line : {1, 2, 7}) {
    const ScreenRect at = Part(ItemPart(1, line)).location;
    Click(window.mainWindow, at.x + at.w / 2 - window.mainWindow->x_root(),
          at.y + at.h / 2 - window.mainWindow->y_root());
    EXPECT_EQ(jobBrowser->value(), line);
    const AccessibleNode node = Part(ItemPart(1, line));
    EXPECT_EQ(node.states & (state::kSelected | state::kFocused),
              state::kSelected | state::kFocused);
    EXPECT_EQ(FocusedWindowPart(window.mainWindow), ItemPart(1, line));
  }
  EXPECT_EQ(Part(ItemPart(1, 1)).states & state::kSelected, 0u);

  // Scrolled down, the lines in view move up the screen and the first ones go out of view.
  jobBrowser->topline(40);
  Settle();
  EXPECT_EQ(Part(ItemPart(1, 1)).states & state::kOffscreen, state::kOffscreen);
  EXPECT_EQ(Part(ItemPart(1, 45)).states & state::kOffscreen, 0u);
  const ScreenRect scrolled = Part(ItemPart(1, 45)).location;
  Click(window.mainWindow, scrolled.x + scrolled.w / 2 - window.mainWindow->x_root(),
        scrolled.y + scrolled.h / 2 - window.mainWindow->y_root());
  EXPECT_EQ(jobBrowser->value(), 45);
}

TEST_F(AccessibilityTest, SelectionMovesAndRefillsAreAnnouncedOnceEach) {
  std::vector<Said> expected;
  int selected = 0;
  auto expectMove = [&] {
    if (jobBrowser->value() == selected) return;
    selected = jobBrowser->value();
    expected.push_back({AccessibleEvent::Selection, main, ItemPart(1, selected)});
    expected.push_back({AccessibleEvent::Focus, main, ItemPart(1, selected)});
  };
  for (int press = 0; press < 4; ++press) {  // the last one goes past the end and moves nothing
    SendKey(window.mainWindow, FL_Down);
    expectMove();
  }
  EXPECT_EQ(selected, 3);
  const ScreenRect first = Part(ItemPart(1, 1)).location;
  Click(window.mainWindow, first.x + 5 - window.mainWindow->x_root(),
        first.y + first.h / 2 - window.mainWindow->y_root());
  expectMove();
  EXPECT_EQ(selected, 1);
  ReloadJobList(nullptr, nullptr);
  expected.push_back({AccessibleEvent::Reorder, main, kList});
  selected = 0;
  SendKey(window.mainWindow, FL_Down);
  expectMove();
  Settle();
  EXPECT_EQ(SaidSoFar(), expected);
}

TEST_F(AccessibilityTest, FileMenuIsAnnouncedAndReadAsAPopupWhileOpen) {
  uintptr_t popupWindow = 0;
  AccessibleNode popup;
  std::vector<std::string> itemNames;
  AccessibleNode highlighted;
  std::string reloadShortcut;
  MenuScript script;
  script.steps = {
      [&] { SendKey(Fl::grab(), FL_Down); },
      [&] { SendKey(Fl::grab(), FL_Down); },
      [&] {
        Fl_Window* shown = OpenPopupWindow();
        ASSERT_NE(shown, nullptr);
        popupWindow = NativeWindowHandle(shown);
        popup = DescribeWindowPart(shown, 0).value_or(AccessibleNode{});
        itemNames = ChildNames(shown, popup);
        if (!popup.children.empty()) reloadShortcut = Part(popup.children[0]).shortcut;
        highlighted = Part(FocusedWindowPart(window.mainWindow));
      },
      [&] { SendKey(Fl::grab(), FL_Escape); },
  };
  Fl::add_timeout(0.15, RunNextStep, &script);
  SendKey(window.mainWindow, 'f', FL_ALT, "f");
  Fl::remove_timeout(RunNextStep, &script);
  Settle();

  EXPECT_EQ(popup.role, AccessibleRole::PopupMenu);
  EXPECT_EQ(popup.name, "File");
  EXPECT_EQ(itemNames, (std::vector<std::string>{"Reload Jobs", "Properties", "Export", "Exit"}));
  ASSERT_EQ(popup.children.size(), 4u);
  EXPECT_EQ(reloadShortcut, "F5");
  EXPECT_EQ(highlighted.name, "Properties");
  EXPECT_EQ(highlighted.states & state::kFocused, state::kFocused);
  EXPECT_EQ(highlighted.homeWindow, popupWindow) << "read through the main window, it lives there";
  EXPECT_FALSE(DescribeWindowPart(window.mainWindow, popup.children[0]).has_value())
      << "a closed menu's items are gone";

  const std::vector<Said> said = SaidSoFar();
  ASSERT_GE(said.size(), 6u);
  EXPECT_EQ(said.front(), (Said{AccessibleEvent::MenuStart, main, kBar}));
  const std::vector<Said> ending = {{AccessibleEvent::MenuPopupEnd, popupWindow, 0},
                                    {AccessibleEvent::MenuEnd, main, 0},
                                    {AccessibleEvent::Focus, main, kList}};
  EXPECT_EQ(std::vector<Said>(said.end() - 3, said.end()), ending);
  auto count = [&](const Said& wanted) { return std::count(said.begin(), said.end(), wanted); };
  EXPECT_EQ(count({AccessibleEvent::MenuPopupStart, popupWindow, 0}), 1);
  // Alt+F highlights no item; the keys highlight Reload Jobs, then Properties, each announced
  // once, and the bar's File, drawn highlighted over the bar, never.
  std::vector<Said> focused;
  std::copy_if(said.begin(), said.end(), std::back_inserter(focused),
               [](const Said& each) { return each.event == AccessibleEvent::Focus; });
  const std::vector<Said> expectedFocus = {
      {AccessibleEvent::Focus, main, MenuItemPart(kBarSlot, 1)},
      {AccessibleEvent::Focus, main, MenuItemPart(kBarSlot, 2)},
      {AccessibleEvent::Focus, main, kList}};
  EXPECT_EQ(focused, expectedFocus);
}

// Shift+F10 and the context-menu key open the list's popup at the selected line, or at the top
// of the list, and its commands are those of the right click.
TEST_F(AccessibilityTest, KeyboardOpensTheListPopupWhereTheSelectionIs) {
  struct Case {
    int key;
    int modifiers;
    int selectedLine;
  };
  for (const Case& each : {Case{FL_F + 10, FL_SHIFT, 2}, Case{FL_Menu, 0, 0}}) {
    SCOPED_TRACE(each.key);
    if (each.selectedLine > 0) {
      jobBrowser->select(each.selectedLine);
    } else {
      jobBrowser->deselect();
    }
    Settle();
    ForgetKeptAnnouncements();
    AccessibleNode popup;
    std::vector<std::string> itemNames;
    int popupTop = -1;
    MenuScript script;
    script.steps = {
        [&] {
          Fl_Window* shown = OpenPopupWindow();
          ASSERT_NE(shown, nullptr);
          popupTop = shown->y_root();
          popup = DescribeWindowPart(shown, 0).value_or(AccessibleNode{});
          itemNames = ChildNames(shown, popup);
          SendKey(Fl::grab(), FL_Down);
        },
        [&] { SendKey(Fl::grab(), FL_Escape); },
    };
    Fl::add_timeout(0.15, RunNextStep, &script);
    SendKey(window.mainWindow, each.key, each.modifiers);
    Fl::remove_timeout(RunNextStep, &script);
    Settle();

    EXPECT_EQ(popup.role, AccessibleRole::PopupMenu);
    EXPECT_EQ(popup.name, "Context");
    EXPECT_EQ(itemNames, (std::vector<std::string>{"Properties", "Export", "Complete Job",
                                                   "Cancel Job", "Suspend Job", "Resume Job"}));
    const ScreenRect line = ListLineArea(jobBrowser, each.selectedLine > 0 ? each.selectedLine : 1);
    const int expectedTop =
        window.mainWindow->y_root() + (each.selectedLine > 0 ? line.y + line.h : line.y);
    EXPECT_NEAR(popupTop, expectedTop, 30);
    const std::vector<Said> said = SaidSoFar();
    ASSERT_GE(said.size(), 5u);
    EXPECT_EQ(said.front(), (Said{AccessibleEvent::MenuStart, main, 0}));
    EXPECT_EQ(said[2], (Said{AccessibleEvent::Focus, main, MenuItemPart(kPopupSlot, 0)}));
    EXPECT_EQ(said.back(), (Said{AccessibleEvent::Focus, main, ListPart(jobBrowser)}));
    EXPECT_EQ(jobBrowser->value(), each.selectedLine) << "the selection stays as it was";
  }
}

TEST_F(AccessibilityTest, PopupCommandFromTheKeyboardOpensJobDetailsWithItsTextFocused) {
  jobBrowser->value(2);
  MenuScript script;
  script.steps = {[&] { SendKey(Fl::grab(), FL_Down); },
                  [&] { SendKey(Fl::grab(), FL_Enter, 0, "\r"); }};
  Fl::add_timeout(0.15, RunNextStep, &script);
  SendKey(window.mainWindow, FL_Menu);
  Fl::remove_timeout(RunNextStep, &script);
  Settle();

  Fl_Window* details = nullptr;
  for (Fl_Window* shown = Fl::first_window(); shown != nullptr; shown = Fl::next_window(shown)) {
    if (shown != window.mainWindow) details = shown;
  }
  ASSERT_NE(details, nullptr) << "Properties ran for the selected line";
  const std::optional<AccessibleNode> client = DescribeWindowPart(details, 0);
  ASSERT_TRUE(client.has_value());
  EXPECT_EQ(client->role, AccessibleRole::Client);
  EXPECT_EQ(client->name, "Job Details");
  ASSERT_EQ(client->children.size(), 1u);
  const std::optional<AccessibleNode> text = DescribeWindowPart(details, client->children[0]);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->role, AccessibleRole::Text);
  EXPECT_EQ(text->name, "Job Details");
  EXPECT_NE(text->value.find("Bravo"), std::string::npos);
  EXPECT_EQ(text->states & (state::kReadOnly | state::kFocused),
            state::kReadOnly | state::kFocused);
  EXPECT_EQ(FocusedWindowPart(details), client->children[0]);
  const std::vector<Said> said = SaidSoFar();
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.back(),
            (Said{AccessibleEvent::Focus, NativeWindowHandle(details), client->children[0]}));
}

}  // namespace
