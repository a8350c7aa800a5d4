// What reading and walking the queue costs at the least: the very calls and frees that
// EnumerateJobs and the job-control walk make, in their order, with nothing built from the answers.
// The benchmarks set the operations beside these, so the figure that counts is what the program
// adds to the service's own work. Compiled for both platforms: under Wine the calls reach a real
// service.
#pragma once

#include <cstddef>

struct FloorCount {
  size_t jobs = 0;
  size_t files = 0;
};

// The calls of one EnumerateJobs, without records. Counts what it was handed, so a caller can see
// that both read the same queue.
FloorCount SnapshotCallsFloor();

// The calls of one job-control walk that finds no job: manager, enumerator, and for every job its
// GUID and identifier text, formed and freed, without the comparison with `id`.
size_t ControlWalkFloor();
