// The provider's bookkeeping, shared by its runtime functions and fake COM objects only: the call
// table, use counts, tracked strings, job lookup and the lifetime of the fake objects.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "bits/provider/bits_provider.h"

// The methods a job answers, listed once for each interface pointer a job is reached through.
#define KESTRELMOOR_JOB_CALLS(X, Id, Name)                                               \
  X(Id##QueryInterface, Name "::QueryInterface")                                         \
  X(Id##AddRef, Name "::AddRef")                                                         \
  X(Id##Release, Name "::Release")                                                       \
  X(Id##EnumFiles, Name "::EnumFiles")                                                   \
  X(Id##Suspend, Name "::Suspend")                                                       \
  X(Id##Resume, Name "::Resume")                                                         \
  X(Id##Cancel, Name "::Cancel")                                                         \
  X(Id##Complete, Name "::Complete")                                                     \
  X(Id##GetId, Name "::GetId")                                                           \
  X(Id##GetType, Name "::GetType")                                                       \
  X(Id##GetProgress, Name "::GetProgress")                                               \
  X(Id##GetTimes, Name "::GetTimes")                                                     \
  X(Id##GetState, Name "::GetState")                                                     \
  X(Id##GetOwner, Name "::GetOwner")                                                     \
  X(Id##GetDisplayName, Name "::GetDisplayName")                                         \
  X(Id##GetDescription, Name "::GetDescription")                                         \
  X(Id##GetPriority, Name "::GetPriority")                                               \
  X(Id##GetNotifyFlags, Name "::GetNotifyFlags")                                         \
  X(Id##GetNotifyInterface, Name "::GetNotifyInterface")                                 \
  X(Id##GetMinimumRetryDelay, Name "::GetMinimumRetryDelay")                             \
  X(Id##GetNoProgressTimeout, Name "::GetNoProgressTimeout")                             \
  X(Id##GetErrorCount, Name "::GetErrorCount")

// QueryInterface, AddRef and Release stay together and in this order: an object finds the other two
// from the first.
#define KESTRELMOOR_UNKNOWN_CALLS(X, Id, Name) \
  X(Id##QueryInterface, Name "::QueryInterface") \
  X(Id##AddRef, Name "::AddRef")                 \
  X(Id##Release, Name "::Release")

#define KESTRELMOOR_PROVIDER_CALLS(X)                                  \
  X(CoInitializeEx, "CoInitializeEx")                                  \
  X(CoUninitialize, "CoUninitialize")                                  \
  X(CoCreateInstance, "CoCreateInstance")                              \
  X(OleRun, "OleRun")                                                  \
  X(StringFromCLSID, "StringFromCLSID")                                \
  X(CoTaskMemFree, "CoTaskMemFree")                                    \
  KESTRELMOOR_UNKNOWN_CALLS(X, Service, "IUnknown")                    \
  KESTRELMOOR_UNKNOWN_CALLS(X, Manager, "IBackgroundCopyManager")      \
  X(ManagerEnumJobs, "IBackgroundCopyManager::EnumJobs")               \
  KESTRELMOOR_UNKNOWN_CALLS(X, Jobs, "IEnumBackgroundCopyJobs")        \
  X(JobsNext, "IEnumBackgroundCopyJobs::Next")                         \
  KESTRELMOOR_JOB_CALLS(X, Job, "IBackgroundCopyJob")                  \
  KESTRELMOOR_JOB_CALLS(X, Job2, "IBackgroundCopyJob2")                \
  X(Job2GetNotifyCmdLine, "IBackgroundCopyJob2::GetNotifyCmdLine")     \
  KESTRELMOOR_UNKNOWN_CALLS(X, Files, "IEnumBackgroundCopyFiles")      \
  X(FilesNext, "IEnumBackgroundCopyFiles::Next")                       \
  KESTRELMOOR_UNKNOWN_CALLS(X, File, "IBackgroundCopyFile")            \
  X(FileGetRemoteName, "IBackgroundCopyFile::GetRemoteName")           \
  X(FileGetLocalName, "IBackgroundCopyFile::GetLocalName")             \
  X(FileGetProgress, "IBackgroundCopyFile::GetProgress")               \
  KESTRELMOOR_UNKNOWN_CALLS(X, Notify, "IBackgroundCopyCallback")

enum class Call : int {
#define KESTRELMOOR_CALL_ID(id, name) id,
  KESTRELMOOR_PROVIDER_CALLS(KESTRELMOOR_CALL_ID)
#undef KESTRELMOOR_CALL_ID
      Count
};
constexpr size_t kCallCount = static_cast<size_t>(Call::Count);

const char* CallName(Call call);

// The same method reached through IBackgroundCopyJob2 instead of IBackgroundCopyJob.
inline Call ThroughJob2(Call jobCall) {
  return static_cast<Call>(static_cast<int>(jobCall) + static_cast<int>(Call::Job2QueryInterface) -
                           static_cast<int>(Call::JobQueryInterface));
}

// What one use of a call is to do: answer normally, or show a chosen fault.
struct CallPlan {
  bool faulted = false;
  HRESULT result = S_OK;  // the answer of a faulted call: the fault's code, or S_OK for nullOutput
};

// Where a job object's job is: its position in `jobs` when last found, checked against its GUID.
struct JobHandle {
  size_t index = 0;
  GUID id{};
};

// A fake object's owner and reference count. Each live reference counts once in
// BitsProvider::liveInterfaces().
struct ObjectLife {
  BitsProvider* provider = nullptr;
  ULONG references = 1;
};

struct GuidHash {
  size_t operator()(const GUID& id) const;
};

struct BitsProvider::Internals {
  explicit Internals(BitsProvider& owner) : provider(owner) {}
  ~Internals();

  BitsProvider& provider;
  std::array<unsigned, kCallCount> uses{};
  std::unordered_set<const void*> strings;
  std::unordered_map<GUID, size_t, GuidHash> jobIndex;
  DWORD apartmentMode = 0;

  // Counts and records one use of `call` and says whether a fault answers it.
  CallPlan enter(Call call);
  // The same, for a method of a fake object; a call on a released object is misuse.
  CallPlan enter(Call call, const ObjectLife& life);
  void noteMisuse(std::string what);

  // A string allocated as CoTaskMemAlloc would, counted in liveStrings() until freed.
  LPWSTR allocateText(const WideText& text);
  void freeText(void* block);

  // The job a handle points at, found by GUID once `jobs` has moved; null once it is gone.
  ProviderJob* findJob(JobHandle& handle);

  int& comInitDepth() { return provider.comInitDepth_; }

  void objectCreated();
  ULONG addReference(ObjectLife& life, Call call);
  // The reference QueryInterface hands out with the object itself; not a call of the caller's.
  void addOwnReference(ObjectLife& life);
  // Drops one reference; true when it was the last and the object must be retired.
  bool dropReference(ObjectLife& life, Call call);
  // Keeps a released object for a while, so that a late call on it is seen as misuse instead of
  // touching freed memory; the oldest are deleted once enough have gathered.
  void retire(void* object, void (*destroy)(void*));

 private:
  struct Retired {
    void* object;
    void (*destroy)(void*);
  };
  std::deque<Retired> retired_;
  void rebuildJobIndex();
};

// IUnknown's three methods, written once for every fake object. The object starts with one
// reference and is retired at its last Release. QueryInterface hands out the object itself for
// IID_IUnknown and `own`, and leaves any other interface to Object::offer. `queryInterface` is the
// object's QueryInterface call; its AddRef and Release follow it in the call table.
template <class Object, class Interface>
class ComObject : public Interface {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) final {
    const CallPlan plan = enter(queryInterface_);
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (plan.faulted) return plan.result;
    if (iid == IID_IUnknown || (own_ != nullptr && iid == *own_)) {
      internals().addOwnReference(life_);
      *object = static_cast<Interface*>(this);
      return S_OK;
    }
    return static_cast<Object*>(this)->offer(iid, object);
  }
  ULONG AddRef() final { return internals().addReference(life_, Following(queryInterface_, 1)); }
  ULONG Release() final {
    if (internals().dropReference(life_, Following(queryInterface_, 2))) {
      internals().retire(static_cast<Object*>(this),
                         [](void* dead) { delete static_cast<Object*>(dead); });
    }
    return life_.references;
  }

  HRESULT offer(REFIID, void**) { return E_NOINTERFACE; }

 protected:
  ComObject(BitsProvider* provider, Call queryInterface, const IID* own = nullptr)
      : life_{provider}, queryInterface_(queryInterface), own_(own) {
    internals().objectCreated();
  }

  BitsProvider::Internals& internals() const { return *life_.provider->internals(); }
  BitsProvider* provider() const { return life_.provider; }
  CallPlan enter(Call call) { return internals().enter(call, life_); }

 private:
  static Call Following(Call call, int steps) {
    return static_cast<Call>(static_cast<int>(call) + steps);
  }

  ObjectLife life_;
  Call queryInterface_;
  const IID* own_;
};

// Factories of the fake objects; each starts with one reference.
IUnknown* NewServiceObject(BitsProvider* provider);
IBackgroundCopyManager* NewManager(BitsProvider* provider);
IEnumBackgroundCopyJobs* NewJobEnumerator(BitsProvider* provider, std::vector<JobHandle> jobs);
IBackgroundCopyJob2* NewJob(BitsProvider* provider, const JobHandle& job, bool throughJob2);
IEnumBackgroundCopyFiles* NewFileEnumerator(BitsProvider* provider, const JobHandle& job);
IBackgroundCopyFile* NewFile(BitsProvider* provider, const JobHandle& job, size_t index);
IUnknown* NewNotifyInterface(BitsProvider* provider);
