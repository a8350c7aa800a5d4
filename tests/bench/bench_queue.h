// Queues of made-up but realistic jobs for the in-memory service: the shapes the benchmarks run
// over, with texts as long as the ones BITS clients really leave (URLs, paths, SIDs).
#pragma once

#include <cstddef>

#include "bits/provider/bits_provider.h"

// Replaces the provider's queue with `jobs` jobs of `filesPerJob` files each. Every job has all its
// texts, a notification command line on every third job, and progress that counts its files.
void FillBenchQueue(BitsProvider& provider, size_t jobs, size_t filesPerJob);

// A provider holding that queue, installed as the service that
// CoCreateInstance reaches. Each shape is built once per process and kept, so cases that take
// turns do not rebuild a queue of a million files between them.
BitsProvider& InstallBenchQueue(size_t jobs, size_t filesPerJob);
