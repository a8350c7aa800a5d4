// A PNG encoder of our own for the icon's 256-pixel image: no image library is needed to build the
// icon, on the build machine or in the cross build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// CRC-32 as PNG chunks use it (ISO 3309, reflected polynomial 0xEDB88320).
uint32_t Crc32(const uint8_t* data, std::size_t size, uint32_t running = 0);
// Adler-32 as the zlib stream's trailer uses it.
uint32_t Adler32(const uint8_t* data, std::size_t size, uint32_t running = 1);

// A zlib stream (RFC 1950) holding `data` in deflate blocks (RFC 1951) with the fixed Huffman
// codes.
std::vector<uint8_t> ZlibCompress(const std::vector<uint8_t>& data);

// A complete PNG file of 8-bit RGBA (colour type 6), from rows of width * 4 bytes, top row first,
// colours not premultiplied by alpha.
std::vector<uint8_t> EncodePngRgba(const std::vector<uint8_t>& rgba, int width, int height);
