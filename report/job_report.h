// The fixed-layout details report of one job, as UTF-8 text with line-feed line ends.
#pragma once

#include <string>

#include "bits/job_info.h"

std::string FormatJobReport(const JobInfo& job);
