// Queues for the in-memory BITS service that the reliability tests run against.
#pragma once

#include <cstdint>
#include <vector>

#include "bits/provider/bits_provider.h"
#include "bits/wide_text.h"

// A job whose GUID is made from `serial`, with every text present, one file half done and the
// times set. Texts and numbers differ from serial to serial.
ProviderJob ReliabilityJob(uint32_t serial);
// The identifier text that StringFromCLSID gives ReliabilityJob(serial).
WideText ReliabilityJobId(uint32_t serial);

// Three jobs that between them make every call the snapshot can make: a notify interface, a
// command line with and without a program, a job without IBackgroundCopyJob2, texts left out,
// several files and none.
std::vector<ProviderJob> MatrixSnapshotQueue();

// Those three and enough more that the list fill asks for its jobs twice: a whole batch, then a
// short one, with a text left out in each.
std::vector<ProviderJob> MatrixListQueue();

// Three jobs; the one at kMatrixTarget is the one the control operations are given, in a state
// from which completing, cancelling, suspending and resuming all visibly change it.
std::vector<ProviderJob> MatrixControlQueue();
constexpr int kMatrixTarget = 1;
WideText MatrixTargetId();

// `count` ReliabilityJobs with serials 1 to count.
std::vector<ProviderJob> ManyJobs(size_t count);

FILETIME FileTimeOf(uint64_t ticks);
