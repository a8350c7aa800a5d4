#include "tests/support/provider_probe.h"

#include <cstring>

namespace {

constexpr const char* kCallNames[] = {
#define KESTRELMOOR_CALL_NAME(id, name) name,
    KESTRELMOOR_PROVIDER_CALLS(KESTRELMOOR_CALL_NAME)
#undef KESTRELMOOR_CALL_NAME
};
static_assert(sizeof kCallNames / sizeof kCallNames[0] == static_cast<size_t>(Call::Count),
              "one name per call");

// Enough released objects and strings to catch the late call a test provokes, few enough that a
// queue of a hundred thousand jobs does not keep everything it ever handed out.
constexpr size_t kRetiredKept = 1024;

bool EndsWith(const char* text, const char* tail) {
  const size_t length = std::strlen(text);
  const size_t tailLength = std::strlen(tail);
  return length >= tailLength && std::strcmp(text + length - tailLength, tail) == 0;
}

// AddRef and Release: they cannot be faulted, and once an object is released they are refused.
const std::array<bool, static_cast<size_t>(Call::Count)> kCounting = [] {
  std::array<bool, static_cast<size_t>(Call::Count)> counting{};
  for (size_t i = 0; i < counting.size(); ++i) {
    counting[i] = EndsWith(kCallNames[i], "::AddRef") || EndsWith(kCallNames[i], "::Release");
  }
  return counting;
}();

}  // namespace

ProviderProbe::ProviderProbe(BitsProvider& provider) : provider_(provider) {
  provider_.observer = this;
}

ProviderProbe::~ProviderProbe() {
  provider_.observer = nullptr;
  for (const Retired& dead : retired_) dead.destroy(dead.thing);
}

unsigned ProviderProbe::uses(const std::string& call) const {
  for (size_t i = 0; i < uses_.size(); ++i) {
    if (call == kCallNames[i]) return uses_[i];
  }
  return 0;
}

void ProviderProbe::resetCounters() {
  calls.clear();
  misuse.clear();
  uses_.fill(0);
  strayNext_.reset();
}

std::optional<HRESULT> ProviderProbe::calling(Call call, const void* target) {
  const char* name = kCallNames[static_cast<size_t>(call)];
  const unsigned use = ++uses_[static_cast<size_t>(call)];
  if (recordCalls) calls.emplace_back(name);
  // A refused call does nothing, so the misuse cannot go on to free or release anything twice.
  constexpr HRESULT kRefused = E_FAIL;

  if (call == Call::CoUninitialize) {
    if (provider_.comInitDepth == 0) {
      misuse.push_back("CoUninitialize without a matching CoInitializeEx");
    } else if (provider_.comInitDepth == 1 && liveInterfaces_ != 0) {
      misuse.push_back("CoUninitialize ended COM while " + std::to_string(liveInterfaces_) +
                       " interface references were still held");
    }
    return std::nullopt;
  }
  if (call == Call::CoTaskMemFree) {
    if (target == nullptr || strings_.erase(target) != 0) return std::nullopt;
    misuse.push_back(
        "CoTaskMemFree of a block that is not allocated (freed twice, or never handed out)");
    return kRefused;
  }

  const bool counting = kCounting[static_cast<size_t>(call)];
  if (target != nullptr && retiredSet_.count(target) != 0) {
    const bool belowZero = EndsWith(name, "::Release");
    misuse.push_back(std::string(name) + (belowZero ? " below zero" : " on a released object"));
    if (counting) return kRefused;
  }
  if (counting) return std::nullopt;
  if (call == Call::JobsNext) {
    strayNext_.reset();
    for (const StrayNextFault& stray : strayNexts) {
      if (stray.nth == use) strayNext_ = stray.answer;
    }
  }
  for (const ProviderFault& fault : faults) {
    if (fault.nth != use || fault.call != name) continue;
    if (!fault.nullOutput) return fault.result;
    return call == Call::CoInitializeEx ? std::nullopt : std::optional<HRESULT>(S_OK);
  }
  return std::nullopt;
}

std::optional<StrayNext> ProviderProbe::strayJobsNext() {
  std::optional<StrayNext> stray;
  stray.swap(strayNext_);
  return stray;
}

void ProviderProbe::retire(void* thing, void (*destroy)(void*)) {
  retired_.push_back(Retired{thing, destroy});
  retiredSet_.insert(thing);
  if (retired_.size() > kRetiredKept) {
    const Retired oldest = retired_.front();
    retired_.pop_front();
    retiredSet_.erase(oldest.thing);
    oldest.destroy(oldest.thing);
  }
}
