#include "res/ico_file.h"

#include <cstddef>

#include "res/png_encode.h"

namespace {

void PutLittleEndian16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLittleEndian32(std::vector<uint8_t>& out, uint32_t value) {
  PutLittleEndian16(out, value & 0xFFFF);
  PutLittleEndian16(out, value >> 16);
}

std::vector<uint8_t> BitmapImage(const IconImage& image) {
  const int size = image.size;
  std::vector<uint8_t> out;
  PutLittleEndian32(out, 40);                               // biSize
  PutLittleEndian32(out, static_cast<uint32_t>(size));      // biWidth
  PutLittleEndian32(out, static_cast<uint32_t>(size * 2));  // biHeight: colour rows and mask rows
  PutLittleEndian16(out, 1);                                // biPlanes
  PutLittleEndian16(out, 32);                               // biBitCount
  PutLittleEndian32(out, 0);                                // biCompression: BI_RGB
  const int maskStride = ((size + 31) / 32) * 4;
  PutLittleEndian32(out, static_cast<uint32_t>(size * size * 4 + maskStride * size));
  for (int i = 0; i < 4; ++i) PutLittleEndian32(out, 0);  // resolution, palette counts
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * size + x) * 4];
      out.push_back(p[2]);
      out.push_back(p[1]);
      out.push_back(p[0]);
      out.push_back(p[3]);
    }
  }
  // The mask still matters to whatever draws the icon without its alpha channel: a set bit is a
  // transparent pixel.
  for (int y = size - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int x = 0; x < size; ++x) {
      const uint8_t alpha = image.rgba[(static_cast<std::size_t>(y) * size + x) * 4 + 3];
      if (alpha == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

std::vector<uint8_t> BuildIconFile(const std::vector<IconImage>& images) {
  std::vector<std::vector<uint8_t>> encoded;
  for (const IconImage& image : images) {
    if (image.size < 1 || image.size > 256 ||
        image.rgba.size() != static_cast<std::size_t>(image.size) * image.size * 4) {
      return {};
    }
    encoded.push_back(image.asPng ? EncodePngRgba(image.rgba, image.size, image.size)
                                  : BitmapImage(image));
  }
  std::vector<uint8_t> file;
  PutLittleEndian16(file, 0);  // reserved
  PutLittleEndian16(file, 1);  // type: icon
  PutLittleEndian16(file, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const uint8_t side = static_cast<uint8_t>(images[i].size == 256 ? 0 : images[i].size);
    file.push_back(side);         // width, 0 meaning 256
    file.push_back(side);         // height
    file.push_back(0);            // palette size: none
    file.push_back(0);            // reserved
    PutLittleEndian16(file, 1);   // colour planes
    PutLittleEndian16(file, 32);  // bits per pixel
    PutLittleEndian32(file, static_cast<uint32_t>(encoded[i].size()));
    PutLittleEndian32(file, offset);
    offset += static_cast<uint32_t>(encoded[i].size());
  }
  for (const std::vector<uint8_t>& data : encoded)
    file.insert(file.end(), data.begin(), data.end());
  return file;
}
