// Reading every user's BITS jobs, or one of them, through a connection of its own.
#pragma once

#include <optional>
#include <vector>

#include "bits/job_info.h"
#include "bits/wide_text.h"

// Every job that the service's enumerator hands out, in its order, each whole with its files.
// Empty when BITS cannot be reached. Never throws; failures only shorten the result.
std::vector<JobInfo> EnumerateJobs();

// The same jobs in the same order, each with only what its line in the job list shows: the
// calls per job are a few instead of dozens. Never throws; failures only shorten the result.
std::vector<JobSummary> EnumerateJobSummaries();

// The job whose identifier text is exactly `id`, whole, as EnumerateJobs would give it; asked of
// the service directly, without walking the queue. Nothing when no such job is there (it has
// gone, or `id` is not the text of a GUID as StringFromCLSID writes it) or BITS cannot be
// reached. Never throws.
std::optional<JobInfo> ReadJobById(const WideText& id);
