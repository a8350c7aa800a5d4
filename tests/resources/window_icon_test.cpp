// The window icon where there is no icon resource, read back from the X server (run under Xvfb).
// GoogleTest first: Xlib defines macros (None, Bool) that would rename its identifiers.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "res/icon_art.h"
#include "ui/ui_seam.h"
#include "ui/window_icon.h"

namespace {

// _NET_WM_ICON: for each image its width, its height, then one ARGB value per pixel, row by row.
std::vector<unsigned long> WindowManagerIcons(Fl_Window& window) {
  Fl::flush();
  XSync(fl_display, False);
  const Atom property = XInternAtom(fl_display, "_NET_WM_ICON", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(fl_display, fl_xid(&window), property, 0, 1L << 24, False, XA_CARDINAL,
                         &type, &format, &count, &remaining, &data) == Success &&
      data != nullptr) {
    if (format == 32) {
      const unsigned long* longs = reinterpret_cast<const unsigned long*>(data);
      values.assign(longs, longs + count);
    }
    XFree(data);
  }
  return values;
}

void ExpectTheArtwork(const std::vector<unsigned long>& icons) {
  std::size_t at = 0;
  for (int size : {16, 32, 48, 128}) {
    ASSERT_LE(at + 2, icons.size()) << "no image of " << size;
    ASSERT_EQ(icons[at], static_cast<unsigned long>(size));
    ASSERT_EQ(icons[at + 1], static_cast<unsigned long>(size));
    at += 2;
    const std::vector<uint8_t> art = RenderIconRgba(size);
    ASSERT_LE(at + static_cast<std::size_t>(size) * size, icons.size());
    std::size_t differing = 0;
    for (int i = 0; i < size * size; ++i) {
      const uint8_t* rgba = &art[static_cast<std::size_t>(i) * 4];
      const unsigned long argb = (static_cast<unsigned long>(rgba[3]) << 24) |
                                 (static_cast<unsigned long>(rgba[0]) << 16) |
                                 (static_cast<unsigned long>(rgba[1]) << 8) | rgba[2];
      if ((icons[at + i] & 0xFFFFFFFFul) != argb) ++differing;
    }
    EXPECT_EQ(differing, 0u) << "pixels of the " << size << " image";
    at += static_cast<std::size_t>(size) * size;
  }
  EXPECT_EQ(at, icons.size());
}

TEST(WindowIcon, IconsGivenBeforeShowReachTheWindowManager) {
  Fl_Window window(200, 100, "Kestrelmoor");
  window.end();
  SetLinuxWindowIcon(&window);
  window.show();
  ExpectTheArtwork(WindowManagerIcons(window));
  window.hide();
}

TEST(WindowIcon, TheSeamGivesTheShownMainWindowTheArtwork) {
  RestorePlatformUi();
  Fl_Window window(200, 100, "Kestrelmoor");
  window.end();
  window.show();
  EXPECT_TRUE(WindowManagerIcons(window).empty());
  RegisterMainWindow(&window);
  NativeWindow main = Ui().mainWindow();
  ASSERT_EQ(main, static_cast<NativeWindow>(&window));
  SetWindowIcon(main);
  ExpectTheArtwork(WindowManagerIcons(window));
  SetWindowIcon(nullptr);  // no main window: nothing to do, and no crash
  window.hide();
  RegisterMainWindow(nullptr);
}

}  // namespace
