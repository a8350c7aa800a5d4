// The Windows icon file (.ico) that the resource compiler turns into icon group 102.
#pragma once

#include <cstdint>
#include <vector>

// One image of the icon, 8-bit RGBA rows top row first, colours not premultiplied.
struct IconImage {
  int size = 0;  // width and height in pixels, 1 to 256
  std::vector<uint8_t> rgba;
  bool asPng = false;  // stored as PNG rather than as a 32-bit bitmap
};

// The .ico file holding the images in the order given. A bitmap image is a 40-byte
// BITMAPINFOHEADER (height doubled for the mask), BGRA rows bottom row first, then the 1-bit AND
// mask, rows padded to 32 bits; a PNG image is a complete PNG file. Empty when an image is
// unusable.
std::vector<uint8_t> BuildIconFile(const std::vector<IconImage>& images);
