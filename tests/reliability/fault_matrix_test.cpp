// Every call that EnumerateJobs, the list fill, a command's read of one job, the check that a job
// is there and the four control operations make, failed in turn: the matrix comes from the call
// sequence of a clean run, so a call added to any of them cannot escape it. After each run the
// answer must follow the failure tables and the connection must be fully given back.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "bits/job_control.h"
#include "bits/job_snapshot.h"
#include "bits/provider/bits_provider.h"
#include "fault_sites.h"
#include "reliability_queue.h"
#include "tests/support/provider_probe.h"

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += "  " + line + "\n";
  return joined;
}

// The test itself stands for a thread on which the toolkit has already initialised COM.
void EnterOuterApartment(bool outer) {
  if (outer) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  }
}

// Everything given back; COM uninitialised by the operation exactly when its own initialisation
// succeeded, and only once.
void ExpectGivenBack(const ProviderProbe& probe, bool initFailed, bool outer) {
  EXPECT_EQ(probe.liveInterfaces(), 0);
  EXPECT_EQ(probe.liveStrings(), 0);
  EXPECT_TRUE(probe.misuse.empty()) << Joined(probe.misuse);
  EXPECT_EQ(probe.uses("CoUninitialize"), initFailed ? 0u : 1u);
  EXPECT_EQ(probe.comInitDepth(), outer ? 1 : 0);
}

class FaultMatrixTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallBitsProvider(&provider); }
  void TearDown() override {
    while (probe.comInitDepth() > 0) CoUninitialize();
    InstallBitsProvider(nullptr);
  }

  void Prepare(const std::vector<ProviderJob>& queue, std::vector<ProviderFault> faults) {
    provider.jobs = queue;
    probe.faults = std::move(faults);
    probe.resetCounters();
  }

  BitsProvider provider;
  ProviderProbe probe{provider};
};

// Every faultable call of a clean run, failed and (where it hands something back) succeeding with
// nothing, in turn: `run` makes the faulted run and checks its answer.
template <class Run>
std::set<std::string> FailEachCall(const std::vector<CallSite>& sites, ProviderProbe& probe,
                                   Run run, int& runs) {
  std::set<std::string> failedCalls;
  for (const CallSite& site : sites) {
    if (!CanBeFaulted(site.call)) continue;
    for (bool nullOutput : {false, true}) {
      if (nullOutput && !HandsBackSomething(site.call)) continue;
      SCOPED_TRACE(Describe(site, nullOutput));
      const HRESULT code = site.call == "CoInitializeEx" ? RPC_E_CHANGED_MODE : E_FAIL;
      run(site, ProviderFault{site.call, site.nth, code, nullOutput});
      EXPECT_GE(probe.uses(site.call), site.nth) << "the failing call was not reached";
      failedCalls.insert(site.call);
      ++runs;
    }
  }
  return failedCalls;
}

// The parameter's name: the test itself stands for a thread on which the toolkit has already
// initialised COM, or for a fresh one.
std::string ApartmentName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "OnAnInitialisedThread" : "OnAFreshThread";
}

// ---- The snapshot

class SnapshotFaultMatrix : public FaultMatrixTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SnapshotFaultMatrix, EveryCallFailingGivesTheTableAnswerAndGivesEverythingBack) {
  const bool outer = GetParam();
  const std::vector<ProviderJob> queue = MatrixSnapshotQueue();
  EnterOuterApartment(outer);

  Prepare(queue, {});
  const std::vector<JobInfo> clean = EnumerateJobs();
  ASSERT_EQ(clean.size(), queue.size());
  ExpectGivenBack(probe, false, outer);
  const std::vector<CallSite> sites = CallSitesOf(probe.calls);

