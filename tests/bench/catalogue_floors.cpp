// Mirrors job_snapshot.cpp, job_reads.cpp and job_control.cpp call for call. The owners are
// declared in the same order there and here, so strings are freed and interfaces released in the
// same sequence; the floor tests compare the two sequences call by call.
#include "catalogue_floors.h"

#include "bits/bits_manager.h"
#include "bits/com_owners.h"
#include "bits_platform.h"

namespace {

void FloorFiles(IBackgroundCopyJob* job, FloorCount& count) {
  ComPtr<IEnumBackgroundCopyFiles> enumerator;
  if (FAILED(job->EnumFiles(enumerator.put())) || !enumerator) return;
  for (;;) {
    ComPtr<IBackgroundCopyFile> file;
    ULONG fetched = 0;
    if (enumerator->Next(1, file.put(), &fetched) != S_OK || !file) break;
    CoTaskMemText localName;
    CoTaskMemText remoteName;
    BG_FILE_PROGRESS progress{};
    file->GetRemoteName(remoteName.put());
    file->GetLocalName(localName.put());
    file->GetProgress(&progress);
    ++count.files;
  }
}

void FloorNotifyInterface(IBackgroundCopyJob* job) {
  ComPtr<IUnknown> notify;
  job->GetNotifyInterface(notify.put());
}

void FloorNotifyCommandLine(IBackgroundCopyJob* job) {
  ComPtr<IBackgroundCopyJob2> job2;
  if (FAILED(job->QueryInterface(IID_IBackgroundCopyJob2, job2.put_void())) || !job2) return;
  CoTaskMemText parameters;
  CoTaskMemText program;
  job2->GetNotifyCmdLine(program.put(), parameters.put());
}

void FloorJob(IBackgroundCopyJob* job, FloorCount& count) {
  GUID id{};
  CoTaskMemText idText;
  CoTaskMemText description;
  CoTaskMemText owner;
  CoTaskMemText displayName;
  ULONG errorCount = 0;
  ULONG minimumRetryDelay = 0;
  ULONG noProgressTimeout = 0;
  ULONG notifyFlags = 0;
  BG_JOB_STATE state = BG_JOB_STATE_QUEUED;
  BG_JOB_TYPE type = BG_JOB_TYPE_DOWNLOAD;
  BG_JOB_PROGRESS progress{};
  BG_JOB_PRIORITY priority = BG_JOB_PRIORITY_NORMAL;
  BG_JOB_TIMES times{};

  job->GetId(&id);
  job->GetDisplayName(displayName.put());
  job->GetOwner(owner.put());
  job->GetDescription(description.put());
  job->GetErrorCount(&errorCount);
  job->GetMinimumRetryDelay(&minimumRetryDelay);
  job->GetNoProgressTimeout(&noProgressTimeout);
  job->GetNotifyFlags(&notifyFlags);
  job->GetState(&state);
  job->GetType(&type);
  job->GetProgress(&progress);
  job->GetPriority(&priority);
  job->GetTimes(&times);
  StringFromCLSID(id, idText.put());
  FloorNotifyInterface(job);
  FloorNotifyCommandLine(job);
  FloorFiles(job, count);
  ++count.jobs;
}

}  // namespace

FloorCount SnapshotCallsFloor() {
  FloorCount count;
  ComApartment apartment;
  if (!apartment.initialised()) return count;
  ComPtr<IBackgroundCopyManager> manager = CreateBitsManager();
  if (!manager) return count;
  ComPtr<IEnumBackgroundCopyJobs> enumerator = EnumerateAllUsersJobs(manager.get());
  if (!enumerator) return count;
  for (;;) {
    ComPtr<IBackgroundCopyJob> job;
    ULONG fetched = 0;
    if (enumerator->Next(1, job.put(), &fetched) != S_OK || fetched != 1 || !job) break;
    FloorJob(job.get(), count);
  }
  return count;
}

size_t ListFillCallsFloor() {
  constexpr ULONG kJobsPerNext = 64;
  size_t jobs = 0;
  ComApartment apartment;
  if (!apartment.initialised()) return jobs;
  ComPtr<IBackgroundCopyManager> manager = CreateBitsManager();
  if (!manager) return jobs;
  ComPtr<IEnumBackgroundCopyJobs> enumerator = EnumerateAllUsersJobs(manager.get());
  if (!enumerator) return jobs;
  for (;;) {
    IBackgroundCopyJob* batch[kJobsPerNext] = {};
    ULONG fetched = 0;
    const HRESULT answer = enumerator->Next(kJobsPerNext, batch, &fetched);
    const ULONG handedOut = FAILED(answer) ? 0 : fetched < kJobsPerNext ? fetched : kJobsPerNext;
    bool ended = answer != S_OK || handedOut < kJobsPerNext;
    for (ULONG i = 0; i < handedOut; ++i) {
      if (batch[i] == nullptr) {
        ended = true;
        break;
      }
      GUID id{};
      CoTaskMemText idText;
      CoTaskMemText description;
      CoTaskMemText displayName;
      BG_JOB_STATE state = BG_JOB_STATE_QUEUED;
      batch[i]->GetId(&id);
      batch[i]->GetDisplayName(displayName.put());
      batch[i]->GetDescription(description.put());
      batch[i]->GetState(&state);
      StringFromCLSID(id, idText.put());
      ++jobs;
    }
    for (IBackgroundCopyJob* job : batch) {
      if (job != nullptr) job->Release();
    }
    if (ended) return jobs;
  }
}

FloorCount JobReadCallsFloor(const WideText& id) {
  FloorCount count;
  ComApartment apartment;
  if (!apartment.initialised()) return count;
  const FoundJob found = FindJobById(id);
  if (found.job) FloorJob(found.job.get(), count);
  return count;
}

bool ControlLookupFloor(const WideText& id) {
  ComApartment apartment;
  return static_cast<bool>(FindJobById(id).job);
}
