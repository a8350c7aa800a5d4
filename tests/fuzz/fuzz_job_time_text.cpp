// JobTimeText over every 64-bit FILETIME, against a civil-date conversion of our own run the other
// way: from the text back to seconds since 1601.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bits/job_texts.h"
#include "fuzz_records.h"
#include "text_oracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint64_t ticks = 0;
  std::memcpy(&ticks, data, size < sizeof ticks ? size : sizeof ticks);
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const std::string problem = TimeTextMismatch(ticks, JobTimeText(time));
  if (!problem.empty()) FuzzFailure("JobTimeText(" + std::to_string(ticks) + "): " + problem);
  return 0;
}
