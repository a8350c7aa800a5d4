// The four operations that change a job, found again by its identifier text.
#pragma once

#include "bits/wide_text.h"

// Each answers true only when a job whose identifier text equals `id` exactly was found and its
// method returned a success code.
bool CompleteJob(WideText id);
bool CancelJob(WideText id);
bool SuspendJob(WideText id);
bool ResumeJob(WideText id);
