// Completing, cancelling, suspending and resuming a job. The job is found again by its identifier
// text in an enumeration of our own, since the queue may have changed since the list was filled.
#include "bits/job_control.h"

#include <string>

#include "bits/bits_manager.h"
#include "bits/com_owners.h"

namespace {

// A free function per method rather than a pointer to member, so the calling convention of the
// SDK's methods never enters the type.
using JobMethod = HRESULT (*)(IBackgroundCopyJob* job);

HRESULT CallComplete(IBackgroundCopyJob* job) { return job->Complete(); }
HRESULT CallCancel(IBackgroundCopyJob* job) { return job->Cancel(); }
HRESULT CallSuspend(IBackgroundCopyJob* job) { return job->Suspend(); }
HRESULT CallResume(IBackgroundCopyJob* job) { return job->Resume(); }

// Exact, case-sensitive comparison of code units: a lower-case or unbraced form of the same GUID
// is another text, and no text matches a job whose identifier could not be formed.
bool IsSameText(LPCWSTR text, const WideText& id) {
  if (text == nullptr) return false;
  const size_t length = std::char_traits<WCHAR>::length(text);
  if (length != id.size()) return false;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] != id[i]) return false;
  }
  return true;
}

bool ChangeIfMatching(IBackgroundCopyJob* job, const WideText& id, JobMethod method) {
  GUID guid{};
  CoTaskMemText text;
  job->GetId(&guid);
  StringFromCLSID(guid, text.put());
  if (!IsSameText(text.get(), id)) return false;
  return SUCCEEDED(method(job));
}

bool ChangeJob(const WideText& id, JobMethod method) {
  // COM is used whatever CoInitializeEx answers.
  ComApartment apartment;
  ComPtr<IBackgroundCopyManager> manager = CreateBitsManager();
  if (!manager) return false;
  ComPtr<IEnumBackgroundCopyJobs> enumerator = EnumerateAllUsersJobs(manager.get());
  if (!enumerator) return false;
  for (;;) {
    ComPtr<IBackgroundCopyJob> job;
    ULONG fetched = 0;
    if (enumerator->Next(1, job.put(), &fetched) != S_OK || !job) return false;
    // A refused method leaves the walk going: the answer is then false at the end of the queue.
    if (ChangeIfMatching(job.get(), id, method)) return true;
  }
}

bool ChangeJobSafely(const WideText& id, JobMethod method) {
  try {
    return ChangeJob(id, method);
  } catch (...) {
    // A failed allocation in the in-memory service; Windows' COM throws nothing.
    return false;
  }
}

}  // namespace

bool CompleteJob(WideText id) { return ChangeJobSafely(id, CallComplete); }
bool CancelJob(WideText id) { return ChangeJobSafely(id, CallCancel); }
bool SuspendJob(WideText id) { return ChangeJobSafely(id, CallSuspend); }
bool ResumeJob(WideText id) { return ChangeJobSafely(id, CallResume); }
