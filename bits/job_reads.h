// Reading one job that the caller holds into a record. Every read is allowed to fail: the field
// then keeps the value set before the read or a fallback text.
#pragma once

#include "bits/job_info.h"
#include "bits_platform.h"

// Every property and every file of the job.
JobInfo ReadJobRecord(IBackgroundCopyJob* job);

// Only what a line of the job list shows, with the same fallbacks as ReadJobRecord.
JobSummary ReadJobSummary(IBackgroundCopyJob* job);
