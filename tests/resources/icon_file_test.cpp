#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "res/ico_file.h"
#include "res/icon_art.h"
#include "res/png_encode.h"

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
uint32_t LittleEndian32(const uint8_t* p) {
  return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint16_t LittleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

struct Chunk {
  std::string type;
  std::vector<uint8_t> data;
  bool crcOk = false;
};

std::vector<Chunk> PngChunks(const std::vector<uint8_t>& png) {
  std::vector<Chunk> chunks;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = BigEndian32(&png[at]);
    if (at + 12 + length > png.size()) break;
    Chunk chunk;
    chunk.type.assign(reinterpret_cast<const char*>(&png[at + 4]), 4);
    chunk.data.assign(png.begin() + at + 8, png.begin() + at + 8 + length);
    chunk.crcOk = crc32(0L, &png[at + 4], length + 4) == BigEndian32(&png[at + 8 + length]);
    chunks.push_back(chunk);
    at += 12 + length;
  }
  return chunks;
}

// An independent decoder: zlib inflates, the rows are taken as they stand.
std::vector<uint8_t> DecodeRgbaPng(const std::vector<uint8_t>& png, int* width, int* height) {
  std::vector<uint8_t> compressed;
  for (const Chunk& chunk : PngChunks(png)) {
    if (chunk.type == "IHDR") {
      *width = static_cast<int>(BigEndian32(&chunk.data[0]));
      *height = static_cast<int>(BigEndian32(&chunk.data[4]));
    } else if (chunk.type == "IDAT") {
      compressed.insert(compressed.end(), chunk.data.begin(), chunk.data.end());
    }
  }
  const std::size_t stride = static_cast<std::size_t>(*width) * 4;
  std::vector<uint8_t> raw((stride + 1) * *height);
  uLongf rawSize = raw.size();
  if (uncompress(raw.data(), &rawSize, compressed.data(), compressed.size()) != Z_OK ||
      rawSize != raw.size()) {
    return {};
  }
  // Rows unfiltered (filter type 0), each behind its filter byte.
  std::vector<uint8_t> pixels;
  for (int y = 0; y < *height; ++y) {
    const auto row = raw.begin() + static_cast<std::ptrdiff_t>(y * (stride + 1));
    if (*row != 0) return {};
    pixels.insert(pixels.end(), row + 1, row + 1 + static_cast<std::ptrdiff_t>(stride));
  }
  return pixels;
}

TEST(PngEncoder, TheIconPngDecodesToTheArtworkPixelForPixel) {
  for (int size : {1, 16, 256}) {
    const std::vector<uint8_t> art = RenderIconRgba(size);
    const std::vector<uint8_t> png = EncodePngRgba(art, size, size);
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    const std::vector<Chunk> chunks = PngChunks(png);
    ASSERT_GE(chunks.size(), 3u);
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(chunks.back().type, "IEND");
    for (const Chunk& chunk : chunks) EXPECT_TRUE(chunk.crcOk) << chunk.type;
    const std::vector<uint8_t>& header = chunks.front().data;
    ASSERT_EQ(header.size(), 13u);
    EXPECT_EQ(header[8], 8);  // bits per channel
    EXPECT_EQ(header[9], 6);  // RGBA
    int width = 0, height = 0;
    EXPECT_EQ(DecodeRgbaPng(png, &width, &height), art) << size;
    EXPECT_EQ(width, size);
    EXPECT_EQ(height, size);
  }
}

TEST(IconArt, IsARoundBadgeWithSoftEdgesAndTheSameEveryTime) {
  for (int size : {16, 32, 48, 256}) {
    const std::vector<uint8_t> art = RenderIconRgba(size);
    ASSERT_EQ(art.size(), static_cast<std::size_t>(size) * size * 4);
    auto alpha = [&](int x, int y) {
      return art[(static_cast<std::size_t>(y) * size + x) * 4 + 3];
    };
    EXPECT_EQ(alpha(0, 0), 0);
    EXPECT_EQ(alpha(size - 1, size - 1), 0);
    EXPECT_EQ(alpha(size / 2, size / 2), 255);
    // The badge's rim runs through about 3 x size pixels; most of them are partly covered.
    int partial = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) partial += alpha(x, y) > 0 && alpha(x, y) < 255;
    }
    EXPECT_GE(partial, size) << "the edge is not anti-aliased at " << size;
    EXPECT_EQ(RenderIconRgba(size), art);
  }
  EXPECT_TRUE(RenderIconRgba(0).empty());
  EXPECT_TRUE(RenderIconRgba(5000).empty());
}

TEST(IconFile, HoldsThreeBitmapsAndAPngWithTheirDirectory) {
  std::vector<IconImage> images;
  for (int size : {16, 32, 48, 256}) images.push_back({size, RenderIconRgba(size), size == 256});
  const std::vector<uint8_t> ico = BuildIconFile(images);
  ASSERT_GE(ico.size(), 6u + 4 * 16);
  EXPECT_EQ(LittleEndian16(&ico[0]), 0);
  EXPECT_EQ(LittleEndian16(&ico[2]), 1);
  ASSERT_EQ(LittleEndian16(&ico[4]), 4);
  for (int i = 0; i < 4; ++i) {
    const uint8_t* entry = &ico[6 + 16 * i];
    const int size = images[i].size;
    EXPECT_EQ(entry[0], size == 256 ? 0 : size);
    EXPECT_EQ(entry[1], size == 256 ? 0 : size);
    EXPECT_EQ(LittleEndian16(entry + 6), 32);
    const uint32_t length = LittleEndian32(entry + 8);
    const uint32_t offset = LittleEndian32(entry + 12);
    ASSERT_LE(offset + length, ico.size());
    const uint8_t* data = &ico[offset];
    if (size == 256) {
      const std::vector<uint8_t> png(data, data + length);
      int width = 0, height = 0;
      EXPECT_EQ(DecodeRgbaPng(png, &width, &height), images[i].rgba);
      continue;
    }
    // BITMAPINFOHEADER, then BGRA rows bottom-up, then the AND mask.
    EXPECT_EQ(LittleEndian32(data), 40u);
    EXPECT_EQ(static_cast<int>(LittleEndian32(data + 4)), size);
    EXPECT_EQ(static_cast<int>(LittleEndian32(data + 8)), 2 * size);
    EXPECT_EQ(LittleEndian16(data + 14), 32);
    EXPECT_EQ(LittleEndian32(data + 16), 0u);  // BI_RGB
    const std::size_t maskStride = ((size + 31) / 32) * 4;
    ASSERT_EQ(length, 40 + size * size * 4 + maskStride * size);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const uint8_t* bgra = data + 40 + ((size - 1 - y) * size + x) * 4;
        const uint8_t* rgba = &images[i].rgba[(y * size + x) * 4];
        ASSERT_TRUE(bgra[0] == rgba[2] && bgra[1] == rgba[1] && bgra[2] == rgba[0] &&
                    bgra[3] == rgba[3])
            << "pixel " << x << "," << y << " of " << size;
        const uint8_t maskByte = data[40 + size * size * 4 + (size - 1 - y) * maskStride + x / 8];
        ASSERT_EQ((maskByte >> (7 - x % 8)) & 1, rgba[3] == 0 ? 1 : 0);
      }
    }
  }
}

}  // namespace
