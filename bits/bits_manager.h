// Opening BITS: the manager and its enumerator of every user's jobs, shared by the snapshot and
// the job-control operations so both connect the same way.
#pragma once

#include "bits/com_owners.h"
#include "bits_platform.h"

// The manager, created as a local server, started with OleRun and asked for its
// IBackgroundCopyManager interface; empty when any step fails or hands back nothing. COM must
// have been initialised on this thread.
ComPtr<IBackgroundCopyManager> CreateBitsManager();

// The manager's enumerator of the jobs of all users; empty when EnumJobs fails or hands back
// nothing.
ComPtr<IEnumBackgroundCopyJobs> EnumerateAllUsersJobs(IBackgroundCopyManager* manager);
