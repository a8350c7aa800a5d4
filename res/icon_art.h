// The program's icon artwork: a kestrel hovering over a moor at dusk, drawn in code so that the
// Windows icon and the window icon elsewhere come from one source and are rebuilt reproducibly.
#pragma once

#include <cstdint>
#include <vector>

// The artwork at size x size pixels: 8-bit RGBA rows, top row first, colours not premultiplied,
// anti-aliased edges. Empty for a size below 1 or above 1024.
std::vector<uint8_t> RenderIconRgba(int size);
