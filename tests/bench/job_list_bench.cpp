// ReloadJobList filling the main window's real list, beside adding the same finished lines to the
// same widget: what the snapshot and the line building add to the toolkit's own work.
#include <cstdlib>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Hold_Browser.H>

#include "bench_plan.h"
#include "bench_queue.h"
#include "job_list.h"
#include "job_snapshot.h"
#include "main_window.h"

namespace {

size_t Jobs(const benchmark::State& state) { return static_cast<size_t>(state.range(0)); }
size_t Files(const benchmark::State& state) { return static_cast<size_t>(state.range(1)); }

// The program's own window, built and mapped once; its list is what both cases fill. Null when
// there is no display to show it on.
Fl_Hold_Browser* ShownJobList() {
  static bool built = false;
  if (!built && std::getenv("DISPLAY") != nullptr) {
    built = true;
    MainWindow window = BuildMainWindow();
    window.mainWindow->show();
    Fl::check();
  }
  return built ? jobBrowser : nullptr;
}

void ReloadJobListCase(benchmark::State& state) {
  InstallBenchQueue(Jobs(state), Files(state));
  Fl_Hold_Browser* list = ShownJobList();
  if (list == nullptr) {
    state.SkipWithError("no display: run the suite under Xvfb");
    return;
  }
  for (auto _ : state) {
    ReloadJobList(nullptr, nullptr);
    if (static_cast<size_t>(list->size()) != Jobs(state)) {
      state.SkipWithError("the list does not show the queue");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Jobs(state)));
}

void ReloadJobListFloorCase(benchmark::State& state) {
  InstallBenchQueue(Jobs(state), Files(state));
  Fl_Hold_Browser* list = ShownJobList();
  if (list == nullptr) {
    state.SkipWithError("no display: run the suite under Xvfb");
    return;
  }
  std::vector<std::string> lines;
  for (const JobInfo& job : EnumerateJobs()) lines.push_back(JobListLine(job));
  for (auto _ : state) {
    list->clear();
    for (const std::string& line : lines) list->add(line.c_str(), nullptr);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Jobs(state)));
}

}  // namespace

void RegisterJobListBenchmarks() {
  Planned(benchmark::RegisterBenchmark("ReloadJobList", ReloadJobListCase)
              ->Args({10000, 10})
              ->Unit(benchmark::kMillisecond),
          4);
  Planned(benchmark::RegisterBenchmark("ReloadJobListFloor", ReloadJobListFloorCase)
              ->Args({10000, 10})
              ->Unit(benchmark::kMillisecond),
          200);
}
