// The provider's bookkeeping and the COM runtime functions it serves in place of Windows'.
#include "bits/provider/bits_provider.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "bits/provider/provider_internals.h"

namespace {

BitsProvider* installedProvider = nullptr;

constexpr const char* kCallNames[] = {
#define KESTRELMOOR_CALL_NAME(id, name) name,
    KESTRELMOOR_PROVIDER_CALLS(KESTRELMOOR_CALL_NAME)
#undef KESTRELMOOR_CALL_NAME
};
static_assert(sizeof kCallNames / sizeof kCallNames[0] == kCallCount, "one name per call");

// Enough released objects to catch the late Release or call a test provokes, few enough that a
// queue of a hundred thousand jobs does not keep every object it ever handed out.
constexpr size_t kRetiredKept = 1024;

constexpr HRESULT kNoAggregation = static_cast<HRESULT>(0x80040110u);  // CLASS_E_NOAGGREGATION

void WriteHex(uint32_t value, int digits, WCHAR*& out) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    *out++ = static_cast<WCHAR>(kDigits[(value >> shift) & 0xF]);
  }
}

}  // namespace

const char* CallName(Call call) { return kCallNames[static_cast<size_t>(call)]; }

size_t GuidHash::operator()(const GUID& id) const {
  uint64_t tail = 0;
  std::memcpy(&tail, id.Data4, sizeof tail);
  const uint64_t head = (static_cast<uint64_t>(id.Data1) << 32) |
                        (static_cast<uint64_t>(id.Data2) << 16) | id.Data3;
  return std::hash<uint64_t>()(head * 0x9E3779B97F4A7C15ull ^ tail);
}

// ---- Internals

BitsProvider::Internals::~Internals() {
  for (const Retired& dead : retired_) dead.destroy(dead.object);
  for (const void* block : strings) std::free(const_cast<void*>(block));
}

CallPlan BitsProvider::Internals::enter(Call call) {
  const unsigned use = ++uses[static_cast<size_t>(call)];
  if (provider.recordCalls) provider.calls.emplace_back(CallName(call));
  if (!provider.faults.empty()) {
    for (const ProviderFault& fault : provider.faults) {
      if (fault.nth == use && fault.call == CallName(call)) {
        return CallPlan{true, fault.nullOutput ? S_OK : fault.result};
      }
    }
  }
  return CallPlan{};
}

CallPlan BitsProvider::Internals::enter(Call call, const ObjectLife& life) {
  if (life.references == 0) noteMisuse(std::string(CallName(call)) + " on a released object");
  return enter(call);
}

void BitsProvider::Internals::noteMisuse(std::string what) {
  provider.misuse.push_back(std::move(what));
}

LPWSTR BitsProvider::Internals::allocateText(const WideText& text) {
  void* block = std::malloc((text.size() + 1) * sizeof(WCHAR));
  if (block == nullptr) return nullptr;
  LPWSTR copy = static_cast<LPWSTR>(block);
  text.copy(copy, text.size());
  copy[text.size()] = 0;
  strings.insert(block);
  ++provider.liveStrings_;
  return copy;
}

void BitsProvider::Internals::freeText(void* block) {
  if (strings.erase(block) == 0) {
    noteMisuse("CoTaskMemFree of a block that is not allocated (freed twice, or never handed out)");
    return;
  }
  std::free(block);
  --provider.liveStrings_;
}

ProviderJob* BitsProvider::Internals::findJob(JobHandle& handle) {
  std::vector<ProviderJob>& jobs = provider.jobs;
  if (handle.index < jobs.size() && jobs[handle.index].id == handle.id) return &jobs[handle.index];
  for (int attempt = 0; attempt < 2; ++attempt) {
    const auto found = jobIndex.find(handle.id);
    if (found != jobIndex.end() && found->second < jobs.size() &&
        jobs[found->second].id == handle.id) {
      handle.index = found->second;
      return &jobs[handle.index];
    }
    // The queue changed since the index was built: one rebuild serves every later lookup.
    if (attempt == 0) rebuildJobIndex();
  }
  return nullptr;
}

void BitsProvider::Internals::rebuildJobIndex() {
  jobIndex.clear();
  jobIndex.reserve(provider.jobs.size());
  for (size_t i = 0; i < provider.jobs.size(); ++i) jobIndex.emplace(provider.jobs[i].id, i);
}

void BitsProvider::Internals::objectCreated() { ++provider.liveInterfaces_; }

ULONG BitsProvider::Internals::addReference(ObjectLife& life, Call call) {
  enter(call);
  if (life.references == 0) {
    noteMisuse(std::string(CallName(call)) + " on a released object");
    return 0;
  }
  ++life.references;
  ++provider.liveInterfaces_;
  return life.references;
}

void BitsProvider::Internals::addOwnReference(ObjectLife& life) {
  ++life.references;
  ++provider.liveInterfaces_;
}

bool BitsProvider::Internals::dropReference(ObjectLife& life, Call call) {
  enter(call);
  if (life.references == 0) {
    noteMisuse(std::string(CallName(call)) + " below zero");
    return false;
  }
  --life.references;
  --provider.liveInterfaces_;
  return life.references == 0;
}

