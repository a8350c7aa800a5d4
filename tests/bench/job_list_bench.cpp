// ReloadJobList filling the main window's real list, beside its floor: the same summaries of the
// queue read and dropped and the same finished lines added to the same widget, so that what is
// left is the fill's own work (building the lines, keeping each line's job). The plain adds are
// shown too, for the toolkit's share.
#include <cstdlib>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Hold_Browser.H>

#include "app/job_list.h"
#include "app/main_window.h"
#include "bench_plan.h"
#include "bench_queue.h"
#include "bits/job_snapshot.h"

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

// The case's queue installed and the shown list to fill, or null (and the case skipped) when
// there is no display.
Fl_Hold_Browser* ListWithQueue(benchmark::State& state) {
  InstallBenchQueue(Jobs(state), Files(state));
  Fl_Hold_Browser* list = ShownJobList();
  if (list == nullptr) state.SkipWithError("no display: run the suite under Xvfb");
  return list;
}

void ReloadJobListCase(benchmark::State& state) {
  Fl_Hold_Browser* list = ListWithQueue(state);
  if (list == nullptr) return;
  for (auto _ : state) {
    ReloadJobList(nullptr, nullptr);
    if (static_cast<size_t>(list->size()) != Jobs(state)) {
      state.SkipWithError("the list does not show the queue");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Jobs(state)));
}

std::vector<std::string> PreparedLines() {
  std::vector<std::string> lines;
  for (const JobSummary& job : EnumerateJobSummaries()) lines.push_back(JobListLine(job));
  return lines;
}

void ReloadJobListFloorCase(benchmark::State& state) {
  Fl_Hold_Browser* list = ListWithQueue(state);
  if (list == nullptr) return;
  const std::vector<std::string> lines = PreparedLines();
  for (auto _ : state) {
    list->clear();
    std::vector<JobSummary> jobs = EnumerateJobSummaries();
    if (jobs.size() != lines.size()) {
      state.SkipWithError("the floor did not read the queue");
      break;
    }
    for (const std::string& line : lines) list->add(line.c_str(), nullptr);
    benchmark::DoNotOptimize(jobs.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Jobs(state)));
}

void ListAddsCase(benchmark::State& state) {
  Fl_Hold_Browser* list = ListWithQueue(state);
  if (list == nullptr) return;
  const std::vector<std::string> lines = PreparedLines();
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
          20);
  Planned(benchmark::RegisterBenchmark("ReloadJobListFloor", ReloadJobListFloorCase)
              ->Args({10000, 10})
              ->Unit(benchmark::kMillisecond),
          20);
  Planned(benchmark::RegisterBenchmark("ListAdds", ListAddsCase)
              ->Args({10000, 10})
              ->Unit(benchmark::kMillisecond),
          200);
}
