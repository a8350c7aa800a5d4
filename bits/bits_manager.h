// Opening BITS: the manager, its enumerator of every user's jobs and its lookup of one job, shared
// by the snapshot, the commands' reads and the job-control operations so all connect the same way.
#pragma once

#include "bits/com_owners.h"
#include "bits/wide_text.h"
#include "bits_platform.h"

// The manager, created as a local server, started with OleRun and asked for its
// IBackgroundCopyManager interface; empty when any step fails or hands back nothing. COM must
// have been initialised on this thread.
ComPtr<IBackgroundCopyManager> CreateBitsManager();

// The manager's enumerator of the jobs of all users; empty when EnumJobs fails or hands back
// nothing.
ComPtr<IEnumBackgroundCopyJobs> EnumerateAllUsersJobs(IBackgroundCopyManager* manager);

// A job found by its identifier text, with the manager it was asked of; the job is released
// first.
struct FoundJob {
  ComPtr<IBackgroundCopyManager> manager;
  ComPtr<IBackgroundCopyJob> job;
};

// The job whose identifier text is exactly `id`, asked of a manager of its own with GetJob; no job
// when there is none, the manager cannot be created, or GetJob answers BG_E_NOT_FOUND or hands
// back nothing. When GetJob refuses the job with any other failure, every user's jobs are walked
// for it instead, comparing identifier texts. The text is read as a GUID, and the service is asked
// only when StringFromCLSID writes that GUID back as the very same text: a lower-case or unbraced
// form of an identifier, or "Unknown", finds nothing without a connection. COM must have been
// initialised on this thread.
FoundJob FindJobById(const WideText& id);
