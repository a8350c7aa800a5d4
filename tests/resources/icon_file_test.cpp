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
    chunk.crcOk = Crc32(&png[at + 4], length + 4) == BigEndian32(&png[at + 8 + length]);
    chunks.push_back(chunk);
    at += 12 + length;
  }
  return chunks;
}

int PaethPredictor(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// An independent decoder: zlib inflates, the filters are undone by the book (PNG 9.2).
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
  std::vector<uint8_t> pixels(stride * *height);
  for (int y = 0; y < *height; ++y) {
    const uint8_t filter = raw[y * (stride + 1)];
    const uint8_t* in = &raw[y * (stride + 1) + 1];
    uint8_t* out = &pixels[y * stride];
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= 4 ? out[i - 4] : 0;
      const int b = y > 0 ? out[i - stride] : 0;
      const int c = (i >= 4 && y > 0) ? out[i - stride - 4] : 0;
      int predicted = 0;
      switch (filter) {
        case 0:
          predicted = 0;
          break;
        case 1:
          predicted = a;
          break;
        case 2:
          predicted = b;
          break;
        case 3:
          predicted = (a + b) / 2;
          break;
        case 4:
          predicted = PaethPredictor(a, b, c);
          break;
        default:
          return {};
      }
      out[i] = static_cast<uint8_t>(in[i] + predicted);
    }
  }
  return pixels;
}

TEST(PngEncoder, ChecksumsMatchTheirPublishedCheckValues) {
  const std::string check = "123456789";
  const auto* bytes = reinterpret_cast<const uint8_t*>(check.data());
  EXPECT_EQ(Crc32(bytes, check.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32(bytes, check.size()), crc32(0, bytes, check.size()));
  EXPECT_EQ(Adler32(bytes, check.size()), adler32(1, bytes, check.size()));
  // Running values carry over between pieces.
  EXPECT_EQ(Crc32(bytes + 4, 5, Crc32(bytes, 4)), 0xCBF43926u);
}

TEST(PngEncoder, ZlibStreamsInflateBackToTheInput) {
  std::vector<std::vector<uint8_t>> inputs = {{}, {7}, std::vector<uint8_t>(70000, 0)};
  std::vector<uint8_t> mixed;
  uint32_t seed = 12345;
  for (int i = 0; i < 100000; ++i) {
    seed = seed * 1103515245u + 12345u;
    // Noise with repeats far apart, long runs and matches up to the window's end.
    mixed.push_back(i % 5000 < 2500 ? static_cast<uint8_t>(seed >> 24) : mixed[i - 2500 + (i % 3)]);
  }
  inputs.push_back(mixed);
  for (const std::vector<uint8_t>& input : inputs) {
    const std::vector<uint8_t> stream = ZlibCompress(input);
    std::vector<uint8_t> back(input.size() + 1);
    uLongf backSize = back.size();
    ASSERT_EQ(uncompress(back.data(), &backSize, stream.data(), stream.size()), Z_OK)
        << "input of " << input.size() << " bytes";
    back.resize(backSize);
    EXPECT_EQ(back, input);
  }
  EXPECT_LT(ZlibCompress(std::vector<uint8_t>(70000, 0)).size(), 1000u);
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
