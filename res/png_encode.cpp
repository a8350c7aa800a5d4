#include "res/png_encode.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

namespace {

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

// Deflate writes its bits from the least significant end of each byte; Huffman codes go in from
// their most significant bit, hence the reversal in PutCode.
struct BitWriter {
  std::vector<uint8_t>& out;
  uint32_t pending = 0;
  int pendingBits = 0;

  void PutBits(uint32_t value, int count) {
    pending |= value << pendingBits;
    pendingBits += count;
    while (pendingBits >= 8) {
      out.push_back(static_cast<uint8_t>(pending & 0xFF));
      pending >>= 8;
      pendingBits -= 8;
    }
  }
  void PutCode(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
    PutBits(reversed, length);
  }
  void Flush() {
    if (pendingBits > 0) out.push_back(static_cast<uint8_t>(pending & 0xFF));
    pending = 0;
    pendingBits = 0;
  }
};

// The fixed literal/length code of RFC 1951, 3.2.6.
void PutLiteralOrLength(BitWriter& bits, int symbol) {
  if (symbol <= 143) {
    bits.PutCode(0x30 + symbol, 8);
  } else if (symbol <= 255) {
    bits.PutCode(0x190 + (symbol - 144), 9);
  } else if (symbol <= 279) {
    bits.PutCode(symbol - 256, 7);
  } else {
    bits.PutCode(0xC0 + (symbol - 280), 8);
  }
}

constexpr std::array<int, 29> kLengthBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                          15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                          67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void PutMatch(BitWriter& bits, int length, int distance) {
  int code = 28;
  while (kLengthBase[code] > length) --code;
  PutLiteralOrLength(bits, 257 + code);
  bits.PutBits(static_cast<uint32_t>(length - kLengthBase[code]), kLengthExtra[code]);
  int distanceCode = 29;
  while (kDistanceBase[distanceCode] > distance) --distanceCode;
  bits.PutCode(static_cast<uint32_t>(distanceCode), 5);
  bits.PutBits(static_cast<uint32_t>(distance - kDistanceBase[distanceCode]),
               kDistanceExtra[distanceCode]);
}

constexpr int kWindow = 32768;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kHashBits = 15;
constexpr int kMaxChain = 128;

uint32_t Hash3(const uint8_t* p) {
  const uint32_t v = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
  return (v * 2654435761u) >> (32 - kHashBits);
}

// One final block with the fixed codes; matches found through hash chains over the last 32 KiB.
void DeflateFixed(const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
  BitWriter bits{out};
  bits.PutBits(1, 1);  // final block
  bits.PutBits(1, 2);  // fixed Huffman codes
  const int size = static_cast<int>(data.size());
  std::vector<int> head(1u << kHashBits, -1);
  std::vector<int> previous(kWindow, -1);
  auto insert = [&](int pos) {
    if (pos + kMinMatch > size) return;
    const uint32_t h = Hash3(&data[pos]);
    previous[pos % kWindow] = head[h];
    head[h] = pos;
  };
  int pos = 0;
  while (pos < size) {
    int bestLength = 0;
    int bestDistance = 0;
    if (pos + kMinMatch <= size) {
      const int limit = std::min(kMaxMatch, size - pos);
      int candidate = head[Hash3(&data[pos])];
      for (int chain = 0; candidate >= 0 && chain < kMaxChain; ++chain) {
        const int distance = pos - candidate;
        if (distance > kWindow - 1) break;
        int length = 0;
        while (length < limit && data[candidate + length] == data[pos + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = distance;
          if (length == limit) break;
        }
        const int next = previous[candidate % kWindow];
        if (next >= candidate) break;  // the slot was reused by a newer position
        candidate = next;
      }
    }
    if (bestLength >= kMinMatch) {
      PutMatch(bits, bestLength, bestDistance);
      for (int i = 0; i < bestLength; ++i) insert(pos + i);
      pos += bestLength;
    } else {
      PutLiteralOrLength(bits, data[pos]);
      insert(pos);
      ++pos;
    }
  }
  PutLiteralOrLength(bits, 256);  // end of block
  bits.Flush();
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 24));
  out.push_back(static_cast<uint8_t>(value >> 16));
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  PutBigEndian32(png, static_cast<uint32_t>(data.size()));
  const std::size_t typeStart = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  PutBigEndian32(png, Crc32(&png[typeStart], png.size() - typeStart));
}

