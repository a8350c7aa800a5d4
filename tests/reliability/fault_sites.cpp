#include "fault_sites.h"

#include <set>

namespace {

const char kJobs[] = "IEnumBackgroundCopyJobs::Next";
const char kLookup[] = "IBackgroundCopyManager::GetJob";
const char kFirstRead[] = "IBackgroundCopyJob::GetId";
const char kFiles[] = "IEnumBackgroundCopyFiles::Next";

// The calls that connect to the service: failing any of them leaves nothing to read.
const std::set<std::string> kConnection = {"CoInitializeEx", "CoCreateInstance", "OleRun",
                                           "IUnknown::QueryInterface",
                                           "IBackgroundCopyManager::EnumJobs"};

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

WideText W(const char* ascii) {
  WideText text;
  while (*ascii != 0) text += static_cast<WCHAR>(*ascii++);
  return text;
}

bool OneOf(const WideText& text, std::initializer_list<const char*> allowed) {
  for (const char* each : allowed) {
    if (text == W(each)) return true;
  }
  return false;
}

bool IsIdentifierText(const WideText& text) {
  if (text == W("Unknown")) return true;
  if (text.size() != 38 || text[0] != '{' || text[37] != '}') return false;
  for (size_t i = 1; i < 37; ++i) {
    const WCHAR c = text[i];
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

bool IsTimeText(const WideText& text) {
  if (text == W("N/A") || text == W("Unknown")) return true;
  const size_t yearDigits = text.size() == 20 ? 5 : 4;
  if (text.size() != 15 + yearDigits) return false;
  const std::string shape = yearDigits == 5 ? "ddddd-dd-dd dd:dd:dd" : "dddd-dd-dd dd:dd:dd";
  for (size_t i = 0; i < shape.size(); ++i) {
    if (shape[i] == 'd' ? !(text[i] >= '0' && text[i] <= '9') : text[i] != WCHAR(shape[i]))
      return false;
  }
  return true;
}

std::string Narrow(const WideText& text) {
  std::string narrow;
  for (WCHAR c : text) narrow += c < 0x80 ? char(c) : '?';
  return narrow;
}

}  // namespace

std::vector<CallSite> CallSitesOf(const std::vector<std::string>& calls) {
  std::vector<CallSite> sites;
  std::vector<std::pair<std::string, unsigned>> uses;
  int begun = 0;  // jobs whose reads have begun
  int file = -1;
  for (const std::string& call : calls) {
    unsigned nth = 1;
    bool counted = false;
    for (auto& use : uses) {
      if (use.first == call) {
        nth = ++use.second;
        counted = true;
        break;
      }
    }
    if (!counted) uses.emplace_back(call, 1u);
    int job = begun - 1;
    if (call == kJobs || call == kLookup) {
      job = begun;
    } else if (call == kFirstRead) {
      job = begun++;
      file = -1;
    } else if (call == kFiles) {
      ++file;
    }
    sites.push_back(CallSite{call, nth, job, file});
  }
  return sites;
}

bool CanBeFaulted(const std::string& call) {
  return !(EndsWith(call, "::AddRef") || EndsWith(call, "::Release") || call == "CoUninitialize" ||
           call == "CoTaskMemFree");
}

bool HandsBackSomething(const std::string& call) {
  static const std::set<std::string> kWithout = {
      "CoInitializeEx", "OleRun",
      "IBackgroundCopyJob::Complete", "IBackgroundCopyJob::Cancel",
      "IBackgroundCopyJob::Suspend",  "IBackgroundCopyJob::Resume"};
  return CanBeFaulted(call) && kWithout.count(call) == 0;
}

std::string Describe(const CallSite& site, bool nullOutput) {
  std::string text = site.call + " use " + std::to_string(site.nth);
  if (site.job >= 0) text += ", job " + std::to_string(site.job);
  if (site.file >= 0) text += ", file " + std::to_string(site.file);
  text += nullOutput ? ": succeeds handing back nothing" : ": fails";
  return text;
}

std::vector<JobInfo> SnapshotUnderFault(const std::vector<JobInfo>& clean, const CallSite& site,
                                        bool nullOutput, const std::vector<JobInfo>& actual,
                                        std::string& problem) {
  const std::string& call = site.call;
  std::vector<JobInfo> expected = clean;

  if (kConnection.count(call) != 0) return {};
  if (call == kJobs) {
    expected.resize(static_cast<size_t>(site.job));  // the jobs read before stay
    return expected;
  }
  if (site.job < 0 || static_cast<size_t>(site.job) >= clean.size()) {
    problem = "no job in hand for " + call;
    return expected;
  }
  const size_t j = static_cast<size_t>(site.job);
  JobInfo& job = expected[j];
  // A value left to the implementer: taken from the actual answer once it is known to be well formed.
  const JobInfo* given = j < actual.size() ? &actual[j] : nullptr;
  auto loose = [&](bool wellFormed, const char* what) {
    if (given == nullptr) return false;
    if (!wellFormed) problem = std::string(what) + " is not well formed after " + call + " failed";
    return wellFormed;
  };

  if (call == "StringFromCLSID") {
    job.id = W("Unknown");
  } else if (call == "IBackgroundCopyJob::GetId") {
    if (loose(IsIdentifierText(given ? given->id : WideText()), "id")) job.id = given->id;
  } else if (call == "IBackgroundCopyJob::GetDisplayName") {
    job.displayName = W("Unknown");
  } else if (call == "IBackgroundCopyJob::GetOwner") {
    job.owner = W("Unknown");
  } else if (call == "IBackgroundCopyJob::GetDescription") {
    job.description = W("None");
  } else if (call == "IBackgroundCopyJob::GetErrorCount") {
    job.errorCount = 0;
  } else if (call == "IBackgroundCopyJob::GetMinimumRetryDelay") {
    job.minimumRetryDelay = 0;
  } else if (call == "IBackgroundCopyJob::GetNoProgressTimeout") {
    job.noProgressTimeout = 0;
  } else if (call == "IBackgroundCopyJob::GetNotifyFlags") {
    job.notifyFlags = 0;
  } else if (call == "IBackgroundCopyJob::GetState") {
    const bool ok = given && OneOf(given->state, {"Queued", "Connecting", "Transferring",
                                                  "Suspended", "Error", "Transient Error",
                                                  "Transferred", "Acknowledged", "Cancelled",
                                                  "Unknown"});
    if (loose(ok, "state")) job.state = given->state;
  } else if (call == "IBackgroundCopyJob::GetType") {
    if (loose(given && OneOf(given->type, {"Download", "Upload"}), "type")) job.type = given->type;
  } else if (call == "IBackgroundCopyJob::GetPriority") {
    const bool ok = given && OneOf(given->priority, {"Foreground", "High", "Normal", "Low", "Unknown"});
    if (loose(ok, "priority")) job.priority = given->priority;
  } else if (call == "IBackgroundCopyJob::GetProgress") {
    if (loose(true, "progress")) {
      job.bytesTotal = given->bytesTotal;
      job.bytesTransferred = given->bytesTransferred;
      job.filesTotal = given->filesTotal;
      job.filesTransferred = given->filesTransferred;
    }
  } else if (call == "IBackgroundCopyJob::GetTimes") {
    const bool ok = given && IsTimeText(given->created) && IsTimeText(given->modified) &&
                    IsTimeText(given->completed);
    if (loose(ok, "times")) {
      job.created = given->created;
      job.modified = given->modified;
      job.completed = given->completed;
    }
  } else if (call == "IBackgroundCopyJob::GetNotifyInterface") {
    job.hasNotifyInterface = false;
  } else if (call == "IBackgroundCopyJob::QueryInterface") {
    job.notifyProgram = W("None");  // the job offers no command line at all
    job.notifyArguments = W("None");
  } else if (call == "IBackgroundCopyJob2::GetNotifyCmdLine") {
    // Failing: could not be read, both empty. Succeeding with no strings: none set.
    job.notifyProgram = nullOutput ? W("None") : WideText();
    job.notifyArguments = nullOutput ? W("None") : WideText();
  } else if (call == "IBackgroundCopyJob::EnumFiles") {
    job.files.clear();
  } else if (call == kFiles) {
    job.files.resize(static_cast<size_t>(site.file));
  } else if (call == "IBackgroundCopyFile::GetRemoteName" ||
             call == "IBackgroundCopyFile::GetLocalName" ||
             call == "IBackgroundCopyFile::GetProgress") {
    if (site.file < 0 || static_cast<size_t>(site.file) >= job.files.size()) {
      problem = "no file in hand for " + call;
      return expected;
    }
    JobFileInfo& file = job.files[static_cast<size_t>(site.file)];
    if (call == "IBackgroundCopyFile::GetRemoteName") {
      file.remoteName = W("Unknown");
    } else if (call == "IBackgroundCopyFile::GetLocalName") {
      file.localName = W("Unknown");
    } else {
      file.bytesTotal = 0;
      file.bytesTransferred = 0;
    }
  } else {
    problem = "no rule says what a failing " + call + " does to the snapshot";
  }
  return expected;
}

namespace {

JobInfo AsRecord(const JobSummary& summary) {
  JobInfo record;
  record.id = summary.id;
  record.displayName = summary.displayName;
  record.description = summary.description;
  record.state = summary.state;
  return record;
}

std::vector<JobInfo> AsRecords(const std::vector<JobSummary>& summaries) {
  std::vector<JobInfo> records;
  for (const JobSummary& summary : summaries) records.push_back(AsRecord(summary));
  return records;
}

}  // namespace

// The list fill makes the snapshot's calls for these four fields, and fails them the same way.
std::vector<JobSummary> SummariesUnderFault(const std::vector<JobSummary>& clean,
                                            const CallSite& site, bool nullOutput,
                                            const std::vector<JobSummary>& actual,
                                            std::string& problem) {
  static const std::set<std::string> kReads = {
      kJobs, "StringFromCLSID", kFirstRead, "IBackgroundCopyJob::GetDisplayName",
      "IBackgroundCopyJob::GetDescription", "IBackgroundCopyJob::GetState"};
  if (kConnection.count(site.call) == 0 && kReads.count(site.call) == 0) {
    problem = "no rule says what a failing " + site.call + " does to the list fill";
    return clean;
  }
  std::vector<JobSummary> expected;
  for (const JobInfo& record :
       SnapshotUnderFault(AsRecords(clean), site, nullOutput, AsRecords(actual), problem)) {
    expected.push_back(JobSummary{record.id, record.displayName, record.description, record.state});
  }
  return expected;
}

// Before GetJob has found the job, every failure means it is not found, except GetJob's own
// failure, after which the walk of all users finds the job and reads it whole; once found, the
// reads fail as in the snapshot of a queue of that one job.
std::optional<JobInfo> RecordUnderFault(const JobInfo& clean, const CallSite& site,
                                        bool nullOutput, const std::optional<JobInfo>& actual,
                                        std::string& problem) {
  static const std::set<std::string> kLookupCalls = {"IIDFromString", "StringFromCLSID", kLookup};
  if (kConnection.count(site.call) != 0) return std::nullopt;
  if (site.call == kLookup && !nullOutput) return clean;
  if (site.job < 0 || site.call == kLookup) {
    if (kLookupCalls.count(site.call) == 0) {
      problem = "no rule says what a failing " + site.call + " does before the job is found";
    }
    return std::nullopt;
  }
  std::vector<JobInfo> given;
  if (actual) given.push_back(*actual);
  const std::vector<JobInfo> expected =
      SnapshotUnderFault({clean}, site, nullOutput, given, problem);
  if (expected.size() != 1) {
    problem = "the rules leave no record after " + site.call;
    return std::nullopt;
  }
  return expected[0];
}

bool ControlUnderFault(const CallSite& site, bool nullOutput, std::string& problem) {
  static const std::set<std::string> kDeciding = {
      "IIDFromString", "StringFromCLSID", kLookup,
      "IBackgroundCopyJob::Complete", "IBackgroundCopyJob::Cancel",
      "IBackgroundCopyJob::Suspend", "IBackgroundCopyJob::Resume"};
  if (kConnection.count(site.call) == 0 && kDeciding.count(site.call) == 0) {
    problem = "no rule says what a failing " + site.call + " does to a control operation";
    return true;
  }
  // A refusing GetJob sends the operation on to the walk of all users, which finds the job.
  return site.call == kLookup && !nullOutput;
}

bool ControlUnderFaultAfterRefusal(const CallSite& site, bool nullOutput, int target,
                                   std::string& problem) {
  if (site.call == kLookup) return !nullOutput;  // refused again, or "found" with nothing
  if (site.call == kFirstRead || (site.call == "StringFromCLSID" && site.job >= 0)) {
    return site.job != target;
  }
  if (site.call != kJobs) ControlUnderFault(site, nullOutput, problem);
  return false;
}

std::string FirstDifference(const JobInfo& e, const JobInfo& a) {
#define KESTRELMOOR_TEXT_FIELD(name) \
  if (e.name != a.name) return #name ": expected '" + Narrow(e.name) + "', got '" + Narrow(a.name) + "'";
#define KESTRELMOOR_NUMBER_FIELD(name)                                                  \
  if (e.name != a.name)                                                                 \
    return #name ": expected " + std::to_string(e.name) + ", got " + std::to_string(a.name);
  KESTRELMOOR_TEXT_FIELD(id)
  KESTRELMOOR_TEXT_FIELD(displayName)
  KESTRELMOOR_TEXT_FIELD(state)
  KESTRELMOOR_TEXT_FIELD(owner)
  KESTRELMOOR_TEXT_FIELD(description)
  KESTRELMOOR_TEXT_FIELD(type)
  KESTRELMOOR_TEXT_FIELD(priority)
  KESTRELMOOR_TEXT_FIELD(notifyProgram)
  KESTRELMOOR_TEXT_FIELD(notifyArguments)
  KESTRELMOOR_NUMBER_FIELD(bytesTotal)
  KESTRELMOOR_NUMBER_FIELD(bytesTransferred)
  KESTRELMOOR_NUMBER_FIELD(filesTotal)
  KESTRELMOOR_NUMBER_FIELD(filesTransferred)
  KESTRELMOOR_TEXT_FIELD(created)
  KESTRELMOOR_TEXT_FIELD(modified)
  KESTRELMOOR_TEXT_FIELD(completed)
  KESTRELMOOR_NUMBER_FIELD(errorCount)
  KESTRELMOOR_NUMBER_FIELD(noProgressTimeout)
  KESTRELMOOR_NUMBER_FIELD(notifyFlags)
  KESTRELMOOR_NUMBER_FIELD(hasNotifyInterface)
  KESTRELMOOR_NUMBER_FIELD(minimumRetryDelay)
  KESTRELMOOR_NUMBER_FIELD(files.size())
  for (size_t i = 0; i < e.files.size(); ++i) {
    const std::string where = "file " + std::to_string(i) + " ";
    if (e.files[i].remoteName != a.files[i].remoteName) return where + "remoteName differs";
    if (e.files[i].localName != a.files[i].localName) return where + "localName differs";
    if (e.files[i].bytesTotal != a.files[i].bytesTotal) return where + "bytesTotal differs";
    if (e.files[i].bytesTransferred != a.files[i].bytesTransferred)
      return where + "bytesTransferred differs";
  }
#undef KESTRELMOOR_TEXT_FIELD
#undef KESTRELMOOR_NUMBER_FIELD
  return "";
}
