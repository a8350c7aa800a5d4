// Start-up as the user waits for it: from exec of the program to its main window being mapped on
// the X server, with the sample queue. Each repetition starts one program and times it by the
// server's own MapNotify event, not by polling.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_plan.h"

namespace {

constexpr const char* KESTRELMOOR_NAME = "Kestrelmoor";
constexpr int kPatienceMilliseconds = 20000;

bool IsMainWindow(Display* display, Window window) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) == 0 || name == nullptr) return false;
  const bool same = std::strcmp(name, KESTRELMOOR_NAME) == 0;
  XFree(name);
  return same;
}

// Waits for a top-level window of that title to be mapped; false once the patience is spent.
bool AwaitMainWindowMapped(Display* display, std::chrono::steady_clock::time_point deadline) {
  const int connection = ConnectionNumber(display);
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && IsMainWindow(display, event.xmap.window)) return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{connection, POLLIN, 0};
    poll(&ready, 1, static_cast<int>(left.count()));
  }
}

void StopProgram(pid_t program) {
  kill(program, SIGTERM);
  int status = 0;
  waitpid(program, &status, 0);
}

void StartUpCase(benchmark::State& state) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    state.SkipWithError("no display: run the suite under Xvfb");
    return;
  }
  // Top-level windows are children of the root: their mapping is reported to its listeners.
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  for (auto _ : state) {
    // Spawned, not forked: a fork would write-protect this process's whole heap and charge the
    // cases that run after it a page fault per page.
    char* arguments[] = {const_cast<char*>(KESTRELMOOR_PROGRAM), nullptr};
    const auto started = std::chrono::steady_clock::now();
    pid_t program = 0;
    if (posix_spawn(&program, KESTRELMOOR_PROGRAM, nullptr, nullptr, arguments, environ) != 0) {
      state.SkipWithError("cannot start the program");
      break;
    }
    const bool mapped = AwaitMainWindowMapped(
        display, started + std::chrono::milliseconds(kPatienceMilliseconds));
    const auto finished = std::chrono::steady_clock::now();
    StopProgram(program);
    if (!mapped) {
      state.SkipWithError("the main window was not mapped in time");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(finished - started).count());
  }
  XCloseDisplay(display);
}

}  // namespace

void RegisterStartUpBenchmarks() {
  benchmark::internal::Benchmark* bench = benchmark::RegisterBenchmark("StartUp", StartUpCase)
                                              ->UseManualTime()
                                              ->Unit(benchmark::kMillisecond)
                                              ->Iterations(1);
  // The median of ten starts, each a process of its own.
  if (RunningOnce()) {
    bench->Repetitions(1);
  } else {
    bench->Repetitions(10)->ReportAggregatesOnly(true);
  }
}
