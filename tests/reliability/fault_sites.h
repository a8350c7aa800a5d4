// The calls of a recorded run, each placed in the walk it was made in, and what failing it must do
// to the answer of the snapshot, of the list fill, of a command's read of one job and of a
// job-control operation.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bits/job_info.h"
#include "bits/provider/bits_provider.h"

// One call of a clean run: the call, which use of it this was, and the job and file in hand. Every
// read of a job begins with its GetId, which counts the jobs.
struct CallSite {
  std::string call;
  unsigned nth = 0;  // counted from 1, as ProviderFault::nth
  // The job the call reads, counted from 0; for IEnumBackgroundCopyJobs::Next and
  // IBackgroundCopyManager::GetJob, the first job they hand out, which is the number of jobs read
  // before them; -1 before any.
  int job = -1;
  int file = -1;  // position of the file within that job, -1 outside the file walk
};

std::vector<CallSite> CallSitesOf(const std::vector<std::string>& calls);

// The provider cannot fail reference counting, uninitialisation or freeing.
bool CanBeFaulted(const std::string& call);
// Whether the call hands something back, so that it can also succeed with nothing.
bool HandsBackSomething(const std::string& call);

std::string Describe(const CallSite& site, bool nullOutput);

// What EnumerateJobs must answer when the call at `site` fails (or succeeds handing back nothing),
// derived from the clean run's answer. Where the failure leaves a value to the implementer, the
// actual value is checked to be well formed and then taken over. `problem` names a call for which
// no rule is known, or a value left to the implementer that is not well formed.
std::vector<JobInfo> SnapshotUnderFault(const std::vector<JobInfo>& clean, const CallSite& site,
                                        bool nullOutput, const std::vector<JobInfo>& actual,
                                        std::string& problem);

// The same for EnumerateJobSummaries: what a line shows of each job.
std::vector<JobSummary> SummariesUnderFault(const std::vector<JobSummary>& clean,
                                            const CallSite& site, bool nullOutput,
                                            const std::vector<JobSummary>& actual,
                                            std::string& problem);

// The same for ReadJobById, whose clean run read `clean`: nothing when the job could not be found
// again, else the record with the failed read's fallback.
std::optional<JobInfo> RecordUnderFault(const JobInfo& clean, const CallSite& site,
                                        bool nullOutput, const std::optional<JobInfo>& actual,
                                        std::string& problem);

// What a control operation (or the check that its job is there) must answer when the call at
// `site` fails: every call it makes decides whether it finds and changes the job, so false, except
// a failing GetJob, after which the walk of all users finds it. `problem` as above.
bool ControlUnderFault(const CallSite& site, bool nullOutput, std::string& problem);

// The same when GetJob refuses the job at position `target` and the operation walks every user's
// jobs for it: the walk failing, or the target's identifier not read, means not found; another
// job's identifier not read only means that job does not match.
bool ControlUnderFaultAfterRefusal(const CallSite& site, bool nullOutput, int target,
                                   std::string& problem);

// The first field in which two records differ, or empty.
std::string FirstDifference(const JobInfo& expected, const JobInfo& actual);
