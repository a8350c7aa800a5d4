// EnumerateJobs and a job-control operation's lookup, each beside the floor of the same service
// calls.
#include <sys/resource.h>

#include <chrono>
#include <vector>

#include "bench_plan.h"
#include "bench_queue.h"
#include "bits/job_control.h"
#include "bits/job_snapshot.h"
#include "catalogue_floors.h"

namespace {

// An identifier text that no bench job has, so CancelJob asks the service for it and the
// in-memory service looks through the whole queue.
const WideText kAbsentJob = WIDE_TEXT("{00000000-0000-4000-8000-000000000000}");

// The lookup reads no files; its queue is the one EnumerateJobs reads at the same size.
constexpr size_t kLookupFiles = 10;

// Minor page faults of this process so far: memory the kernel had to hand (back) to the heap.
double PageFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_minflt);
}

size_t Jobs(const benchmark::State& state) { return static_cast<size_t>(state.range(0)); }
size_t Files(const benchmark::State& state) { return static_cast<size_t>(state.range(1)); }

// Times the call, up to the snapshot being in the caller's hands. Dropping it is the caller's
// part, timed apart and reported beside it as drop_ms, so neither figure hides in the other.
void EnumerateJobsCase(benchmark::State& state) {
  InstallBenchQueue(Jobs(state), Files(state));
  std::chrono::duration<double, std::milli> dropping{0};
  double faults = 0;
  for (auto _ : state) {
    const double faultsBefore = PageFaults();
    std::vector<JobInfo> snapshot = EnumerateJobs();
    faults += PageFaults() - faultsBefore;
    if (snapshot.size() != Jobs(state) || snapshot.back().files.size() != Files(state)) {
      state.SkipWithError("the snapshot does not hold the queue");
      break;
    }
    benchmark::DoNotOptimize(snapshot.data());
    state.PauseTiming();
    const auto dropStarted = std::chrono::steady_clock::now();
    snapshot = std::vector<JobInfo>();
    dropping += std::chrono::steady_clock::now() - dropStarted;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Jobs(state)));
  if (state.iterations() > 0) {
    state.counters["drop_ms"] = dropping.count() / static_cast<double>(state.iterations());
    state.counters["page_faults"] = faults / static_cast<double>(state.iterations());
  }
}

void EnumerateJobsFloorCase(benchmark::State& state) {
  InstallBenchQueue(Jobs(state), Files(state));
  for (auto _ : state) {
    const FloorCount count = SnapshotCallsFloor();
    if (count.jobs != Jobs(state) || count.files != Jobs(state) * Files(state)) {
      state.SkipWithError("the floor did not read the queue");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Jobs(state)));
}

void CancelJobLookupCase(benchmark::State& state) {
  BitsProvider& provider = InstallBenchQueue(Jobs(state), kLookupFiles);
  for (auto _ : state) {
    if (CancelJob(kAbsentJob) || provider.jobs.size() != Jobs(state)) {
      state.SkipWithError("the lookup changed the queue");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Jobs(state)));
}

void CancelJobLookupFloorCase(benchmark::State& state) {
  InstallBenchQueue(Jobs(state), kLookupFiles);
  for (auto _ : state) {
    if (ControlLookupFloor(kAbsentJob)) {
      state.SkipWithError("the floor found a job that is not there");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Jobs(state)));
}

}  // namespace

void RegisterCatalogueBenchmarks() {
  struct Shape {
    int64_t jobs;
    int64_t files;
    benchmark::IterationCount iterations;
  };
  const Shape shapes[] = {{1000, 10, 40}, {10000, 10, 6}, {100000, 10, 1}, {1000, 200, 6}};
  for (const Shape& shape : shapes) {
    Planned(benchmark::RegisterBenchmark("EnumerateJobs", EnumerateJobsCase)
                ->Args({shape.jobs, shape.files})
                ->Unit(benchmark::kMillisecond),
            shape.iterations, kBudgetRepetitions);
    Planned(benchmark::RegisterBenchmark("EnumerateJobsFloor", EnumerateJobsFloorCase)
                ->Args({shape.jobs, shape.files})
                ->Unit(benchmark::kMillisecond),
            shape.iterations, kBudgetRepetitions);
  }
  Planned(benchmark::RegisterBenchmark("CancelJobLookup", CancelJobLookupCase)
              ->Arg(10000)
              ->Unit(benchmark::kMillisecond),
          20000);
  Planned(benchmark::RegisterBenchmark("CancelJobLookupFloor", CancelJobLookupFloorCase)
              ->Arg(10000)
              ->Unit(benchmark::kMillisecond),
          20000);
}
