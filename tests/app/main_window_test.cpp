// The main window as it is built: its widgets, their settings and both menus.
#include <cstring>
#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Menu_Item.H>

#include "app/help_commands.h"
#include "app/job_commands.h"
#include "app/job_list.h"
#include "app_test_support.h"

namespace {

struct MenuEntry {
  std::string path;
  int shortcut;
  Fl_Callback* callback;
};

bool operator==(const MenuEntry& a, const MenuEntry& b) {
  return a.path == b.path && a.shortcut == b.shortcut && a.callback == b.callback;
}

void PrintTo(const MenuEntry& entry, std::ostream* out) {
  *out << '"' << entry.path << "\" shortcut " << entry.shortcut
       << (entry.callback != nullptr ? " with callback" : " without callback");
}

// Walks a menu array into its leaf items with their full paths; checks that nothing but plain
// items and submenus is there.
std::vector<MenuEntry> Entries(const Fl_Menu_Item* item, const std::string& prefix = "") {
  std::vector<MenuEntry> entries;
  while (item != nullptr && item->label() != nullptr) {
    EXPECT_EQ(item->flags & (FL_MENU_DIVIDER | FL_MENU_TOGGLE | FL_MENU_RADIO | FL_MENU_INACTIVE |
                             FL_MENU_INVISIBLE),
              0)
        << item->label();
    EXPECT_EQ(item->user_data(), nullptr) << item->label();
    const std::string path = prefix + item->label();
    if (item->submenu()) {
      const std::vector<MenuEntry> inner = Entries(item + 1, path + "/");
      entries.insert(entries.end(), inner.begin(), inner.end());
      // Skip the submenu's items and its terminator.
      const Fl_Menu_Item* end = item + 1;
      int depth = 1;
      while (depth > 0) {
        if (end->label() == nullptr) {
          --depth;
        } else if (end->submenu()) {
          ++depth;
        }
        ++end;
      }
      item = end;
    } else {
      entries.push_back({path, item->shortcut(), item->callback()});
      ++item;
    }
  }
  return entries;
}

using MainWindowTest = AppTest;

TEST_F(MainWindowTest, WindowHoldsMenuBarListAndPopupInThatOrder) {
  Fl_Window* main = window.mainWindow;
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(dynamic_cast<Fl_Double_Window*>(main), nullptr) << "the window is single-buffered";
  EXPECT_STREQ(main->label(), "Kestrelmoor");
  EXPECT_EQ(main->w(), 650);
  EXPECT_EQ(main->h(), 400);
  ASSERT_EQ(main->children(), 3);
  EXPECT_EQ(main->child(0), window.menuBar);
  EXPECT_EQ(main->child(1), jobBrowser);
  EXPECT_EQ(main->child(2), window.jobPopupMenu);
  EXPECT_EQ(main->resizable(), jobBrowser);
  EXPECT_EQ(Fl_Group::current(), nullptr) << "the window's group is closed";
  EXPECT_FALSE(main->shown()) << "showing is left to main";
}

TEST_F(MainWindowTest, MenuBarGeometryAndItems) {
  Fl_Menu_Bar* bar = window.menuBar;
  EXPECT_EQ(bar->x(), 0);
  EXPECT_EQ(bar->y(), 0);
  EXPECT_EQ(bar->w(), 650);
  EXPECT_EQ(bar->h(), 30);
  EXPECT_EQ(bar->label(), nullptr);

  const std::vector<MenuEntry> expected = {
      {"&File/&Reload Jobs", FL_F + 5, ReloadJobList},
      {"&File/&Properties", 0, OnProperties},
      {"&File/&Export", 0, OnExport},
      {"&File/E&xit", 0, OnExit},
      {"&Actions/&Complete Job", 0, OnCompleteJob},
      {"&Actions/C&ancel Job", 0, OnCancelJob},
      {"&Actions/&Suspend Job", 0, OnSuspendJob},
      {"&Actions/&Resume Job", 0, OnResumeJob},
      {"&Help/&Help", FL_F + 1, OnHelp},
      {"&Help/&Visit Website", 0, OnVisitWebsite},
      {"&Help/&Contact", 0, OnContact},
      {"&Help/&About", 0, OnAbout},
  };
  EXPECT_EQ(Entries(bar->menu()), expected);
}

TEST_F(MainWindowTest, JobListSettings) {
  ASSERT_NE(jobBrowser, nullptr);
  EXPECT_EQ(jobBrowser->x(), 10);
  EXPECT_EQ(jobBrowser->y(), 40);
  EXPECT_EQ(jobBrowser->w(), 630);
  EXPECT_EQ(jobBrowser->h(), 350);
  EXPECT_EQ(jobBrowser->label(), nullptr);
  EXPECT_EQ(jobBrowser->type(), FL_HOLD_BROWSER);
  EXPECT_EQ(jobBrowser->column_widths(), jobListColumnWidths) << "the list keeps the table itself";
  EXPECT_EQ(jobListColumnWidths[0], 300);
  EXPECT_EQ(jobListColumnWidths[1], 800);
  EXPECT_EQ(jobListColumnWidths[2], 120);
  EXPECT_EQ(jobListColumnWidths[3], 0);
  EXPECT_EQ(jobBrowser->textfont(), FL_COURIER);
  EXPECT_EQ(jobBrowser->textsize(), 13);
  EXPECT_EQ(jobBrowser->column_char(), '\t');
  EXPECT_EQ(jobBrowser->format_char(), '@');
}

TEST_F(MainWindowTest, PopupLiesOverTheListWithEmptyTitleAndTheSixCommands) {
  Fl_Menu_Button* popup = window.jobPopupMenu;
  EXPECT_EQ(popup->x(), 10);
  EXPECT_EQ(popup->y(), 40);
  EXPECT_EQ(popup->w(), 630);
  EXPECT_EQ(popup->h(), 360);
  ASSERT_NE(popup->label(), nullptr) << "an empty text, not null";
  EXPECT_STREQ(popup->label(), "");
  EXPECT_EQ(popup->type(), Fl_Menu_Button::POPUP3);

  const std::vector<MenuEntry> expected = {
      {"&Properties", 0, OnProperties},   {"&Export", 0, OnExport},
      {"&Complete Job", 0, OnCompleteJob}, {"C&ancel Job", 0, OnCancelJob},
      {"&Suspend Job", 0, OnSuspendJob},  {"&Resume Job", 0, OnResumeJob},
  };
  EXPECT_EQ(Entries(popup->menu()), expected);
}

TEST_F(MainWindowTest, ListIsFilledBeforeTheWindowIsShownAndNothingIsSelected) {
  EXPECT_EQ(jobBrowser->size(), 3);
  EXPECT_EQ(jobBrowser->value(), 0);
  for (int line = 1; line <= jobBrowser->size(); ++line) {
    EXPECT_EQ(jobBrowser->data(line), nullptr) << "line " << line;
  }
}

TEST_F(MainWindowTest, ResizingTheWindowResizesListAndPopupAndKeepsTheBarHeight) {
  window.mainWindow->size(900, 600);
  EXPECT_EQ(jobBrowser->w(), 880);
  EXPECT_EQ(jobBrowser->h(), 550);
  EXPECT_EQ(window.jobPopupMenu->w(), 880);
  EXPECT_EQ(window.jobPopupMenu->h(), 560);
  EXPECT_EQ(window.menuBar->w(), 900);
  EXPECT_EQ(window.menuBar->h(), 30);
}

TEST_F(MainWindowTest, ExitEndsTheProcessWithStatusZero) {
  EXPECT_EXIT(OnExit(nullptr, nullptr), ::testing::ExitedWithCode(0), "");
}

}  // namespace
