// The four operations that change a job, and the check that it is still there, each finding the
// job again by its identifier text.
#pragma once

#include "bits/wide_text.h"

// Each answers true only when a job whose identifier text equals `id` exactly was found and its
// method returned a success code.
bool CompleteJob(WideText id);
bool CancelJob(WideText id);
bool SuspendJob(WideText id);
bool ResumeJob(WideText id);

// Whether a job whose identifier text equals `id` exactly is in the queue now; nothing of it is
// read. False when BITS cannot be reached.
bool JobExists(const WideText& id);
