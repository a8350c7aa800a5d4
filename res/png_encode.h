// The icon's 256-pixel image as PNG: the PNG framing is written here, the pixels are compressed by
// zlib.
#pragma once

#include <cstdint>
#include <vector>

// A complete PNG file of 8-bit RGBA (colour type 6), from rows of width * 4 bytes, top row first,
// colours not premultiplied by alpha. Empty when the pixels do not fit the size or cannot be
// compressed.
std::vector<uint8_t> EncodePngRgba(const std::vector<uint8_t>& rgba, int width, int height);
