// Writing one job's report to a text file the user names in the save dialog.
#pragma once

#include "bits/job_info.h"

// Asks for a file, writes the report with CR LF line ends, and tells every failure of the export in
// a box. What a seam function, or a failed allocation for the dialog or a box, throws is left to
// the command that called it.
void ExportJob(const JobInfo& job);
