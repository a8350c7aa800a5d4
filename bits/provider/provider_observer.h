// The calls the in-memory service serves, and the observer a test can set on it to see and steer
// them.
#pragma once

#include <optional>

#include "bits_platform.h"

// Call names. A runtime function is named as itself: "CoInitializeEx", "CoUninitialize",
// "CoCreateInstance", "OleRun", "StringFromCLSID", "IIDFromString", "CoTaskMemFree". A method is
// named "Interface::Method" after the interface pointer it was called through, IUnknown's three
// methods included:
//   "IUnknown::..."                   the object CoCreateInstance hands out
//   "IBackgroundCopyManager::..."     the manager that object's QueryInterface hands out
//   "IEnumBackgroundCopyJobs::..."    the job enumerator
//   "IBackgroundCopyJob::..."         a job as the enumerator or the manager's GetJob hands it out
//   "IBackgroundCopyJob2::..."        the same job reached through QueryInterface for
//                                     IID_IBackgroundCopyJob2, GetNotifyCmdLine included
//   "IEnumBackgroundCopyFiles::..."   a job's file enumerator
//   "IBackgroundCopyFile::..."        a file
//   "IBackgroundCopyCallback::..."    the notify interface GetNotifyInterface hands out
// For example "IEnumBackgroundCopyJobs::Next", "IBackgroundCopyJob::GetDisplayName",
// "IBackgroundCopyJob::Release". Every object's QueryInterface, AddRef and Release come first and
// in that order, so that an object finds the other two from the first.
#define KESTRELMOOR_UNKNOWN_CALLS(X, Id, Name) \
  X(Id##QueryInterface, Name "::QueryInterface") \
  X(Id##AddRef, Name "::AddRef")                 \
  X(Id##Release, Name "::Release")

// The methods a job answers, listed once for each interface pointer a job is reached through.
#define KESTRELMOOR_JOB_CALLS(X, Id, Name)                   \
  KESTRELMOOR_UNKNOWN_CALLS(X, Id, Name)                     \
  X(Id##EnumFiles, Name "::EnumFiles")                       \
  X(Id##Suspend, Name "::Suspend")                           \
  X(Id##Resume, Name "::Resume")                             \
  X(Id##Cancel, Name "::Cancel")                             \
  X(Id##Complete, Name "::Complete")                         \
  X(Id##GetId, Name "::GetId")                               \
  X(Id##GetType, Name "::GetType")                           \
  X(Id##GetProgress, Name "::GetProgress")                   \
  X(Id##GetTimes, Name "::GetTimes")                         \
  X(Id##GetState, Name "::GetState")                         \
  X(Id##GetOwner, Name "::GetOwner")                         \
  X(Id##GetDisplayName, Name "::GetDisplayName")             \
  X(Id##GetDescription, Name "::GetDescription")             \
  X(Id##GetPriority, Name "::GetPriority")                   \
  X(Id##GetNotifyFlags, Name "::GetNotifyFlags")             \
  X(Id##GetNotifyInterface, Name "::GetNotifyInterface")     \
  X(Id##GetMinimumRetryDelay, Name "::GetMinimumRetryDelay") \
  X(Id##GetNoProgressTimeout, Name "::GetNoProgressTimeout") \
  X(Id##GetErrorCount, Name "::GetErrorCount")

#define KESTRELMOOR_PROVIDER_CALLS(X)                              \
  X(CoInitializeEx, "CoInitializeEx")                              \
  X(CoUninitialize, "CoUninitialize")                              \
  X(CoCreateInstance, "CoCreateInstance")                          \
  X(OleRun, "OleRun")                                              \
  X(StringFromCLSID, "StringFromCLSID")                            \
  X(IIDFromString, "IIDFromString")                                \
  X(CoTaskMemFree, "CoTaskMemFree")                                \
  KESTRELMOOR_UNKNOWN_CALLS(X, Service, "IUnknown")                \
  KESTRELMOOR_UNKNOWN_CALLS(X, Manager, "IBackgroundCopyManager")  \
  X(ManagerGetJob, "IBackgroundCopyManager::GetJob")               \
  X(ManagerEnumJobs, "IBackgroundCopyManager::EnumJobs")           \
  KESTRELMOOR_UNKNOWN_CALLS(X, Jobs, "IEnumBackgroundCopyJobs")    \
  X(JobsNext, "IEnumBackgroundCopyJobs::Next")                     \
  KESTRELMOOR_JOB_CALLS(X, Job, "IBackgroundCopyJob")              \
  KESTRELMOOR_JOB_CALLS(X, Job2, "IBackgroundCopyJob2")            \
  X(Job2GetNotifyCmdLine, "IBackgroundCopyJob2::GetNotifyCmdLine") \
  KESTRELMOOR_UNKNOWN_CALLS(X, Files, "IEnumBackgroundCopyFiles")  \
  X(FilesNext, "IEnumBackgroundCopyFiles::Next")                   \
  KESTRELMOOR_UNKNOWN_CALLS(X, File, "IBackgroundCopyFile")        \
  X(FileGetRemoteName, "IBackgroundCopyFile::GetRemoteName")       \
  X(FileGetLocalName, "IBackgroundCopyFile::GetLocalName")         \
  X(FileGetProgress, "IBackgroundCopyFile::GetProgress")           \
  KESTRELMOOR_UNKNOWN_CALLS(X, Notify, "IBackgroundCopyCallback")

enum class Call : int {
#define KESTRELMOOR_CALL_ID(id, name) id,
  KESTRELMOOR_PROVIDER_CALLS(KESTRELMOOR_CALL_ID)
#undef KESTRELMOOR_CALL_ID
      Count
};

// How a job enumerator's Next answers when it breaks Next's rules: it hands out at most `handOut`
// jobs, reports `fetched` as the count fetched (none: the number it handed out) and answers
// `result`.
struct StrayNext {
  ULONG handOut = 0;
  std::optional<ULONG> fetched;
  HRESULT result = S_OK;
};

// Set on a BitsProvider, it sees everything the service does; the program sets none, the tests
// set theirs (tests/support). `calling` comes before every call acts, with the object a method was
// called on or the block CoTaskMemFree was given: an answer makes the call do nothing but return
// it, every output null (AddRef and Release then return 0). `referenced` counts each reference
// taken (+1) or dropped (-1), `handedOut` each string the service allocates. `retire` receives
// each object at its last Release and each string CoTaskMemFree frees, to pass to `destroy` at once
// or later: kept a while, a late call on it is seen instead of touching freed memory. With no
// observer the service destroys them at once. `strayJobsNext` is asked by the job enumerator's
// Next once `calling` has let it go ahead: an answer makes it break the rules that way.
class ProviderObserver {
 public:
  virtual std::optional<HRESULT> calling(Call call, const void* target) = 0;
  virtual std::optional<StrayNext> strayJobsNext() = 0;
  virtual void referenced(int change) = 0;
  virtual void handedOut(const void* text) = 0;
  virtual void retire(void* thing, void (*destroy)(void*)) = 0;

 protected:
  ~ProviderObserver() = default;
};
