// What reading the queue costs at the least: the very calls and frees that EnumerateJobs, the list
// fill, a command's read of its job and a job-control lookup make, in their order, with nothing
// built from the answers.
// The benchmarks set the operations beside these, so the figure that counts is what the program
// adds to the service's own work. Compiled for both platforms: under Wine the calls reach a real
// service.
#pragma once

#include <cstddef>

#include "bits/wide_text.h"

struct FloorCount {
  size_t jobs = 0;
  size_t files = 0;
};

// The calls of one EnumerateJobs, without records. Counts what it was handed, so a caller can see
// that both read the same queue.
FloorCount SnapshotCallsFloor();

// The calls of one EnumerateJobSummaries: the jobs in the same batches and the same four reads of
// each, without the texts. Counts the jobs.
size_t ListFillCallsFloor();

// The calls of one ReadJobById: the lookup of `id` and, when it finds the job, the same reads of
// it and its files as EnumerateJobs makes of each job. Counts what it read.
FloorCount JobReadCallsFloor(const WideText& id);

// The calls of one job-control operation up to its method: the lookup of `id`. Whether it found
// the job.
bool ControlLookupFloor(const WideText& id);
