// How every case of the suite is run: measured properly by `make bench`, or once each by the test
// run, so that the suite is built and exercised with every change without timing anything.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>

// Set by main before the cases are registered.
bool RunningOnce();
void SetRunningOnce(bool once);

// Applies the plan to a case: one iteration when running once; otherwise `repetitions` runs of
// `iterations` each, whose median the budget check reads. The count is fixed per case, sized to
// take a few tenths of a second: repetitions run in random turns must all run the same count.
constexpr int kRepetitions = 5;
// For the cases a budget is read from whose time swings most from run to run with what the
// other core and the caches are doing: the snapshot beside its floor.
constexpr int kBudgetRepetitions = 15;
benchmark::internal::Benchmark* Planned(benchmark::internal::Benchmark* bench,
                                        benchmark::IterationCount iterations,
                                        int repetitions = kRepetitions);

// The cases of each file, registered by main after the flags are read.
void RegisterCatalogueBenchmarks();
void RegisterReportBenchmarks();
void RegisterJobListBenchmarks();
void RegisterStartUpBenchmarks();
void RegisterMemoryBenchmarks();

// The measuring side of the memory case, run as a process of its own: prints the resident bytes
// before, at the peak of and after one snapshot of that shape, and the number of jobs it read.
int MeasureSnapshotMemory(size_t jobs, size_t files);
