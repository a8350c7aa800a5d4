// Writing one job's report to a text file the user names in the save dialog.
#pragma once

#include "bits/job_info.h"

// Asks for a file, writes the report with CR LF line ends, and reports every failure itself.
void ExportJob(const JobInfo& job);