  int runs = 0;
  const std::set<std::string> failedCalls = FailEachCall(
      sites, probe,
      [&](const CallSite& site, const ProviderFault& fault) {
        Prepare(queue, {fault});
        const std::vector<JobInfo> actual = EnumerateJobs();
        std::string problem;
        const std::vector<JobInfo> expected =
            SnapshotUnderFault(clean, site, fault.nullOutput, actual, problem);
        EXPECT_EQ(problem, "");
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
          EXPECT_EQ(FirstDifference(expected[i], actual[i]), "") << "job " << i;
        }
        const bool initFailed = site.call == "CoInitializeEx";
        if (initFailed) {
          EXPECT_EQ(probe.calls, std::vector<std::string>{"CoInitializeEx"});
        }
        ExpectGivenBack(probe, initFailed, outer);
      },
      runs);
  RecordProperty("faulted_runs", runs);
  // The queue is small but reaches every kind of call the snapshot makes.
  for (const char* call :
       {"CoInitializeEx", "CoCreateInstance", "OleRun", "IUnknown::QueryInterface",
        "IBackgroundCopyManager::EnumJobs", "IEnumBackgroundCopyJobs::Next",
        "IBackgroundCopyJob::GetTimes", "IBackgroundCopyJob::GetNotifyInterface",
        "IBackgroundCopyJob2::GetNotifyCmdLine", "IEnumBackgroundCopyFiles::Next",
        "IBackgroundCopyFile::GetProgress", "StringFromCLSID"}) {
    EXPECT_EQ(failedCalls.count(call), 1u) << call << " was never failed";
  }
}

INSTANTIATE_TEST_SUITE_P(Apartments, SnapshotFaultMatrix, ::testing::Bool(),
                         ApartmentName);

// ---- The list fill, which asks for jobs in batches

std::string Narrow(const WideText& text) {
  std::string narrow;
  for (WCHAR c : text) narrow += c < 0x80 ? char(c) : '?';
  return narrow;
}

std::string FirstLineDifference(const std::vector<JobSummary>& expected,
                                const std::vector<JobSummary>& actual) {
  if (expected.size() != actual.size()) {
    return std::to_string(actual.size()) + " jobs instead of " + std::to_string(expected.size());
  }
  for (size_t i = 0; i < expected.size(); ++i) {
    const JobSummary& e = expected[i];
    const JobSummary& a = actual[i];
    if (e.id != a.id || e.displayName != a.displayName || e.description != a.description ||
        e.state != a.state) {
      return "job " + std::to_string(i) + ": expected " + Narrow(e.displayName) + " / " +
             Narrow(e.state) + ", got " + Narrow(a.displayName) + " / " + Narrow(a.state);
    }
  }
  return "";
}

std::vector<JobSummary> FirstJobs(const std::vector<JobSummary>& jobs, size_t count) {
  return std::vector<JobSummary>(jobs.begin(), jobs.begin() + static_cast<std::ptrdiff_t>(count));
}

class ListFillFaultMatrix : public FaultMatrixTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ListFillFaultMatrix, EveryCallFailingGivesTheTableAnswerAndGivesEverythingBack) {
  const bool outer = GetParam();
  const std::vector<ProviderJob> queue = MatrixListQueue();
  EnterOuterApartment(outer);

  Prepare(queue, {});
  const std::vector<JobSummary> clean = EnumerateJobSummaries();
  ASSERT_EQ(clean.size(), queue.size());
  ASSERT_EQ(probe.uses("IEnumBackgroundCopyJobs::Next"), 2u) << "a full batch and a short one";
  ExpectGivenBack(probe, false, outer);

  int runs = 0;
  const std::set<std::string> failedCalls = FailEachCall(
      CallSitesOf(probe.calls), probe,
      [&](const CallSite& site, const ProviderFault& fault) {
        Prepare(queue, {fault});
        const std::vector<JobSummary> actual = EnumerateJobSummaries();
        std::string problem;
        const std::vector<JobSummary> expected =
            SummariesUnderFault(clean, site, fault.nullOutput, actual, problem);
        EXPECT_EQ(problem, "");
        EXPECT_EQ(FirstLineDifference(expected, actual), "");
        ExpectGivenBack(probe, site.call == "CoInitializeEx", outer);
      },
      runs);
  RecordProperty("faulted_runs", runs);
  for (const char* call :
       {"CoInitializeEx", "IBackgroundCopyManager::EnumJobs", "IEnumBackgroundCopyJobs::Next",
        "IBackgroundCopyJob::GetId", "IBackgroundCopyJob::GetDisplayName",
        "IBackgroundCopyJob::GetDescription", "IBackgroundCopyJob::GetState", "StringFromCLSID"}) {
    EXPECT_EQ(failedCalls.count(call), 1u) << call << " was never failed";
  }

