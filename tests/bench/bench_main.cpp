// The performance suite. `--once` runs each case a single time (the test run uses it); every other
// argument is Google Benchmark's own. `--snapshot-memory <jobs> <files>` is the memory case's
// measuring process, which the case starts itself.
#include <cstdlib>
#include <cstring>

#include "bench_plan.h"

namespace {

bool runningOnce = false;

// Removes `flag` from the arguments and says whether it was there.
bool TakeFlag(int& argc, char** argv, const char* flag) {
  bool found = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], flag) == 0) {
      found = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;
  return found;
}

}  // namespace

bool RunningOnce() { return runningOnce; }
void SetRunningOnce(bool once) { runningOnce = once; }

benchmark::internal::Benchmark* Planned(benchmark::internal::Benchmark* bench,
                                        benchmark::IterationCount iterations, int repetitions) {
  if (runningOnce) return bench->Iterations(1)->Repetitions(1);
  // On two cores shared with compilers, a median of several repetitions is the figure to trust.
  return bench->Iterations(iterations)->Repetitions(repetitions)->ReportAggregatesOnly(true);
}

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--snapshot-memory") == 0) {
    return MeasureSnapshotMemory(std::strtoul(argv[2], nullptr, 10),
                                 std::strtoul(argv[3], nullptr, 10));
  }
  SetRunningOnce(TakeFlag(argc, argv, "--once"));
  RegisterCatalogueBenchmarks();
  RegisterReportBenchmarks();
  RegisterJobListBenchmarks();
  RegisterStartUpBenchmarks();
  RegisterMemoryBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
