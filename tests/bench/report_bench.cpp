// The two text builders every command leans on, each beside a plain copy of as many bytes as it
// produces: FormatJobReport for jobs of 0, 10 and 200 files, and ToUtf8 of 1 MiB of mixed text.
#include <string>
#include <utility>
#include <vector>

#include "bench_plan.h"
#include "bench_queue.h"
#include "bits/job_snapshot.h"
#include "bits/utf8.h"
#include "report/job_report.h"

namespace {

// One record as EnumerateJobs builds it from a bench job with `files` files.
JobInfo BenchRecord(size_t files) {
  BitsProvider provider;
  FillBenchQueue(provider, 1, files);
  BitsProvider* previous = InstalledBitsProvider();
  InstallBitsProvider(&provider);
  std::vector<JobInfo> snapshot = EnumerateJobs();
  InstallBitsProvider(previous);
  return snapshot.empty() ? JobInfo() : snapshot.front();
}

// 1 MiB of UTF-16: ASCII words, accented Latin, CJK and characters beyond the BMP (surrogate pairs)
// in turn, as job texts from users of several languages would mix them.
WideText MixedText() {
  const WideText pieces[] = {
      WIDE_TEXT("Nightly package sync for workstation "), WIDE_TEXT("r\u00e9seau \u00e9t\u00e9 "),
      WIDE_TEXT("\u4e2d\u6587\u5305\u88c5 "), WIDE_TEXT("\U0001F4E6\U0001F680 "),
      WIDE_TEXT("C:\\ProgramData\\Downloads\\part-001.cab ")};
  constexpr size_t kUnits = 1024 * 1024 / sizeof(WCHAR);
  WideText text;
  text.reserve(kUnits + 64);
  for (size_t i = 0; text.size() < kUnits; ++i) text += pieces[i % 5];
  text.resize(kUnits);
  if (text.back() >= 0xD800 && text.back() <= 0xDBFF) text.back() = WCHAR('.');  // no cut pair
  return text;
}

void CopyBytes(benchmark::State& state, const std::string& source) {
  for (auto _ : state) {
    std::string copy(source);
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}

void FormatJobReportCase(benchmark::State& state) {
  const JobInfo job = BenchRecord(static_cast<size_t>(state.range(0)));
  size_t bytes = 0;
  for (auto _ : state) {
    std::string report = FormatJobReport(job);
    bytes = report.size();
    benchmark::DoNotOptimize(report.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void FormatJobReportCopyCase(benchmark::State& state) {
  CopyBytes(state, FormatJobReport(BenchRecord(static_cast<size_t>(state.range(0)))));
}

void ToUtf8Case(benchmark::State& state) {
  const WideText text = MixedText();
  size_t bytes = 0;
  for (auto _ : state) {
    std::string converted = ToUtf8(text);
    bytes = converted.size();
    benchmark::DoNotOptimize(converted.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void ToUtf8CopyCase(benchmark::State& state) { CopyBytes(state, ToUtf8(MixedText())); }

}  // namespace

void RegisterReportBenchmarks() {
  const std::pair<int64_t, benchmark::IterationCount> reports[] = {
      {0, 100000}, {10, 20000}, {200, 2000}};
  for (const auto& [files, iterations] : reports) {
    Planned(benchmark::RegisterBenchmark("FormatJobReport", FormatJobReportCase)->Arg(files),
            iterations);
    Planned(benchmark::RegisterBenchmark("FormatJobReportCopy", FormatJobReportCopyCase)->Arg(files),
            iterations);
  }
  Planned(benchmark::RegisterBenchmark("ToUtf8", ToUtf8Case)->Arg(1 << 20), 200);
  Planned(benchmark::RegisterBenchmark("ToUtf8Copy", ToUtf8CopyCase)->Arg(1 << 20), 200);
}
