// One job of a snapshot, already turned into display texts and plain numbers: no BITS object or
// COM string lives in it, so it can be copied and kept after the connection is closed. A summary
// holds only what a line of the job list shows and the identifier it finds the job again by.
#pragma once

#include <cstdint>
#include <vector>

#include "bits/wide_text.h"

struct JobFileInfo {
  WideText remoteName;
  WideText localName;
  uint64_t bytesTotal = 0;
  uint64_t bytesTransferred = 0;
};

struct JobInfo {
  WideText id;
  WideText displayName;
  WideText state;
  WideText owner;
  WideText description;
  WideText type;
  WideText priority;
  WideText notifyProgram;
  WideText notifyArguments;
  uint64_t bytesTotal = 0;
  uint64_t bytesTransferred = 0;
  uint32_t filesTotal = 0;
  uint32_t filesTransferred = 0;
  WideText created;
  WideText modified;
  WideText completed;
  uint32_t errorCount = 0;
  uint32_t noProgressTimeout = 0;
  uint32_t notifyFlags = 0;
  bool hasNotifyInterface = false;
  uint32_t minimumRetryDelay = 0;
  std::vector<JobFileInfo> files;
};

// The same texts, with the same fallbacks, as the job's JobInfo has in these fields.
struct JobSummary {
  WideText id;
  WideText displayName;
  WideText description;
  WideText state;
};
