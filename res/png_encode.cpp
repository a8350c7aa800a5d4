#include "res/png_encode.h"

#include <zlib.h>

#include <cstddef>

namespace {

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// Length, type, data and the CRC-32 of type and data, as PNG frames every chunk.
void PutChunk(std::vector<uint8_t>& png, const char (&type)[5], const std::vector<uint8_t>& data) {
  PutBigEndian32(png, static_cast<uint32_t>(data.size()));
  const std::size_t typeAt = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, &png[typeAt], static_cast<uInt>(png.size() - typeAt));
  PutBigEndian32(png, static_cast<uint32_t>(crc));
}

}  // namespace

std::vector<uint8_t> EncodePngRgba(const std::vector<uint8_t>& rgba, int width, int height) {
  if (width <= 0 || height <= 0 ||
      rgba.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {
    return {};
  }
  // Every row starts with its filter type; 0 leaves the row as it is.
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  std::vector<uint8_t> rows;
  rows.reserve((stride + 1) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    rows.push_back(0);
    const auto row = rgba.begin() + static_cast<std::ptrdiff_t>(stride * y);
    rows.insert(rows.end(), row, row + static_cast<std::ptrdiff_t>(stride));
  }
  uLongf compressedSize = compressBound(static_cast<uLong>(rows.size()));
  std::vector<uint8_t> compressed(compressedSize);
  if (compress2(compressed.data(), &compressedSize, rows.data(), static_cast<uLong>(rows.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    return {};
  }
  compressed.resize(compressedSize);

  std::vector<uint8_t> header;
  PutBigEndian32(header, static_cast<uint32_t>(width));
  PutBigEndian32(header, static_cast<uint32_t>(height));
  header.push_back(8);  // bits per channel
  header.push_back(6);  // RGBA
  header.push_back(0);  // deflate
  header.push_back(0);  // adaptive filtering
  header.push_back(0);  // not interlaced

  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", compressed);
  PutChunk(png, "IEND", {});
  return png;
}