void BitsProvider::Internals::retire(void* object, void (*destroy)(void*)) {
  retired_.push_back(Retired{object, destroy});
  if (retired_.size() > kRetiredKept) {
    retired_.front().destroy(retired_.front().object);
    retired_.pop_front();
  }
}

// ---- BitsProvider

BitsProvider::BitsProvider() : internals_(new Internals(*this)) {}

BitsProvider::~BitsProvider() {
  if (installedProvider == this) installedProvider = nullptr;
  delete internals_;
}

unsigned BitsProvider::uses(const std::string& call) const {
  for (size_t i = 0; i < kCallCount; ++i) {
    if (call == kCallNames[i]) return internals_->uses[i];
  }
  return 0;
}

void BitsProvider::resetCounters() {
  calls.clear();
  misuse.clear();
  internals_->uses.fill(0);
}

void InstallBitsProvider(BitsProvider* provider) { installedProvider = provider; }

BitsProvider* InstalledBitsProvider() { return installedProvider; }

// ---- The COM runtime. Without an installed provider there is no service: COM itself starts,
// but no BITS manager can be created and no string handed out.

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
  if (installedProvider == nullptr) return reserved == nullptr ? S_OK : E_INVALIDARG;
  BitsProvider::Internals& internals = *installedProvider->internals();
  const CallPlan plan = internals.enter(Call::CoInitializeEx);
  if (plan.faulted && FAILED(plan.result)) return plan.result;
  if (reserved != nullptr) return E_INVALIDARG;
  int& depth = internals.comInitDepth();
  if (depth > 0 && coInit != internals.apartmentMode) return RPC_E_CHANGED_MODE;
  if (depth == 0) internals.apartmentMode = coInit;
  ++depth;
  return depth == 1 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (installedProvider == nullptr) return;
  BitsProvider::Internals& internals = *installedProvider->internals();
  internals.enter(Call::CoUninitialize);
  int& depth = internals.comInitDepth();
  if (depth == 0) {
    internals.noteMisuse("CoUninitialize without a matching CoInitializeEx");
    return;
  }
  --depth;
  if (depth == 0 && installedProvider->liveInterfaces() != 0) {
    internals.noteMisuse("CoUninitialize ended COM while " +
                         std::to_string(installedProvider->liveInterfaces()) +
                         " interface references were still held");
  }
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) {
  if (object != nullptr) *object = nullptr;
  if (installedProvider == nullptr) return REGDB_E_CLASSNOTREG;
  BitsProvider::Internals& internals = *installedProvider->internals();
  const CallPlan plan = internals.enter(Call::CoCreateInstance);
  if (object == nullptr) return E_POINTER;
  if (plan.faulted) return plan.result;
  if (installedProvider->comInitDepth() == 0) return CO_E_NOTINITIALIZED;
  // The service is registered as a local server only.
  if (clsid != CLSID_BackgroundCopyManager || (context & CLSCTX_LOCAL_SERVER) == 0)
    return REGDB_E_CLASSNOTREG;
  if (outer != nullptr) return kNoAggregation;
  if (iid == IID_IUnknown) {
    *object = NewServiceObject(installedProvider);
  } else if (iid == IID_IBackgroundCopyManager) {
    *object = NewManager(installedProvider);
  } else {
    return E_NOINTERFACE;
  }
  return S_OK;
}

HRESULT OleRun(IUnknown* object) {
  if (installedProvider == nullptr) return object != nullptr ? S_OK : E_INVALIDARG;
  const CallPlan plan = installedProvider->internals()->enter(Call::OleRun);
  if (plan.faulted) return plan.result;
  return object != nullptr ? S_OK : E_INVALIDARG;
}

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text) {
  if (text != nullptr) *text = nullptr;
  if (installedProvider == nullptr) return E_OUTOFMEMORY;  // no allocator to hand a string from
  BitsProvider::Internals& internals = *installedProvider->internals();
  const CallPlan plan = internals.enter(Call::StringFromCLSID);
  if (text == nullptr) return E_INVALIDARG;
  if (plan.faulted) return plan.result;

  WCHAR braced[38];
  WCHAR* out = braced;
  *out++ = u'{';
  WriteHex(clsid.Data1, 8, out);
  *out++ = u'-';
  WriteHex(clsid.Data2, 4, out);
  *out++ = u'-';
  WriteHex(clsid.Data3, 4, out);
  *out++ = u'-';
  WriteHex(clsid.Data4[0], 2, out);
  WriteHex(clsid.Data4[1], 2, out);
  *out++ = u'-';
  for (int i = 2; i < 8; ++i) WriteHex(clsid.Data4[i], 2, out);
  *out++ = u'}';
  *text = internals.allocateText(WideText(braced, 38));
  return *text != nullptr ? S_OK : E_OUTOFMEMORY;
}

void CoTaskMemFree(void* block) {
  if (installedProvider == nullptr) return;
  BitsProvider::Internals& internals = *installedProvider->internals();
  internals.enter(Call::CoTaskMemFree);
  if (block != nullptr) internals.freeText(block);
}
