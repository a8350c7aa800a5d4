// EnumerateJobs over a service whose queue and failures the fuzzer chooses. A clean run must give
// every job exactly (checked field by field against tables written out here); a run with failures
// must stay within what the service held, and a single failure must give the answer its rule
// says. Every run must give back each interface, string and COM initialisation.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bits/job_snapshot.h"
#include "bits/provider/bits_provider.h"
#include "fault_sites.h"
#include "fuzz_records.h"
#include "tests/support/provider_probe.h"
#include "text_oracles.h"

namespace {

WideText GuidText(const GUID& id) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                unsigned(id.Data1), unsigned(id.Data2), unsigned(id.Data3), id.Data4[0],
                id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                id.Data4[7]);
  return Wide(text);
}

WideText StateWord(uint32_t code) {
  static const char* kWords[] = {"Queued",          "Connecting",  "Transferring",
                                 "Suspended",       "Error",       "Transient Error",
                                 "Transferred",     "Acknowledged", "Cancelled"};
  return Wide(code < 9 ? kWords[code] : "Unknown");
}

WideText PriorityWord(uint32_t code) {
  static const char* kWords[] = {"Foreground", "High", "Normal", "Low"};
  return Wide(code < 4 ? kWords[code] : "Unknown");
}

std::optional<WideText> ConsumeOptionalText(FuzzedDataProvider& input) {
  if (input.ConsumeIntegralInRange<int>(0, 7) == 0) return std::nullopt;
  return ConsumeWideText(input, 24);
}

