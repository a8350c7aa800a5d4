// The Linux side of the user-interface seam: the main window, its icon, and the executable's
// folder.
#include <cstdint>
#include <string>
#include <vector>

// The test framework comes before the toolkit's X11 header, whose macros clash with it.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "app/help_commands.h"
#include "ui/ui_seam.h"

namespace {

void LetTheDisplayCatchUp() {
  for (int i = 0; i < 5; ++i) Fl::wait(0.01);
}

TEST(LinuxUiSeam, EveryOperationIsServed) {
  const UiSeam seam = PlatformUi();
  EXPECT_TRUE(seam.mainWindow);
  EXPECT_TRUE(seam.messageBox);
  EXPECT_TRUE(seam.messageBoxNarrow);
  EXPECT_TRUE(seam.shellOpen);
  EXPECT_TRUE(seam.runSaveDialog);
  EXPECT_TRUE(seam.executableFolder);
}

// How many 32-bit values the window's _NET_WM_ICON property holds: width, height and pixels of
// each image the window manager may choose from.
unsigned long IconPropertyLength(Fl_Window& window) {
  const Atom property = XInternAtom(fl_display, "_NET_WM_ICON", False);
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(fl_display, fl_xid(&window), property, 0, 1L << 20, False, AnyPropertyType,
                         &type, &format, &items, &remaining, &data) != Success) {
    return 0;
  }
  if (data != nullptr) XFree(data);
  return items;
}

// Another window with the program's title, and ours under another title (the toolkit's -title
// option): the icon and the owner of a box are still the main window itself, and only while it is
// shown.
TEST(LinuxUiSeam, MainWindowIsTheRegisteredOneWhateverTheTitles) {
  Fl_Window foreign(300, 200, "Kestrelmoor");
  foreign.end();
  Fl_Window main(300, 200, "Other");
  main.end();
  RegisterMainWindow(&main);
  EXPECT_EQ(Ui().mainWindow(), nullptr) << "not shown yet";
  foreign.show();
  main.show();
  LetTheDisplayCatchUp();
  ASSERT_EQ(Ui().mainWindow(), static_cast<NativeWindow>(&main));

  // A handle that is no shown window is left alone rather than written through.
  SetWindowIcon(reinterpret_cast<NativeWindow>(static_cast<uintptr_t>(0x10)));
  SetWindowIcon(nullptr);
  EXPECT_EQ(IconPropertyLength(main), 0u);
  SetWindowIcon(Ui().mainWindow());
  LetTheDisplayCatchUp();
  // At least a 16 by 16 and a 32 by 32 image, each after its two sizes.
  EXPECT_GE(IconPropertyLength(main), 2u + 16 * 16 + 2u + 32 * 32);
  EXPECT_EQ(IconPropertyLength(foreign), 0u);

  std::vector<NativeWindow> owners;
  Ui().messageBox = [&owners](NativeWindow owner, const std::string&, const std::string&,
                              unsigned) {
    owners.push_back(owner);
    return box::kIdOk;
  };
  OnAbout(nullptr, nullptr);
  EXPECT_EQ(owners, std::vector<NativeWindow>{&main});

  main.hide();
  LetTheDisplayCatchUp();
  EXPECT_EQ(Ui().mainWindow(), nullptr) << "hidden";
  foreign.hide();
  RegisterMainWindow(nullptr);
  RestorePlatformUi();
}

TEST(LinuxUiSeam, RestoringPutsThePlatformsOwnFunctionsBack) {
  Ui().mainWindow = [] { return reinterpret_cast<NativeWindow>(1); };
  RestorePlatformUi();
  EXPECT_EQ(Ui().mainWindow(), nullptr) << "no main window is registered";
}

TEST(LinuxUiSeam, ExecutableFolderIsTheFolderOfTheRunningProgram) {
  EXPECT_EQ(Ui().executableFolder(), std::string(KESTRELMOOR_TEST_BINARY_DIR));
}

}  // namespace