  // A service that breaks Next's rules: the jobs it hands out are read and released, none beyond
  // what it handed out or the batch holds, and the walk goes on only after a whole batch.
  const struct {
    const char* what;
    StrayNextFault stray;
    size_t listed;
  } strays[] = {
      {"fewer than asked, answered S_OK", {1, StrayNext{10, std::nullopt, S_OK}}, 10},
      {"fewer than asked in the middle of the queue, S_FALSE",
       {1, StrayNext{10, std::nullopt, S_FALSE}}, 10},
      {"the second batch short, answered S_OK", {2, StrayNext{1, std::nullopt, S_OK}}, 65},
      {"more fetched than the batch holds", {1, StrayNext{64, ULONG{1000}, S_OK}}, queue.size()},
      {"more fetched than handed out", {1, StrayNext{5, ULONG{64}, S_OK}}, 5},
      {"jobs handed out with a failure", {2, StrayNext{3, std::nullopt, E_FAIL}}, 64},
  };
  for (const auto& each : strays) {
    SCOPED_TRACE(each.what);
    Prepare(queue, {});
    probe.strayNexts = {each.stray};
    const std::vector<JobSummary> actual = EnumerateJobSummaries();
    EXPECT_EQ(FirstLineDifference(FirstJobs(clean, each.listed), actual), "");
    ExpectGivenBack(probe, false, outer);
  }
  probe.strayNexts.clear();
}

INSTANTIATE_TEST_SUITE_P(Apartments, ListFillFaultMatrix, ::testing::Bool(),
                         ApartmentName);

// ---- A command's read of the one job it acts on

class JobReadFaultMatrix : public FaultMatrixTest, public ::testing::WithParamInterface<bool> {};

TEST_P(JobReadFaultMatrix, EveryCallFailingGivesTheTableAnswerAndGivesEverythingBack) {
  const bool outer = GetParam();
  const std::vector<ProviderJob> queue = MatrixSnapshotQueue();
  EnterOuterApartment(outer);
  Prepare(queue, {});
  const std::vector<JobInfo> snapshot = EnumerateJobs();
  ASSERT_EQ(snapshot.size(), queue.size());

  std::set<std::string> failedCalls;
  int runs = 0;
  // Each job of the queue takes another path through the reads.
  for (const JobInfo& wanted : snapshot) {
    SCOPED_TRACE(Narrow(wanted.displayName));
    Prepare(queue, {});
    const std::optional<JobInfo> clean = ReadJobById(wanted.id);
    ASSERT_TRUE(clean.has_value());
    EXPECT_EQ(FirstDifference(wanted, *clean), "") << "not the record EnumerateJobs gives";
    EXPECT_EQ(probe.uses("IBackgroundCopyManager::EnumJobs"), 0u);
    ExpectGivenBack(probe, false, outer);

    const std::set<std::string> failed = FailEachCall(
        CallSitesOf(probe.calls), probe,
        [&](const CallSite& site, const ProviderFault& fault) {
          Prepare(queue, {fault});
          const std::optional<JobInfo> actual = ReadJobById(wanted.id);
          std::string problem;
          const std::optional<JobInfo> expected =
              RecordUnderFault(*clean, site, fault.nullOutput, actual, problem);
          EXPECT_EQ(problem, "");
          ASSERT_EQ(actual.has_value(), expected.has_value());
          if (expected) {
            EXPECT_EQ(FirstDifference(*expected, *actual), "");
          }
          ExpectGivenBack(probe, site.call == "CoInitializeEx", outer);
        },
        runs);
    failedCalls.insert(failed.begin(), failed.end());
  }
  RecordProperty("faulted_runs", runs);
  for (const char* call :
       {"CoInitializeEx", "CoCreateInstance", "IIDFromString", "StringFromCLSID",
        "IBackgroundCopyManager::GetJob", "IBackgroundCopyJob::GetId",
        "IBackgroundCopyJob::GetTimes", "IBackgroundCopyJob::GetNotifyInterface",
        "IBackgroundCopyJob2::GetNotifyCmdLine", "IEnumBackgroundCopyFiles::Next",
        "IBackgroundCopyFile::GetProgress"}) {
    EXPECT_EQ(failedCalls.count(call), 1u) << call << " was never failed";
  }
}

INSTANTIATE_TEST_SUITE_P(Apartments, JobReadFaultMatrix, ::testing::Bool(),
                         ApartmentName);

// ---- Job control

