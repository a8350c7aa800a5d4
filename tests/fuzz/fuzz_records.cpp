#include "fuzz_records.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr WCHAR kInteresting[] = {
    '\t', '\n', '\r', '@', '.', 'a', ' ', 0x0000, 0x0001, 0x001F, 0x007F, 0x0085, 0x009F, 0x00E9,
    0x2026, 0x2028, 0x2029, 0x202A, 0x202E, 0x2066, 0x2069, 0x4E2D, 0xD800, 0xD83D, 0xDBFF, 0xDC00,
    0xDE80, 0xDFFF, 0xFEFF, 0xFFFD, 0xFFFF};

}  // namespace

WideText ConsumeWideText(FuzzedDataProvider& input, size_t mostUnits) {
  const size_t length = input.ConsumeIntegralInRange<size_t>(0, mostUnits);
  WideText text;
  text.reserve(length);
  while (text.size() < length && input.remaining_bytes() > 0) {
    const uint8_t choice = input.ConsumeIntegral<uint8_t>();
    if (choice < 0x80) {
      text += kInteresting[choice % (sizeof kInteresting / sizeof kInteresting[0])];
    } else {
      text += static_cast<WCHAR>(input.ConsumeIntegral<uint16_t>());
    }
  }
  // A repeat count makes a short input into a long text, to reach what only long texts reach.
  const uint8_t repeats = input.ConsumeIntegral<uint8_t>();
  if (repeats > 250 && !text.empty()) {
    const WideText unit = text;
    while (text.size() < 20000) text += unit;
  }
  return text;
}

JobInfo ConsumeJobInfo(FuzzedDataProvider& input, size_t mostUnits, size_t mostFiles) {
  JobInfo job;
  job.id = ConsumeWideText(input, mostUnits);
  job.displayName = ConsumeWideText(input, mostUnits);
  job.state = ConsumeWideText(input, mostUnits);
  job.owner = ConsumeWideText(input, mostUnits);
  job.description = ConsumeWideText(input, mostUnits);
  job.type = ConsumeWideText(input, mostUnits);
  job.priority = ConsumeWideText(input, mostUnits);
  job.notifyProgram = ConsumeWideText(input, mostUnits);
  job.notifyArguments = ConsumeWideText(input, mostUnits);
  job.bytesTotal = input.ConsumeIntegral<uint64_t>();
  job.bytesTransferred = input.ConsumeIntegral<uint64_t>();
  job.filesTotal = input.ConsumeIntegral<uint32_t>();
  job.filesTransferred = input.ConsumeIntegral<uint32_t>();
  job.created = ConsumeWideText(input, mostUnits);
  job.modified = ConsumeWideText(input, mostUnits);
  job.completed = ConsumeWideText(input, mostUnits);
  job.errorCount = input.ConsumeIntegral<uint32_t>();
  job.noProgressTimeout = input.ConsumeIntegral<uint32_t>();
  job.notifyFlags = input.ConsumeIntegral<uint32_t>();
  job.hasNotifyInterface = input.ConsumeBool();
  job.minimumRetryDelay = input.ConsumeIntegral<uint32_t>();
  const size_t files = input.ConsumeIntegralInRange<size_t>(0, mostFiles);
  for (size_t i = 0; i < files && input.remaining_bytes() > 0; ++i) {
    JobFileInfo file;
    file.remoteName = ConsumeWideText(input, mostUnits);
    file.localName = ConsumeWideText(input, mostUnits);
    file.bytesTotal = input.ConsumeIntegral<uint64_t>();
    file.bytesTransferred = input.ConsumeIntegral<uint64_t>();
    job.files.push_back(file);
  }
  return job;
}

void FuzzFailure(const std::string& what) {
  std::fprintf(stderr, "\n*** %s\n", what.c_str());
  std::abort();
}
