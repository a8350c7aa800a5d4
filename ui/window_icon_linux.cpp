#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Window.H>

#include <vector>

#include "res/icon_art.h"
#include "ui/window_icon.h"

void SetLinuxWindowIcon(Fl_Window* window) {
  if (window == nullptr) return;
  // The pixel buffers must outlive the images; the window copies the images it is given.
  std::vector<std::vector<uint8_t>> pixels;
  std::vector<Fl_RGB_Image*> images;
  pixels.reserve(4);
  for (int size : {16, 32, 48, 128}) {
    pixels.push_back(RenderIconRgba(size));
    images.push_back(new Fl_RGB_Image(pixels.back().data(), size, size, 4));
  }
  std::vector<const Fl_RGB_Image*> constImages(images.begin(), images.end());
  window->icons(constImages.data(), static_cast<int>(constImages.size()));
  for (Fl_RGB_Image* image : images) delete image;
}
