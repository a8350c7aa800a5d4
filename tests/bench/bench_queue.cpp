#include "bench_queue.h"

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace {

// Decimal digits, zero-filled to `width`.
WideText Number(size_t value, size_t width) {
  WideText digits(width, WCHAR('0'));
  for (size_t i = width; i-- > 0 && value != 0; value /= 10) {
    digits[i] = static_cast<WCHAR>('0' + value % 10);
  }
  return digits;
}

GUID BenchJobGuid(size_t number) {
  GUID id{};
  id.Data1 = 0x4B455354u ^ static_cast<uint32_t>(number * 2654435761u);
  id.Data2 = static_cast<uint16_t>(number >> 16);
  id.Data3 = static_cast<uint16_t>(0x4000 | (number & 0x0FFF));
  for (int i = 0; i < 5; ++i) id.Data4[i] = static_cast<uint8_t>((number >> (i * 3)) ^ (0xA5 + i));
  // The low 24 bits of the number itself keep every GUID of a queue distinct.
  id.Data4[5] = static_cast<uint8_t>(number >> 16);
  id.Data4[6] = static_cast<uint8_t>(number >> 8);
  id.Data4[7] = static_cast<uint8_t>(number);
  return id;
}

// 100-nanosecond ticks since 1601: 2024-03-05 07:08:09 plus `seconds`.
FILETIME BenchTime(uint64_t seconds) {
  const uint64_t ticks = 133540672890000000ull + seconds * 10000000ull;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

ProviderFile BenchFile(const WideText& job, size_t number) {
  const WideText name = WIDE_TEXT("part-") + Number(number, 3) + WIDE_TEXT(".cab");
  ProviderFile file;
  file.remoteName = WIDE_TEXT("https://updates.kestrelmoor.invalid/content/packages/") + job +
                    WIDE_TEXT("/") + name;
  file.localName = WIDE_TEXT("C:\\ProgramData\\Kestrelmoor Bench\\Downloads\\") + job +
                   WIDE_TEXT("\\") + name;
  file.progress.BytesTotal = 1048576 + number * 4096;
  file.progress.BytesTransferred = number % 2 == 0 ? file.progress.BytesTotal : 524288;
  file.progress.Completed = number % 2 == 0;
  return file;
}

ProviderJob BenchJob(size_t number, size_t filesPerJob) {
  const WideText tag = Number(number, 6);
  ProviderJob job;
  job.id = BenchJobGuid(number);
  job.displayName = WIDE_TEXT("Nightly package sync ") + tag + WIDE_TEXT(" (r\u00e9seau \u4e2d\u6587)");
  job.description = WIDE_TEXT("Fetches the cumulative update packages for workstation ") + tag;
  job.owner = number % 4 == 0 ? WideText(WIDE_TEXT("S-1-5-18"))
                              : WIDE_TEXT("S-1-5-21-3623811015-3361044348-30300820-10") +
                                    Number(number % 4, 2);
  job.state = static_cast<BG_JOB_STATE>(number % 9);
  job.type = static_cast<BG_JOB_TYPE>(number % 3);
  job.priority = static_cast<BG_JOB_PRIORITY>(number % 4);
  job.errorCount = static_cast<ULONG>(number % 5);
  job.hasNotifyInterface = number % 7 == 0;
  if (number % 3 == 0) {
    job.notifyProgram = WideText(WIDE_TEXT("C:\\Program Files\\Kestrelmoor Bench\\notify.exe"));
    job.notifyArguments = WIDE_TEXT("--job ") + tag + WIDE_TEXT(" --quiet");
  }
  job.times.CreationTime = BenchTime(number);
  job.times.ModificationTime = BenchTime(number + 3600);
  if (number % 2 == 0) job.times.TransferCompletionTime = BenchTime(number + 7200);
  job.files.reserve(filesPerJob);
  for (size_t i = 0; i < filesPerJob; ++i) {
    job.files.push_back(BenchFile(tag, i + 1));
    job.progress.BytesTotal += job.files.back().progress.BytesTotal;
    job.progress.BytesTransferred += job.files.back().progress.BytesTransferred;
    if (job.files.back().progress.Completed) ++job.progress.FilesTransferred;
  }
  job.progress.FilesTotal = static_cast<ULONG>(filesPerJob);
  return job;
}

}  // namespace

void FillBenchQueue(BitsProvider& provider, size_t jobs, size_t filesPerJob) {
  provider.jobs.clear();
  provider.jobs.shrink_to_fit();  // the big queues are built one after another, not side by side
  provider.jobs.reserve(jobs);
  for (size_t i = 0; i < jobs; ++i) provider.jobs.push_back(BenchJob(i + 1, filesPerJob));
}

BitsProvider& InstallBenchQueue(size_t jobs, size_t filesPerJob) {
  static std::map<std::pair<size_t, size_t>, std::unique_ptr<BitsProvider>> queues;
  std::unique_ptr<BitsProvider>& provider = queues[{jobs, filesPerJob}];
  if (!provider) {
    provider = std::make_unique<BitsProvider>();
    FillBenchQueue(*provider, jobs, filesPerJob);
  }
  InstallBitsProvider(provider.get());
  return *provider;
}
