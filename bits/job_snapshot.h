// A snapshot of every user's BITS jobs, read through a connection of its own.
#pragma once

#include <vector>

#include "bits/job_info.h"

// Every job that the service's enumerator hands out, in its order. Empty when BITS cannot be
// reached. Never throws; failures only shorten the result.
std::vector<JobInfo> EnumerateJobs();
