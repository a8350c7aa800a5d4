// What the service's runtime functions and COM objects share: telling the observer, handing out
// and giving back what they allocate, finding a job again, and IUnknown's three methods.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "bits/provider/bits_provider.h"

// The observer's answer to a call, none when there is no observer: the call does its work.
inline std::optional<HRESULT> Observe(BitsProvider& provider, Call call, const void* target) {
  if (provider.observer == nullptr) return std::nullopt;
  return provider.observer->calling(call, target);
}

inline void CountReference(BitsProvider& provider, int change) {
  if (provider.observer != nullptr) provider.observer->referenced(change);
}

// Destroys an object at its last Release or a freed string, or hands it to the observer to do so.
inline void Retire(BitsProvider& provider, void* thing, void (*destroy)(void*)) {
  if (provider.observer != nullptr) {
    provider.observer->retire(thing, destroy);
  } else {
    destroy(thing);
  }
}

// A copy of `text` allocated as CoTaskMemAlloc would, for CoTaskMemFree to free; null when memory
// runs out.
LPWSTR NewText(BitsProvider& provider, const WideText& text);

// Where a job object's job is: its position in `jobs` when last found, checked against its GUID.
struct JobHandle {
  size_t index = 0;
  GUID id{};
};

// The job a handle points at, found by GUID once `jobs` has moved; null once it is gone.
ProviderJob* FindJob(BitsProvider& provider, JobHandle& handle);

// IUnknown's three methods, written once for every object of the service. The object starts with
// one reference and is destroyed at its last Release. QueryInterface hands out the object itself
// for IID_IUnknown and `own`, and leaves any other interface to Object::offer. `queryInterface` is
// the object's QueryInterface call; its AddRef and Release follow it in the call list.
template <class Object, class Interface>
class ComObject : public Interface {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) final {
    const std::optional<HRESULT> answer = observe(queryInterface_);
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (answer) return *answer;
    if (iid == IID_IUnknown || (own_ != nullptr && iid == *own_)) {
      reference();
      *object = static_cast<Interface*>(this);
      return S_OK;
    }
    return static_cast<Object*>(this)->offer(iid, object);
  }
  ULONG AddRef() final {
    if (observe(Following(queryInterface_, 1))) return 0;
    reference();
    return references_;
  }
  ULONG Release() final {
    if (observe(Following(queryInterface_, 2))) return 0;
    const ULONG left = --references_;
    CountReference(*provider_, -1);
    if (left == 0) {
      Retire(*provider_, static_cast<Object*>(this),
             [](void* dead) { delete static_cast<Object*>(dead); });
    }
    return left;
  }

  HRESULT offer(REFIID, void**) { return E_NOINTERFACE; }

 protected:
  ComObject(BitsProvider* provider, Call queryInterface, const IID* own = nullptr)
      : provider_(provider), queryInterface_(queryInterface), own_(own) {
    CountReference(*provider_, +1);
  }

  BitsProvider* provider() const { return provider_; }
  std::optional<HRESULT> observe(Call call) {
    return Observe(*provider_, call, static_cast<Object*>(this));
  }

 private:
  static Call Following(Call call, int steps) {
    return static_cast<Call>(static_cast<int>(call) + steps);
  }
  void reference() {
    ++references_;
    CountReference(*provider_, +1);
  }

  BitsProvider* provider_;
  Call queryInterface_;
  const IID* own_;
  ULONG references_ = 1;
};

// COM's rules for an enumerator's Next before it hands anything out: every output is nulled, then
// bad arguments are answered, then the observer's answer, if any, stands.
template <class Item>
std::optional<HRESULT> BeginNext(std::optional<HRESULT> answer, ULONG count, Item** items,
                                 ULONG* fetched) {
  if (items == nullptr) return E_POINTER;
  if (count != 1 && fetched == nullptr) return E_INVALIDARG;
  if (fetched != nullptr) *fetched = 0;
  for (ULONG i = 0; i < count; ++i) items[i] = nullptr;
  return answer;
}

// Factories of the service's objects; each starts with one reference.
IUnknown* NewServiceObject(BitsProvider* provider);
IBackgroundCopyManager* NewManager(BitsProvider* provider);
IEnumBackgroundCopyJobs* NewJobEnumerator(BitsProvider* provider, std::vector<JobHandle> jobs);
IBackgroundCopyJob2* NewJob(BitsProvider* provider, const JobHandle& job, bool throughJob2);
IEnumBackgroundCopyFiles* NewFileEnumerator(BitsProvider* provider, const JobHandle& job);
IBackgroundCopyFile* NewFile(BitsProvider* provider, const JobHandle& job, size_t index);
IUnknown* NewNotifyInterface(BitsProvider* provider);