uint8_t Paeth(int left, int up, int upLeft) {
  const int estimate = left + up - upLeft;
  const int toLeft = std::abs(estimate - left);
  const int toUp = std::abs(estimate - up);
  const int toUpLeft = std::abs(estimate - upLeft);
  if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<uint8_t>(left);
  if (toUp <= toUpLeft) return static_cast<uint8_t>(up);
  return static_cast<uint8_t>(upLeft);
}

// Each row gets the filter whose output has the smallest sum of magnitudes, the usual heuristic:
// it turns the icon's flat areas into runs of zeros that the matcher takes in long strides.
std::vector<uint8_t> FilterRows(const std::vector<uint8_t>& rgba, int width, int height) {
  const int stride = width * 4;
  std::vector<uint8_t> filtered;
  filtered.reserve(static_cast<std::size_t>(height) * (stride + 1));
  std::vector<uint8_t> zeroRow(stride, 0);
  std::vector<uint8_t> candidate(stride);
  std::vector<uint8_t> best(stride);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = &rgba[static_cast<std::size_t>(y) * stride];
    const uint8_t* above = y > 0 ? row - stride : zeroRow.data();
    long bestScore = -1;
    uint8_t bestFilter = 0;
    for (uint8_t filter = 0; filter <= 4; ++filter) {
      long score = 0;
      for (int i = 0; i < stride; ++i) {
        const int left = i >= 4 ? row[i - 4] : 0;
        const int upLeft = i >= 4 ? above[i - 4] : 0;
        int predicted = 0;
        switch (filter) {
          case 1:
            predicted = left;
            break;
          case 2:
            predicted = above[i];
            break;
          case 3:
            predicted = (left + above[i]) / 2;
            break;
          case 4:
            predicted = Paeth(left, above[i], upLeft);
            break;
          default:
            break;
        }
        candidate[i] = static_cast<uint8_t>(row[i] - predicted);
        score += std::abs(static_cast<int8_t>(candidate[i]));
      }
      if (bestScore < 0 || score < bestScore) {
        bestScore = score;
        bestFilter = filter;
        best.swap(candidate);
      }
    }
    filtered.push_back(bestFilter);
    filtered.insert(filtered.end(), best.begin(), best.end());
  }
  return filtered;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, std::size_t size, uint32_t running) {
  uint32_t c = running ^ 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = CrcTable()[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const uint8_t* data, std::size_t size, uint32_t running) {
  uint32_t a = running & 0xFFFF;
  uint32_t b = running >> 16;
  for (std::size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::vector<uint8_t> ZlibCompress(const std::vector<uint8_t>& data) {
  // 32 KiB window, deflate; the check bits make the header a multiple of 31.
  std::vector<uint8_t> out{0x78, 0x01};
  DeflateFixed(data, out);
  PutBigEndian32(out, Adler32(data.data(), data.size()));
  return out;
}

std::vector<uint8_t> EncodePngRgba(const std::vector<uint8_t>& rgba, int width, int height) {
  if (width <= 0 || height <= 0 ||
      rgba.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {
    return {};
  }
  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian32(header, static_cast<uint32_t>(width));
  PutBigEndian32(header, static_cast<uint32_t>(height));
  header.push_back(8);  // bits per channel
  header.push_back(6);  // RGBA
  header.push_back(0);  // deflate
  header.push_back(0);  // adaptive filtering
  header.push_back(0);  // not interlaced
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", ZlibCompress(FilterRows(rgba, width, height)));
  PutChunk(png, "IEND", {});
  return png;
}