struct ControlCase {
  const char* name;
  bool (*operation)(WideText);
  // Whether the queue shows the operation's effect on the target job.
  bool (*changed)(const std::vector<ProviderJob>& before, const std::vector<ProviderJob>& after);
  // The job method the operation ends in; none for the check that the job is there, which, like a
  // snapshot, needs COM of its own.
  const char* method;
};

bool TargetGone(const std::vector<ProviderJob>& before, const std::vector<ProviderJob>& after) {
  if (after.size() + 1 != before.size()) return false;
  for (size_t i = 0, k = 0; i < before.size(); ++i) {
    if (static_cast<int>(i) == kMatrixTarget) continue;
    if (!(after[k++].id == before[i].id)) return false;
  }
  return true;
}

bool OnlyTargetIn(BG_JOB_STATE state, const std::vector<ProviderJob>& before,
                  const std::vector<ProviderJob>& after) {
  if (after.size() != before.size()) return false;
  for (size_t i = 0; i < before.size(); ++i) {
    const bool target = static_cast<int>(i) == kMatrixTarget;
    if (!(after[i].id == before[i].id)) return false;
    if (after[i].state != (target ? state : before[i].state)) return false;
  }
  return true;
}

bool Unchanged(const std::vector<ProviderJob>& before, const std::vector<ProviderJob>& after) {
  if (after.size() != before.size()) return false;
  for (size_t i = 0; i < before.size(); ++i) {
    if (!(after[i].id == before[i].id) || after[i].state != before[i].state) return false;
  }
  return true;
}

const ControlCase kControlCases[] = {
    {"Complete", CompleteJob, TargetGone, "IBackgroundCopyJob::Complete"},
    {"Cancel", CancelJob, TargetGone, "IBackgroundCopyJob::Cancel"},
    {"Suspend", SuspendJob,
     [](const std::vector<ProviderJob>& b, const std::vector<ProviderJob>& a) {
       return OnlyTargetIn(BG_JOB_STATE_SUSPENDED, b, a);
     },
     "IBackgroundCopyJob::Suspend"},
    {"Resume", ResumeJob,
     [](const std::vector<ProviderJob>& b, const std::vector<ProviderJob>& a) {
       return OnlyTargetIn(BG_JOB_STATE_QUEUED, b, a);
     },
     "IBackgroundCopyJob::Resume"},
    {"Exists", [](WideText id) { return JobExists(id); }, Unchanged, nullptr},
};

class ControlFaultMatrix
    : public FaultMatrixTest,
      public ::testing::WithParamInterface<std::tuple<ControlCase, bool>> {
 protected:
  // Fails every call of a clean run of the operation on `queue`, in turn; `rule` says what the
  // operation must then answer. Returns the calls that were failed.
  template <class Rule>
  std::set<std::string> FailEveryCall(const std::vector<ProviderJob>& queue, Rule rule) {
    const ControlCase& control = std::get<0>(GetParam());
    const bool outer = std::get<1>(GetParam());
    const WideText target = MatrixTargetId();
    EnterOuterApartment(outer);

    Prepare(queue, {});
    EXPECT_TRUE(control.operation(target));
    EXPECT_TRUE(control.changed(queue, provider.jobs)) << "the clean run did not change the job";
    ExpectGivenBack(probe, false, outer);
    const std::vector<CallSite> sites = CallSitesOf(probe.calls);

    int runs = 0;
    const std::set<std::string> failedCalls = FailEachCall(
        sites, probe,
        [&](const CallSite& site, const ProviderFault& fault) {
          Prepare(queue, {fault});
          const bool answer = control.operation(target);
          std::string problem;
          bool expected = rule(site, fault.nullOutput, problem);
          EXPECT_EQ(problem, "");
          // A thread whose COM the toolkit has initialised goes on in that apartment when the
          // operation's own initialisation is refused.
          const bool initFailed = site.call == "CoInitializeEx";
          if (initFailed) expected = outer && control.method != nullptr;
          EXPECT_EQ(answer, expected);
          if (expected) {
            EXPECT_TRUE(control.changed(queue, provider.jobs));
          } else {
            EXPECT_TRUE(Unchanged(queue, provider.jobs)) << "a failed operation changed the queue";
          }
          ExpectGivenBack(probe, initFailed, outer);
        },
        runs);
    RecordProperty("faulted_runs", runs);
    return failedCalls;
  }
};

