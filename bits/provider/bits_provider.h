// The in-memory BITS service that stands in for Windows' on other systems. It serves the jobs it
// holds through the same COM interfaces and runtime calls the job catalogue uses, reacts to the
// control methods the way BITS does, and, for the tests, records every call, counts live
// interfaces, COM strings and initialisations, and fails a chosen call at its n-th use.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bits_platform.h"
#include "bits/wide_text.h"

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

// Call names. A runtime function is named as itself: "CoInitializeEx", "CoUninitialize",
// "CoCreateInstance", "OleRun", "StringFromCLSID", "CoTaskMemFree". A method is named
// "Interface::Method" after the interface pointer it was called through, IUnknown's three methods
// included:
//   "IUnknown::..."                   the object CoCreateInstance hands out
//   "IBackgroundCopyManager::..."     the manager that object's QueryInterface hands out
//   "IEnumBackgroundCopyJobs::..."    the job enumerator
//   "IBackgroundCopyJob::..."         a job as the enumerator hands it out
//   "IBackgroundCopyJob2::..."        the same job reached through QueryInterface for
//                                     IID_IBackgroundCopyJob2, GetNotifyCmdLine included
//   "IEnumBackgroundCopyFiles::..."   a job's file enumerator
//   "IBackgroundCopyFile::..."        a file
//   "IBackgroundCopyCallback::..."    the notify interface GetNotifyInterface hands out
// For example "IEnumBackgroundCopyJobs::Next", "IBackgroundCopyJob::GetDisplayName",
// "IBackgroundCopyJob::Release".

// Makes the `nth` use (counted from 1) of `call` fail with `result`, or, with `nullOutput`, answer
// S_OK while handing back a null pointer (or no value) in its output. A faulted call has no other
// effect: a faulted Cancel removes nothing. AddRef, Release, CoUninitialize and CoTaskMemFree
// cannot be faulted; for CoInitializeEx `nullOutput` changes nothing.
struct ProviderFault {
  std::string call;
  unsigned nth = 1;
  HRESULT result = E_FAIL;
  bool nullOutput = false;
};

// How the service reacts, as BITS does: Suspend makes a job SUSPENDED; Resume makes it QUEUED and
// is refused with BG_E_EMPTY when no file is left to transfer; Cancel removes the job (S_OK, or
// BG_S_UNABLE_TO_DELETE_FILES when a file was partly transferred); Complete removes it (S_OK, or
// BG_S_PARTIAL_COMPLETE when a file had not been transferred). All four are refused with
// BG_E_INVALID_STATE on a CANCELLED or ACKNOWLEDGED job, and every method of a job that is no
// longer in `jobs` answers BG_E_INVALID_STATE. A job object finds its job by position and GUID,
// so removing jobs does not disturb a walk in progress. The enumerator hands out the jobs that
// were there when EnumJobs was called.
class BitsProvider {
 public:
  std::vector<ProviderJob> jobs;  // in the order EnumJobs hands them out
  // Without BG_JOB_ENUM_ALL_USERS, EnumJobs hands out only the jobs this SID owns.
  WideText callerOwner = WIDE_TEXT("S-1-5-21-3623811015-3361044348-30300820-1001");

  // Test double features.
  bool recordCalls = true;
  std::vector<std::string> calls;  // every call in order, named as in ProviderFault::call
  std::vector<ProviderFault> faults;
  // Misuse seen: a string freed twice or never allocated, a release below zero, a call on a
  // released object, an uninitialisation without an initialisation, the last uninitialisation
  // while interfaces are still held. Empty when the caller behaved.
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
