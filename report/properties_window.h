// The modal "Job Details" window that shows one job's report.
#pragma once

#include "bits/job_info.h"

// Opens a new window with its own copy of the report and returns once it is shown.
void ShowJobProperties(const JobInfo& job);
