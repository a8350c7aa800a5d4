// The in-memory BITS service that stands in for Windows' on other systems. It serves the jobs it
// holds through the same COM interfaces and runtime calls the job catalogue uses, and reacts to
// the control methods the way BITS does.
#pragma once

#include <optional>
#include <vector>

#include "bits/provider/provider_observer.h"
#include "bits/wide_text.h"
#include "bits_platform.h"

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
  // The manager's GetJob answers E_ACCESSDENIED for it, as BITS does for a job created at a higher
  // integrity level, while the walk of all users still hands it out.
  bool refusesGetJob = false;
  std::vector<ProviderFile> files;
};

// How the service answers the four control methods, as Microsoft's reference for
// IBackgroundCopyJob::Suspend, ::Resume, ::Cancel and ::Complete documents them:
//
//   method    the job                                   answer                       the job then
//   any       CANCELLED or ACKNOWLEDGED                 BG_E_INVALID_STATE           unchanged
//   Suspend   any other state                           S_OK                         SUSPENDED
//   Resume    without files                             BG_E_EMPTY                   unchanged
//             every file transferred                    S_OK                         TRANSFERRED
//             QUEUED, CONNECTING or TRANSFERRING        S_OK                         unchanged
//             any other state                           S_OK                         QUEUED
//   Cancel    a file partly transferred                 BG_S_UNABLE_TO_DELETE_FILES  removed
//             otherwise                                 S_OK                         removed
//   Complete  an upload or upload-reply job that is     BG_E_INVALID_STATE           unchanged
//             not TRANSFERRED
//             a file not yet transferred                BG_S_PARTIAL_COMPLETE        removed
//             otherwise                                 S_OK                         removed
//
// Every method of a job that is no longer in `jobs` answers BG_E_INVALID_STATE. A job object finds
// its job by position and GUID, so removing jobs does not disturb a walk in progress. The
// enumerator hands out the jobs that were there when EnumJobs was called; GetJob finds a job of any
// user by its GUID (unless the job refuses it), or answers BG_E_NOT_FOUND.
struct BitsProvider {
  BitsProvider() = default;
  ~BitsProvider();
  BitsProvider(const BitsProvider&) = delete;
  BitsProvider& operator=(const BitsProvider&) = delete;

  std::vector<ProviderJob> jobs;  // in the order EnumJobs hands them out
  // Without BG_JOB_ENUM_ALL_USERS, EnumJobs hands out only the jobs this SID owns.
  WideText callerOwner = WIDE_TEXT("S-1-5-21-3623811015-3361044348-30300820-1001");
  // COM as CoInitializeEx and CoUninitialize leave it: how often initialised, and in which mode.
  int comInitDepth = 0;
  DWORD apartmentMode = 0;
  ProviderObserver* observer = nullptr;  // none in the program; see provider_observer.h
};

// The provider that CoCreateInstance connects to. None installed: the service cannot be reached
// (CoCreateInstance answers REGDB_E_CLASSNOTREG). The caller keeps ownership.
void InstallBitsProvider(BitsProvider* provider);
BitsProvider* InstalledBitsProvider();

// A fixed queue of about ten jobs that shows every state, type and priority, non-ASCII names and
// the texts BITS may leave out; what the program lists when it runs without Windows.
void FillSampleQueue(BitsProvider& provider);