uint64_t Ticks(const FILETIME& time) {
  return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ProviderJob ConsumeProviderJob(FuzzedDataProvider& input) {
  ProviderJob job;
  job.id.Data1 = input.ConsumeIntegral<uint32_t>();
  job.id.Data2 = input.ConsumeIntegral<uint16_t>();
  job.id.Data3 = input.ConsumeIntegral<uint16_t>();
  for (uint8_t& byte : job.id.Data4) byte = input.ConsumeIntegral<uint8_t>();
  job.displayName = ConsumeOptionalText(input);
  job.owner = ConsumeOptionalText(input);
  job.description = ConsumeOptionalText(input);
  job.errorCount = input.ConsumeIntegral<uint32_t>();
  job.minimumRetryDelay = input.ConsumeIntegral<uint32_t>();
  job.noProgressTimeout = input.ConsumeIntegral<uint32_t>();
  job.notifyFlags = input.ConsumeIntegral<uint32_t>();
  job.state = static_cast<BG_JOB_STATE>(input.ConsumeIntegralInRange<uint32_t>(0, 12));
  job.type = static_cast<BG_JOB_TYPE>(input.ConsumeIntegralInRange<uint32_t>(0, 4));
  job.priority = static_cast<BG_JOB_PRIORITY>(input.ConsumeIntegralInRange<uint32_t>(0, 6));
  job.progress.BytesTotal = input.ConsumeIntegral<uint64_t>();
  job.progress.BytesTransferred = input.ConsumeIntegral<uint64_t>();
  job.progress.FilesTotal = input.ConsumeIntegral<uint32_t>();
  job.progress.FilesTransferred = input.ConsumeIntegral<uint32_t>();
  for (FILETIME* time : {&job.times.CreationTime, &job.times.ModificationTime,
                         &job.times.TransferCompletionTime}) {
    time->dwLowDateTime = input.ConsumeIntegral<uint32_t>();
    time->dwHighDateTime = input.ConsumeIntegral<uint32_t>();
  }
  job.hasNotifyInterface = input.ConsumeBool();
  job.offersJob2 = input.ConsumeBool();
  job.notifyCmdLineFails = input.ConsumeBool();
  job.notifyProgram = ConsumeOptionalText(input);
  job.notifyArguments = ConsumeOptionalText(input);
  const size_t files = input.ConsumeIntegralInRange<size_t>(0, 4);
  for (size_t i = 0; i < files; ++i) {
    ProviderFile file;
    file.remoteName = ConsumeOptionalText(input);
    file.localName = ConsumeOptionalText(input);
    file.progress.BytesTotal = input.ConsumeIntegral<uint64_t>();
    file.progress.BytesTransferred = input.ConsumeIntegral<uint64_t>();
    job.files.push_back(file);
  }
  return job;
}

// BITS hands out null-terminated strings: a text reaches the program up to its first null.
WideText Handed(const std::optional<WideText>& text, const char* fallback) {
  if (!text) return Wide(fallback);
  return text->substr(0, text->find(WCHAR(0)));
}

// The record a clean run must make of `job`, from the tables written out above.
JobInfo ExpectedRecord(const ProviderJob& job) {
  JobInfo record;
  record.id = GuidText(job.id);
  record.displayName = Handed(job.displayName, "Unknown");
  record.state = StateWord(job.state);
  record.owner = Handed(job.owner, "Unknown");
  record.description = Handed(job.description, "None");
  record.type = Wide(job.type == 0 ? "Download" : "Upload");
  record.priority = PriorityWord(job.priority);
  if (!job.offersJob2) {
    record.notifyProgram = record.notifyArguments = Wide("None");
  } else if (!job.notifyCmdLineFails) {
    record.notifyProgram = Handed(job.notifyProgram, "None");
    record.notifyArguments = Handed(job.notifyArguments, "None");
  }
  record.bytesTotal = job.progress.BytesTotal;
  record.bytesTransferred = job.progress.BytesTransferred;
  record.filesTotal = job.progress.FilesTotal;
  record.filesTransferred = job.progress.FilesTransferred;
  record.errorCount = job.errorCount;
  record.noProgressTimeout = job.noProgressTimeout;
  record.notifyFlags = job.notifyFlags;
  record.hasNotifyInterface = job.hasNotifyInterface;
  record.minimumRetryDelay = job.minimumRetryDelay;
  for (const ProviderFile& file : job.files) {
    JobFileInfo info;
    info.remoteName = Handed(file.remoteName, "Unknown");
    info.localName = Handed(file.localName, "Unknown");
    info.bytesTotal = file.progress.BytesTotal;
    info.bytesTransferred = file.progress.BytesTransferred;
    record.files.push_back(info);
  }
  return record;
}

void CheckGivenBack(const ProviderProbe& probe, const char* run) {
  if (probe.liveInterfaces() != 0 || probe.liveStrings() != 0 ||
      probe.comInitDepth() != 0 || !probe.misuse.empty()) {
    FuzzFailure(std::string(run) + ": the connection was not given back (" +
                std::to_string(probe.liveInterfaces()) + " interfaces, " +
                std::to_string(probe.liveStrings()) + " strings, depth " +
                std::to_string(probe.comInitDepth()) +
                (probe.misuse.empty() ? "" : ", " + probe.misuse.front()) + ")");
  }
}

void CheckClean(const std::vector<ProviderJob>& jobs, const std::vector<JobInfo>& snapshot) {
  if (snapshot.size() != jobs.size()) FuzzFailure("a clean run lost jobs");
  for (size_t i = 0; i < jobs.size(); ++i) {
    JobInfo expected = ExpectedRecord(jobs[i]);
    const JobInfo& actual = snapshot[i];
    const FILETIME* times[] = {&jobs[i].times.CreationTime, &jobs[i].times.ModificationTime,
                               &jobs[i].times.TransferCompletionTime};
    const WideText* texts[] = {&actual.created, &actual.modified, &actual.completed};
    for (int t = 0; t < 3; ++t) {
      const std::string problem = TimeTextMismatch(Ticks(*times[t]), *texts[t]);
      if (!problem.empty()) FuzzFailure("job " + std::to_string(i) + " time: " + problem);
    }
    expected.created = actual.created;
    expected.modified = actual.modified;
    expected.completed = actual.completed;
    const std::string difference = FirstDifference(expected, actual);
    if (!difference.empty()) FuzzFailure("job " + std::to_string(i) + ": " + difference);
  }
}

// With several failures only bounds hold: no job or file the service did not hold, and every text
// either what the clean run read or a fallback.
void CheckWithinClean(const std::vector<JobInfo>& clean, const std::vector<JobInfo>& snapshot) {
  if (snapshot.size() > clean.size()) FuzzFailure("failures added jobs");
  auto sameOr = [](const WideText& actual, const WideText& clean,
                   std::initializer_list<const char*> fallbacks) {
    if (actual == clean) return true;
    for (const char* fallback : fallbacks) {
      if (actual == Wide(fallback)) return true;
    }
    return false;
  };
  for (size_t i = 0; i < snapshot.size(); ++i) {
    const JobInfo& a = snapshot[i];
    const JobInfo& c = clean[i];
    const std::string where = "job " + std::to_string(i) + " ";
    if (!sameOr(a.displayName, c.displayName, {"Unknown"})) FuzzFailure(where + "display name");
    if (!sameOr(a.owner, c.owner, {"Unknown"})) FuzzFailure(where + "owner");
    if (!sameOr(a.description, c.description, {"None"})) FuzzFailure(where + "description");
    if (!sameOr(a.notifyProgram, c.notifyProgram, {"None", ""})) FuzzFailure(where + "program");
    if (!sameOr(a.notifyArguments, c.notifyArguments, {"None", ""}))
      FuzzFailure(where + "arguments");
    if (a.hasNotifyInterface && !c.hasNotifyInterface) FuzzFailure(where + "notify interface");
    if (a.files.size() > c.files.size()) FuzzFailure(where + "files added");
    for (size_t f = 0; f < a.files.size(); ++f) {
      if (!sameOr(a.files[f].remoteName, c.files[f].remoteName, {"Unknown"}) ||
          !sameOr(a.files[f].localName, c.files[f].localName, {"Unknown"})) {
        FuzzFailure(where + "file " + std::to_string(f) + " name");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  BitsProvider provider;
  ProviderProbe probe(provider);
  InstallBitsProvider(&provider);
  const size_t count = input.ConsumeIntegralInRange<size_t>(0, 5);
  for (size_t i = 0; i < count; ++i) provider.jobs.push_back(ConsumeProviderJob(input));
  const std::vector<ProviderJob> queue = provider.jobs;

  const std::vector<JobInfo> clean = EnumerateJobs();
  CheckGivenBack(probe, "clean run");
  CheckClean(queue, clean);

  // Failures placed on calls of the clean run, so that each is reached unless an earlier one
  // changed the path.
  const std::vector<CallSite> sites = CallSitesOf(probe.calls);
  const size_t faults = input.ConsumeIntegralInRange<size_t>(1, 3);
  std::vector<CallSite> chosen;
  std::vector<bool> nullOutputs;
  for (size_t i = 0; i < faults && !sites.empty(); ++i) {
    const CallSite& site = sites[input.ConsumeIntegralInRange<size_t>(0, sites.size() - 1)];
    if (!CanBeFaulted(site.call)) continue;
    const bool nullOutput = HandsBackSomething(site.call) && input.ConsumeBool();
    const HRESULT code = static_cast<HRESULT>(0x80000000u | input.ConsumeIntegral<uint32_t>());
    probe.faults.push_back(ProviderFault{site.call, site.nth, code, nullOutput});
    chosen.push_back(site);
    nullOutputs.push_back(nullOutput);
  }
  if (chosen.empty()) {
    InstallBitsProvider(nullptr);
    return 0;
  }
  provider.jobs = queue;
  probe.resetCounters();
  const std::vector<JobInfo> faulted = EnumerateJobs();
  if (chosen[0].call == "CoInitializeEx" && !nullOutputs[0]) {
    if (probe.uses("CoUninitialize") != 0) FuzzFailure("uninitialised after a failed start");
  }
  CheckGivenBack(probe, "run with failures");
  CheckWithinClean(clean, faulted);
  if (chosen.size() == 1) {
    std::string problem;
    const std::vector<JobInfo> expected =
        SnapshotUnderFault(clean, chosen[0], nullOutputs[0], faulted, problem);
    if (!problem.empty()) FuzzFailure(problem);
    if (expected.size() != faulted.size()) FuzzFailure(Describe(chosen[0], nullOutputs[0]) +
                                                       ": wrong number of jobs");
    for (size_t i = 0; i < expected.size(); ++i) {
      const std::string difference = FirstDifference(expected[i], faulted[i]);
      if (!difference.empty()) {
        FuzzFailure(Describe(chosen[0], nullOutputs[0]) + ", job " + std::to_string(i) + ": " +
                    difference);
      }
    }
  }
  InstallBitsProvider(nullptr);
  return 0;
}
