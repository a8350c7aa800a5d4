// Peak resident memory of one snapshot of 100,000 jobs of 10 files, per job, beside what the
// finished snapshot holds. Measured in a fresh process (this program started again with
// --snapshot-memory): it builds the queue, trims its heap and resets its high-water mark just
// before EnumerateJobs, so the figures are the snapshot's alone. A peak well above the held memory
// means a second copy of the texts was alive at some moment (a second snapshot, or a copy between
// the service's strings and the records).
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_plan.h"
#include "bench_queue.h"
#include "bits/job_snapshot.h"

namespace {

struct SnapshotMemory {
  double baseline = 0;  // bytes resident before the snapshot
  double peak = 0;      // high-water mark while it was taken
  double held = 0;      // resident once it is finished, still held
  double jobs = 0;
};

// A "Vm...:" line of /proc/self/status, in bytes; -1 when it cannot be read.
double StatusBytes(const char* field) {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  double bytes = -1;
  const size_t length = std::strlen(field);
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, field, length) == 0) {
      bytes = std::strtod(line + length, nullptr) * 1024.0;  // the kernel counts in kB
      break;
    }
  }
  std::fclose(status);
  return bytes;
}

// Sets the high-water mark back to what is resident now.
bool ResetPeak() {
  const int file = open("/proc/self/clear_refs", O_WRONLY);
  if (file < 0) return false;
  const bool done = write(file, "5", 1) == 1;
  close(file);
  return done;
}

// Starts this program again as the measuring process and reads its one line of figures.
bool MeasureInChild(size_t jobs, size_t files, SnapshotMemory& measured) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, channel[0]);
  const std::string jobText = std::to_string(jobs);
  const std::string fileText = std::to_string(files);
  char* arguments[] = {const_cast<char*>("kestrelmoor_bench"),
                       const_cast<char*>("--snapshot-memory"), const_cast<char*>(jobText.c_str()),
                       const_cast<char*>(fileText.c_str()), nullptr};
  pid_t child = 0;
  const bool started =
      posix_spawn(&child, "/proc/self/exe", &actions, nullptr, arguments, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(channel[1]);
  bool received = false;
  if (started) {
    char line[256] = {};
    FILE* output = fdopen(channel[0], "r");
    if (output != nullptr) {
      received = std::fgets(line, sizeof line, output) != nullptr &&
                 std::sscanf(line, "%lf %lf %lf %lf", &measured.baseline, &measured.peak,
                             &measured.held, &measured.jobs) == 4;
      std::fclose(output);
      channel[0] = -1;
    }
    int status = 0;
    waitpid(child, &status, 0);
    received = received && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  if (channel[0] >= 0) close(channel[0]);
  return received;
}

void SnapshotMemoryCase(benchmark::State& state) {
  const size_t jobs = static_cast<size_t>(state.range(0));
  const size_t files = static_cast<size_t>(state.range(1));
  SnapshotMemory measured;
  for (auto _ : state) {
    if (!MeasureInChild(jobs, files, measured) || measured.jobs != static_cast<double>(jobs) ||
        measured.held <= measured.baseline) {
      state.SkipWithError("the snapshot's memory could not be measured");
      return;
    }
  }
  state.counters["peak_bytes_per_job"] = (measured.peak - measured.baseline) / measured.jobs;
  state.counters["held_bytes_per_job"] = (measured.held - measured.baseline) / measured.jobs;
  state.counters["peak_over_held"] =
      (measured.peak - measured.baseline) / (measured.held - measured.baseline);
}

}  // namespace

int MeasureSnapshotMemory(size_t jobs, size_t files) {
  BitsProvider provider;
  FillBenchQueue(provider, jobs, files);
  InstallBitsProvider(&provider);
  malloc_trim(0);  // what building the queue freed goes back, so reusing it shows in the figures
  if (!ResetPeak()) return 1;
  const double baseline = StatusBytes("VmRSS:");
  std::vector<JobInfo> snapshot = EnumerateJobs();
  const double peak = StatusBytes("VmHWM:");
  const double held = StatusBytes("VmRSS:");
  std::printf("%.0f %.0f %.0f %zu\n", baseline, peak, held, snapshot.size());
  return baseline > 0 && peak > 0 && held > 0 ? 0 : 1;
}

void RegisterMemoryBenchmarks() {
  // One measurement is the figure: the memory a given snapshot takes does not vary between runs.
  benchmark::RegisterBenchmark("SnapshotMemory", SnapshotMemoryCase)
      ->Args({100000, 10})
      ->Iterations(1)
      ->Repetitions(1)
      ->Unit(benchmark::kMillisecond);
}
