// Build-time tool: writes the program's icon file from the artwork, and optionally a PNG of one
// size for looking at it.
//   make_icon <icon.ico> [<preview.png> <size>]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "res/ico_file.h"
#include "res/icon_art.h"
#include "res/png_encode.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::perror(path.c_str());
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed)
    std::fprintf(stderr, "%s: could not write the whole file\n", path.c_str());
  return written && closed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: %s <icon.ico> [<preview.png> <size>]\n", argv[0]);
    return 2;
  }
  // Sizes and formats of icon group 102: three bitmaps, and PNG where a bitmap would be large.
  std::vector<IconImage> images;
  for (int size : {16, 32, 48, 256}) images.push_back({size, RenderIconRgba(size), size == 256});
  const std::vector<uint8_t> icon = BuildIconFile(images);
  if (icon.empty() || !WriteFile(argv[1], icon)) return 1;
  if (argc == 4) {
    const int size = std::atoi(argv[3]);
    const std::vector<uint8_t> png = EncodePngRgba(RenderIconRgba(size), size, size);
    if (png.empty() || !WriteFile(argv[2], png)) return 1;
  }
  return 0;
}
