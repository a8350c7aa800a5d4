// EnumerateJobs, the list fill and a command's read against Wine's BITS, a real service in a
// process of its own, each beside the floor of the same COM calls without records, and the whole
// of a Cancel. Here the calls cross processes, so they are the cost, and what the program adds
// must all but vanish beside them.
//
//   kestrelmoor_wine_bench.exe create <jobs> <files>
//       puts that many suspended jobs of that many files each into an empty queue
//   kestrelmoor_wine_bench.exe run <jobs> <files> <repetitions> <results.json>
//       times each case once per turn, taking turns, and writes the figures (wine_bench_json.h)
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "bits/bits_manager.h"
#include "bits/com_owners.h"
#include "bits/job_control.h"
#include "bits/job_snapshot.h"
#include "bits_platform.h"
#include "catalogue_floors.h"
#include "wine_bench_json.h"

namespace {

using Clock = std::chrono::steady_clock;

double Elapsed(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// User and kernel time of this process, in milliseconds: the service's work is not in it.
double ProcessCpuMilliseconds() {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

ComPtr<IBackgroundCopyManager> Connect() {
  ComPtr<IBackgroundCopyManager> manager;
  const HRESULT hr = CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                                      IID_IBackgroundCopyManager, manager.put_void());
  if (FAILED(hr)) std::printf("BITS cannot be reached: 0x%08lx\n", static_cast<unsigned long>(hr));
  return manager;
}

std::wstring Numbered(const wchar_t* pattern, unsigned job, unsigned file = 0) {
  wchar_t text[160];
  std::swprintf(text, 160, pattern, job, file);
  return text;
}

// Every address is a closed port on this machine, and the jobs stay suspended: nothing is fetched.
bool CreateBenchJob(IBackgroundCopyManager* manager, unsigned number, unsigned files) {
  GUID id{};
  ComPtr<IBackgroundCopyJob> job;
  const std::wstring name = Numbered(L"Kestrelmoor bench job %03u", number);
  HRESULT hr = manager->CreateJob(name.c_str(), BG_JOB_TYPE_DOWNLOAD, &id, job.put());
  if (SUCCEEDED(hr) && job) {
    const std::wstring description = Numbered(L"Benchmark queue, job %03u of the Wine run", number);
    hr = job->SetDescription(description.c_str());
  }
  for (unsigned file = 1; SUCCEEDED(hr) && file <= files; ++file) {
    const std::wstring remote = Numbered(L"http://127.0.0.1:9/bench/job-%03u/part-%u.cab", number, file);
    const std::wstring local = Numbered(L"C:\\bench\\job-%03u\\part-%u.cab", number, file);
    hr = job->AddFile(remote.c_str(), local.c_str());
  }
  if (FAILED(hr) || !job) {
    std::printf("job %u could not be created: 0x%08lx\n", number, static_cast<unsigned long>(hr));
    return false;
  }
  return true;
}

int Create(unsigned jobs, unsigned files) {
  ComApartment apartment;
  ComPtr<IBackgroundCopyManager> manager = Connect();
  if (!apartment.initialised() || !manager) return 1;
  // Jobs of an earlier run would be timed too: a fresh wineserver starts with an empty queue.
  const size_t before = EnumerateJobs().size();
  if (before != 0) {
    std::printf("the queue already holds %zu jobs: restart the wineserver first\n", before);
    return 1;
  }
  for (unsigned number = 1; number <= jobs; ++number) {
    if (!CreateBenchJob(manager.get(), number, files)) return 1;
  }
  std::printf("created %u jobs of %u files\n", jobs, files);
  return 0;
}

// Both must read the whole queue that `create` made, or the comparison means nothing. The
// identifiers are the jobs the commands act on.
bool ReadsTheQueue(unsigned jobs, unsigned files, std::vector<WideText>& ids) {
  const std::vector<JobInfo> snapshot = EnumerateJobs();
  const FloorCount floor = SnapshotCallsFloor();
  size_t snapshotFiles = 0;
  for (const JobInfo& job : snapshot) {
    snapshotFiles += job.files.size();
    ids.push_back(job.id);
  }
  std::printf("EnumerateJobs read %zu jobs and %zu files, the floor %zu jobs and %zu files\n",
              snapshot.size(), snapshotFiles, floor.jobs, floor.files);
  return snapshot.size() == jobs && snapshotFiles == size_t{jobs} * files && floor.jobs == jobs &&
         floor.files == size_t{jobs} * files;
}

// What the program asks of the service for the list fill and for a command, in the order
// app/job_list.cpp and app/job_commands.cpp ask it; those need the toolkit, which has no Windows
// build here. Each answers whether it found what it needed.
bool ListFill() { return !EnumerateJobSummaries().empty(); }

// Properties and Export: the record of the job the selected line showed.
bool SelectedJobRecord(const WideText& id) { return ReadJobById(id).has_value(); }

// Cancel answered with Yes: the look for the job before the question, the change, and the refill.
bool CancelCommand(const WideText& id) { return JobExists(id) && CancelJob(id) && ListFill(); }

// Wine's COM can stall for good when the service drops the last object of an interface type while
// it still counts a call on that type as running: the release then waits for a call that never
// ends. One object of every type a snapshot uses, held for the whole run, keeps each type in
// service between snapshots, for every case and floor alike.
struct HeldInterfaceTypes {
  ComPtr<IBackgroundCopyManager> manager;
  ComPtr<IEnumBackgroundCopyJobs> jobs;
  ComPtr<IBackgroundCopyJob> job;
  ComPtr<IBackgroundCopyJob2> job2;
  ComPtr<IEnumBackgroundCopyFiles> files;
  ComPtr<IBackgroundCopyFile> file;
};

bool HoldInterfaceTypes(HeldInterfaceTypes& held) {
  held.manager = CreateBitsManager();
  if (held.manager) held.jobs = EnumerateAllUsersJobs(held.manager.get());
  ULONG fetched = 0;
  if (!held.jobs || held.jobs->Next(1, held.job.put(), &fetched) != S_OK || !held.job) return false;
  if (FAILED(held.job->QueryInterface(IID_IBackgroundCopyJob2, held.job2.put_void()))) return false;
  if (FAILED(held.job->EnumFiles(held.files.put())) || !held.files) return false;
  return held.files->Next(1, held.file.put(), &fetched) == S_OK && held.file;
}

void TimeSnapshot(TimedCase& timed) {
  const double cpu = ProcessCpuMilliseconds();
  const Clock::time_point start = Clock::now();
  std::vector<JobInfo> snapshot = EnumerateJobs();
  const Clock::time_point read = Clock::now();
  timed.cpuMilliseconds.push_back(ProcessCpuMilliseconds() - cpu);
  snapshot = std::vector<JobInfo>();
  timed.milliseconds.push_back(Elapsed(start, read));
  timed.dropMilliseconds.push_back(Elapsed(read, Clock::now()));
}

// Times `work` once; false when it did not find what it needed.
bool TimeOnce(TimedCase& timed, const std::function<bool()>& work) {
  const double cpu = ProcessCpuMilliseconds();
  const Clock::time_point start = Clock::now();
  const bool done = work();
  timed.milliseconds.push_back(Elapsed(start, Clock::now()));
  timed.cpuMilliseconds.push_back(ProcessCpuMilliseconds() - cpu);
  return done;
}

// A command takes from milliseconds to seconds: it is run on job after job until the turn has
// lasted a while, and the turn records the mean of one.
bool TimeCommands(TimedCase& timed, const std::function<bool()>& command) {
  constexpr double kLeastTurnMilliseconds = 2000;
  const double cpu = ProcessCpuMilliseconds();
  const Clock::time_point start = Clock::now();
  unsigned commands = 0;
  do {
    if (!command()) return false;
    ++commands;
  } while (Elapsed(start, Clock::now()) < kLeastTurnMilliseconds);
  timed.milliseconds.push_back(Elapsed(start, Clock::now()) / commands);
  timed.cpuMilliseconds.push_back((ProcessCpuMilliseconds() - cpu) / commands);
  return true;
}

// A case and its floor, run by turns one call at a time, each going first every other round,
// until `leastMilliseconds` have passed (one round at least); the turn records the mean of one of
// each. Side by side, both meet the same load on the machine and in the service, which a budget
// as tight as theirs needs.
bool TimeSideBySide(TimedCase& timed, const std::function<bool()>& work, TimedCase& floorTimed,
                    const std::function<bool()>& floor, double leastMilliseconds, bool floorFirst) {
  double milliseconds[2] = {};
  double cpuMilliseconds[2] = {};
  unsigned rounds = 0;
  const Clock::time_point start = Clock::now();
  do {
    for (int step = 0; step < 2; ++step) {
      const int which = (step == 0) == (floorFirst == (rounds % 2 == 0)) ? 1 : 0;
      const double cpu = ProcessCpuMilliseconds();
      const Clock::time_point begun = Clock::now();
      if (!(which == 0 ? work() : floor())) return false;
      milliseconds[which] += Elapsed(begun, Clock::now());
      cpuMilliseconds[which] += ProcessCpuMilliseconds() - cpu;
    }
    ++rounds;
  } while (Elapsed(start, Clock::now()) < leastMilliseconds);
  timed.milliseconds.push_back(milliseconds[0] / rounds);
  timed.cpuMilliseconds.push_back(cpuMilliseconds[0] / rounds);
  floorTimed.milliseconds.push_back(milliseconds[1] / rounds);
  floorTimed.cpuMilliseconds.push_back(cpuMilliseconds[1] / rounds);
  return true;
}

bool WriteText(const wchar_t* path, const std::string& text) {
  FILE* file = _wfopen(path, L"wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

int Run(unsigned jobs, unsigned files, unsigned repetitions, const wchar_t* resultsPath) {
  // Held before the first snapshot too, which stalled once without them. Also the first
  // connection, which starts the service's side of things: not timed.
  HeldInterfaceTypes held;
  if (!HoldInterfaceTypes(held)) {
    std::printf("the queue's first job and file cannot be held\n");
    return 1;
  }
  std::vector<WideText> ids;
  if (!ReadsTheQueue(jobs, files, ids)) {
    std::printf("the queue is not the one the benchmark was asked for\n");
    return 1;
  }
  // Properties and its floor read the jobs of the front half of the queue in turn; Cancel takes
  // the jobs of the back half out of it, each once.
  const size_t half = ids.size() / 2;
  size_t shown = 0;
  size_t cancelled = half;
  auto properties = [&] { return SelectedJobRecord(ids[shown++ % half]); };
  size_t shownByFloor = 0;
  auto propertiesFloor = [&] { return JobReadCallsFloor(ids[shownByFloor++ % half]).jobs == 1; };
  auto cancel = [&] { return cancelled < ids.size() && CancelCommand(ids[cancelled++]); };
  const std::string shape = "/" + std::to_string(jobs) + "/" + std::to_string(files);
  std::vector<TimedCase> figures;
  for (const char* name : {"WineEnumerateJobs", "WineEnumerateJobsFloor", "WineListFill",
                           "WineListFillFloor", "WineProperties", "WinePropertiesFloor",
                           "WineCancel"}) {
    figures.push_back(TimedCase{name + shape, {}, {}, {}});
  }
  TimedCase& snapshot = figures[0];
  TimedCase& snapshotFloor = figures[1];
  TimedCase& listFill = figures[2];
  TimedCase& listFillFloor = figures[3];
  TimedCase& shownJob = figures[4];
  TimedCase& shownJobFloor = figures[5];
  TimedCase& cancelCommand = figures[6];
  auto listFillCalls = [] { return ListFillCallsFloor() > 0; };
  const std::vector<std::function<bool(unsigned turn)>> steps = {
      [&](unsigned) {
        TimeSnapshot(snapshot);
        return true;
      },
      [&](unsigned) {
        return TimeOnce(snapshotFloor, [] { return SnapshotCallsFloor().jobs > 0; });
      },
      [&](unsigned turn) {
        return TimeSideBySide(listFill, ListFill, listFillFloor, listFillCalls, 0, turn % 2 == 1);
      },
      [&](unsigned turn) {
        return TimeSideBySide(shownJob, properties, shownJobFloor, propertiesFloor, 4000,
                              turn % 2 == 1);
      },
      [&](unsigned) { return TimeCommands(cancelCommand, cancel); },
  };
  // Taking turns, each step going first as often as the others, spreads whatever else the machine
  // and the service do evenly over all of them.
  for (unsigned turn = 0; turn < repetitions; ++turn) {
    for (size_t i = 0; i < steps.size(); ++i) {
      if (!steps[(turn + i) % steps.size()](turn)) {
        std::printf("turn %u: a case did not find what it needed\n", turn + 1);
        return 1;
      }
    }
    // A run takes minutes against the service: each turn's figures are shown as they come.
    std::printf("turn %u of %u:", turn + 1, repetitions);
    for (const TimedCase& timed : figures) {
      std::printf(" %s %.0f ms;", timed.name.c_str(), timed.milliseconds.back());
    }
    std::printf("\n");
  }
  for (const TimedCase& timed : figures) {
    std::printf("%-28s %10.2f ms (median of %u)\n", timed.name.c_str(), Median(timed.milliseconds),
                repetitions);
  }
  if (!WriteText(resultsPath, BenchmarkJson(figures))) {
    std::printf("cannot write the results\n");
    return 1;
  }
  return 0;
}

unsigned Count(const wchar_t* text) {
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(text, &end, 10);
  return end != text && *end == L'\0' && value > 0 && value < 100000 ? value : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  const unsigned jobs = argc > 2 ? Count(argv[2]) : 0;
  const unsigned files = argc > 3 ? Count(argv[3]) : 0;
  // Shown as it is printed, not when a pipe's buffer fills.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (mode == L"create" && argc == 4 && jobs > 0 && files > 0) return Create(jobs, files);
  if (mode == L"run" && argc == 6 && jobs > 0 && files > 0 && Count(argv[4]) > 0) {
    // Held across the runs, as the toolkit holds OLE on the GUI thread: each operation's own
    // initialisation then finds COM up, as it does in the program.
    ComApartment apartment;
    return Run(jobs, files, Count(argv[4]), argv[5]);
  }
  std::printf("usage: kestrelmoor_wine_bench create <jobs> <files>\n"
              "       kestrelmoor_wine_bench run <jobs> <files> <repetitions> <results.json>\n");
  return 2;
}