TEST_P(ControlFaultMatrix, EveryCallFailingGivesTheRightAnswerAndTouchesNothingElse) {
  const ControlCase& control = std::get<0>(GetParam());
  const std::set<std::string> failedCalls =
      FailEveryCall(MatrixControlQueue(), [](const CallSite& site, bool nullOutput,
                                             std::string& problem) {
        return ControlUnderFault(site, nullOutput, problem);
      });
  std::vector<std::string> mustFail = {"CoInitializeEx", "CoCreateInstance", "IIDFromString",
                                       "StringFromCLSID", "IBackgroundCopyManager::GetJob"};
  if (control.method != nullptr) mustFail.push_back(control.method);
  for (const std::string& call : mustFail) {
    EXPECT_EQ(failedCalls.count(call), 1u) << call << " was never failed";
  }
}

// The job GetJob refuses, found by the walk of every user's jobs, with each call of that walk
// failed too.
TEST_P(ControlFaultMatrix, JobThatGetJobRefusesUnderEveryFaultOfTheWalk) {
  std::vector<ProviderJob> queue = MatrixControlQueue();
  queue[kMatrixTarget].refusesGetJob = true;
  const std::set<std::string> failedCalls =
      FailEveryCall(queue, [](const CallSite& site, bool nullOutput, std::string& problem) {
        return ControlUnderFaultAfterRefusal(site, nullOutput, kMatrixTarget, problem);
      });
  for (const char* call : {"IBackgroundCopyManager::GetJob", "IBackgroundCopyManager::EnumJobs",
                           "IEnumBackgroundCopyJobs::Next", "IBackgroundCopyJob::GetId"}) {
    EXPECT_EQ(failedCalls.count(call), 1u) << call << " was never failed";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ControlFaultMatrix,
    ::testing::Combine(::testing::ValuesIn(kControlCases), ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<ControlCase, bool>>& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) ? "OnAnInitialisedThread" : "OnAFreshThread");
    });

// ---- The rules themselves: a call they do not know must not pass unnoticed.

TEST(FaultRules, UnknownCallIsReportedInsteadOfPassing) {
  const std::vector<CallSite> sites =
      CallSitesOf({"CoInitializeEx", "IEnumBackgroundCopyJobs::Next", "IBackgroundCopyJob::GetId",
                   "IBackgroundCopyJob::GetError"});
  ASSERT_EQ(sites.size(), 4u);
  EXPECT_EQ(sites[3].job, 0);
  std::string problem;
  SnapshotUnderFault(std::vector<JobInfo>(1), sites[3], false, std::vector<JobInfo>(1), problem);
  EXPECT_NE(problem, "");
  problem.clear();
  SummariesUnderFault(std::vector<JobSummary>(1), sites[3], false, std::vector<JobSummary>(1),
                      problem);
  EXPECT_NE(problem, "");
  problem.clear();
  RecordUnderFault(JobInfo(), sites[3], false, JobInfo(), problem);
  EXPECT_NE(problem, "");
  problem.clear();
  ControlUnderFault(sites[3], false, problem);
  EXPECT_NE(problem, "");
}

TEST(FaultRules, SitesCountUsesAndFollowTheWalk) {
  const std::vector<CallSite> sites = CallSitesOf(
      {"IEnumBackgroundCopyJobs::Next", "IBackgroundCopyJob::GetId",
       "IEnumBackgroundCopyFiles::Next", "IBackgroundCopyFile::GetProgress",
       "IEnumBackgroundCopyFiles::Next", "IBackgroundCopyFile::GetProgress",
       "IEnumBackgroundCopyJobs::Next", "IBackgroundCopyJob::GetId",
       "IBackgroundCopyJob::GetState", "IBackgroundCopyJob::GetId"});
  EXPECT_EQ(sites[0].job, 0);
  EXPECT_EQ(sites[5].nth, 2u);
  EXPECT_EQ(sites[5].job, 0);
  EXPECT_EQ(sites[5].file, 1);
  EXPECT_EQ(sites[6].job, 1) << "Next hands out the job after those read";
  EXPECT_EQ(sites[7].file, -1);
  // A batch: the jobs one Next handed out are told apart by their reads.
  EXPECT_EQ(sites[8].job, 1);
  EXPECT_EQ(sites[9].job, 2);
}

}  // namespace
