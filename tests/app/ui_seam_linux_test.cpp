// The Linux side of the user-interface seam: finding the main window and the executable's folder.
#include <cstdint>
#include <string>

// The test framework comes before the toolkit's X11 header, whose macros clash with it.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "ui/ui_seam.h"

namespace {

void LetTheDisplayCatchUp() {
  for (int i = 0; i < 5; ++i) Fl::wait(0.01);
}

TEST(LinuxUiSeam, EveryOperationIsServed) {
  const UiSeam seam = PlatformUi();
  EXPECT_TRUE(seam.findWindow);
  EXPECT_TRUE(seam.messageBox);
  EXPECT_TRUE(seam.messageBoxNarrow);
  EXPECT_TRUE(seam.shellOpen);
  EXPECT_TRUE(seam.runSaveDialog);
  EXPECT_TRUE(seam.executableFolder);
}

TEST(LinuxUiSeam, FindsOnlyAShownTopLevelWindowWithExactlyThatTitle) {
  Fl_Window other(300, 200, "Kestrelmoor Help");
  other.end();
  Fl_Window main(300, 200, "Kestrelmoor");
  main.end();
  EXPECT_EQ(Ui().findWindow("Kestrelmoor"), nullptr) << "not shown yet";

  other.show();
  main.show();
  LetTheDisplayCatchUp();
  EXPECT_EQ(Ui().findWindow("Kestrelmoor"), static_cast<NativeWindow>(&main));
  EXPECT_EQ(Ui().findWindow("Kestrelmoor Help"), static_cast<NativeWindow>(&other));
  EXPECT_EQ(Ui().findWindow("kestrelmoor"), nullptr);
  EXPECT_EQ(Ui().findWindow("Kestrel"), nullptr);

  main.hide();
  LetTheDisplayCatchUp();
  EXPECT_EQ(Ui().findWindow("Kestrelmoor"), nullptr);
  other.hide();
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

TEST(LinuxUiSeam, IconGoesToTheShownWindowItIsGivenAndNowhereElse) {
  Fl_Window main(300, 200, "Kestrelmoor");
  main.end();
  main.show();
  LetTheDisplayCatchUp();
  ASSERT_EQ(IconPropertyLength(main), 0u);

  // A handle that is no shown window is left alone rather than written through.
  SetWindowIcon(reinterpret_cast<NativeWindow>(static_cast<uintptr_t>(0x10)));
  SetWindowIcon(nullptr);
  EXPECT_EQ(IconPropertyLength(main), 0u);

  SetWindowIcon(Ui().findWindow("Kestrelmoor"));
  LetTheDisplayCatchUp();
  // At least a 16 by 16 and a 32 by 32 image, each after its two sizes.
  EXPECT_GE(IconPropertyLength(main), 2u + 16 * 16 + 2u + 32 * 32);
  main.hide();
}

TEST(LinuxUiSeam, RestoringPutsThePlatformsOwnFunctionsBack) {
  Ui().findWindow = [](const std::string&) { return reinterpret_cast<NativeWindow>(1); };
  RestorePlatformUi();
  EXPECT_EQ(Ui().findWindow("no window has this title"), nullptr);
}

TEST(LinuxUiSeam, ExecutableFolderIsTheFolderOfTheRunningProgram) {
  EXPECT_EQ(Ui().executableFolder(), std::string(KESTRELMOOR_TEST_BINARY_DIR));
}

}  // namespace
