// ToUtf8 over any UTF-16, unpaired surrogates included, against a decoder of our own.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "bits/utf8.h"
#include "fuzz_records.h"
#include "text_oracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WideText text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
  const std::string converted = ToUtf8(text);
  if (converted != ExpectedUtf8(text)) FuzzFailure("ToUtf8 differs from the independent decoder");
  std::vector<uint32_t> points;
  if (!DecodeUtf8(converted, points)) FuzzFailure("ToUtf8 produced malformed UTF-8");
  return 0;
}
