// The in-memory BITS service that stands in for Windows' on other systems. It serves the jobs it
// holds through the same COM interfaces and runtime calls the job catalogue uses, reacts to the
// control methods the way BITS does, and, for the tests, records every call, counts live
// interfaces, COM strings and initialisations, and fails a chosen call at its n-th use.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bits_api.h"
#include "wide_text.h"

struct ProviderFile {
  std::optional<WideText> remoteName;  // nullopt: GetRemoteName hands back no string
  std::optional<WideText> localName;
  BG_FILE_PROGRESS progress{};
};

struct ProviderJob {
  GUID id{};
  std::optional<WideText> displayName;  // nullopt: the getter hands back no string
  std::optional<WideText> owner;
  std::optional<WideText> description;
  ULONG errorCount = 0;
  ULONG minimumRetryDelay = 600;
  ULONG noProgressTimeout = 1209600;
  ULONG notifyFlags = 3;
  BG_JOB_STATE state = BG_JOB_STATE_QUEUED;
  BG_JOB_TYPE type = BG_JOB_TYPE_DOWNLOAD;
  BG_JOB_PRIORITY priority = BG_JOB_PRIORITY_NORMAL;
  BG_JOB_PROGRESS progress{};
  BG_JOB_TIMES times{};
  bool hasNotifyInterface = false;  // GetNotifyInterface hands back an interface
  bool offersJob2 = true;           // QueryInterface for IBackgroundCopyJob2 succeeds
  std::optional<WideText> notifyProgram;
  std::optional<WideText> notifyArguments;
  bool notifyCmdLineFails = false;  // GetNotifyCmdLine answers E_NOTIMPL, as some services do
  std::vector<ProviderFile> files;
};

// Makes the `nth` use (counted from 1) of `call` fail with `result`, or, with `nullOutput`, answer
// S_OK while handing back a null pointer (or no value) in its output.
// `call` is the runtime function's name ("CoInitializeEx") or "Interface::Method"
// ("IEnumBackgroundCopyJobs::Next", "IBackgroundCopyJob::GetDisplayName").
struct ProviderFault {
  std::string call;
  unsigned nth = 1;
  HRESULT result = E_FAIL;
  bool nullOutput = false;
};

class BitsProvider {
 public:
  std::vector<ProviderJob> jobs;  // in the order EnumJobs hands them out

  // Test double features.
  bool recordCalls = true;
  std::vector<std::string> calls;  // every call in order, named as in ProviderFault::call
  std::vector<ProviderFault> faults;
  // Misuse seen: a string freed twice or never allocated, a release below zero, an
  // uninitialisation without an initialisation. Empty when the caller behaved.
  std::vector<std::string> misuse;

  long liveInterfaces() const { return liveInterfaces_; }
  long liveStrings() const { return liveStrings_; }
  int comInitDepth() const { return comInitDepth_; }
  unsigned uses(const std::string& call) const;  // how often `call` was made since the last reset
  void resetCounters();  // forget calls, uses and misuse; keeps jobs and faults

  // Internal bookkeeping for the fake objects and runtime; not for callers.
  struct Internals;
  Internals* internals() { return internals_; }

  BitsProvider();
  ~BitsProvider();
  BitsProvider(const BitsProvider&) = delete;
  BitsProvider& operator=(const BitsProvider&) = delete;

 private:
  friend struct Internals;
  long liveInterfaces_ = 0;
  long liveStrings_ = 0;
  int comInitDepth_ = 0;
  Internals* internals_;
};

// The provider that CoCreateInstance connects to. None installed: the service cannot be reached
// (CoCreateInstance answers REGDB_E_CLASSNOTREG). The caller keeps ownership.
void InstallBitsProvider(BitsProvider* provider);
BitsProvider* InstalledBitsProvider();

// A fixed queue of about ten jobs that shows every state, type and priority, non-ASCII names and
// the texts BITS may leave out; what the program lists when it runs without Windows.
void FillSampleQueue(BitsProvider& provider);
