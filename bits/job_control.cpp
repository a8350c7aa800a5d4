// Completing, cancelling, suspending and resuming a job, and asking whether it is still there. The
// job is found again by its identifier text, asked of the service directly, since the queue may
// have changed since the list was filled.
#include "bits/job_control.h"

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

bool ChangeJob(const WideText& id, JobMethod method) {
  // COM is used whatever CoInitializeEx answers.
  ComApartment apartment;
  const FoundJob found = FindJobById(id);
  return found.job && SUCCEEDED(method(found.job.get()));
}

bool IsInQueue(const WideText& id) {
  // As a snapshot would, it finds nothing when COM cannot be initialised here.
  ComApartment apartment;
  return apartment.initialised() && FindJobById(id).job;
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

bool JobExists(const WideText& id) {
  try {
    return IsInQueue(id);
  } catch (...) {
    return false;
  }
}
