// Reading the queue: every job whole, every job as its list line needs it, or one job whole found
// by its identifier. Each opens a connection of its own and gives it back before it returns.
#include "bits/job_snapshot.h"

#include "bits/bits_manager.h"
#include "bits/com_owners.h"
#include "bits/job_reads.h"

namespace {

// Jobs asked for per Next when only a line's worth is read of each: against a real service every
// call crosses a process, and a batch saves all but one of those crossings.
constexpr ULONG kJobsPerNext = 64;

// The jobs one Next handed out, each released when the batch is given back, whatever was read.
class JobBatch {
 public:
  JobBatch() = default;
  ~JobBatch() {
    for (IBackgroundCopyJob*& job : jobs_) {
      if (job != nullptr) {
        IBackgroundCopyJob* held = job;
        job = nullptr;
        held->Release();
      }
    }
  }
  JobBatch(const JobBatch&) = delete;
  JobBatch& operator=(const JobBatch&) = delete;

  // Every place empty, for Next to fill.
  IBackgroundCopyJob** put() { return jobs_; }
  IBackgroundCopyJob* operator[](ULONG i) const { return jobs_[i]; }

 private:
  IBackgroundCopyJob* jobs_[kJobsPerNext] = {};
};

// A walk of every user's jobs, with what it holds in the order it gives them back: the enumerator,
// then the manager, then COM.
struct QueueWalk {
  ComApartment apartment;
  ComPtr<IBackgroundCopyManager> manager;
  ComPtr<IEnumBackgroundCopyJobs> enumerator;
};

// False, with whatever was obtained given back when `walk` ends, when COM, the manager or the
// enumerator cannot be had.
bool StartWalk(QueueWalk& walk) {
  if (!walk.apartment.initialised()) return false;
  walk.manager = CreateBitsManager();
  if (!walk.manager) return false;
  walk.enumerator = EnumerateAllUsersJobs(walk.manager.get());
  return static_cast<bool>(walk.enumerator);
}

void ReadAllJobs(std::vector<JobInfo>& result) {
  QueueWalk walk;
  if (!StartWalk(walk)) return;
  for (;;) {
    ComPtr<IBackgroundCopyJob> job;
    ULONG fetched = 0;
    if (walk.enumerator->Next(1, job.put(), &fetched) != S_OK || fetched != 1 || !job) break;
    result.push_back(ReadJobRecord(job.get()));
  }
}

// Only a whole batch answered S_OK goes on to the next one: a service that hands out fewer than
// asked, says so with S_FALSE or fails has ended the walk, and the jobs it did hand out are read.
// The count fetched is never trusted beyond the batch's size.
void ReadAllSummaries(std::vector<JobSummary>& result) {
  QueueWalk walk;
  if (!StartWalk(walk)) return;
  for (;;) {
    JobBatch batch;
    ULONG fetched = 0;
    const HRESULT answer = walk.enumerator->Next(kJobsPerNext, batch.put(), &fetched);
    if (FAILED(answer)) return;
    const ULONG handedOut = fetched < kJobsPerNext ? fetched : kJobsPerNext;
    for (ULONG i = 0; i < handedOut; ++i) {
      if (batch[i] == nullptr) return;
      result.push_back(ReadJobSummary(batch[i]));
    }
    if (answer != S_OK || handedOut < kJobsPerNext) return;
  }
}

bool ReadFoundJob(const WideText& id, JobInfo& record) {
  ComApartment apartment;
  if (!apartment.initialised()) return false;
  const FoundJob found = FindJobById(id);
  if (!found.job) return false;
  record = ReadJobRecord(found.job.get());
  return true;
}

}  // namespace

// A failed allocation, for a record's texts or files, for the list's growth, or in the in-memory
// service, ends each of these early: the owners have given everything back, and a record joins
// the result only once it is whole.

std::vector<JobInfo> EnumerateJobs() {
  std::vector<JobInfo> jobs;
  try {
    ReadAllJobs(jobs);
  } catch (...) {
    // The jobs read before stay.
  }
  return jobs;
}

std::vector<JobSummary> EnumerateJobSummaries() {
  std::vector<JobSummary> jobs;
  try {
    ReadAllSummaries(jobs);
  } catch (...) {
    // The jobs read before stay.
  }
  return jobs;
}

std::optional<JobInfo> ReadJobById(const WideText& id) {
  try {
    JobInfo record;
    if (ReadFoundJob(id, record)) return record;
  } catch (...) {
    // Nothing to show: the command ends as if the job had gone.
  }
  return std::nullopt;
}
