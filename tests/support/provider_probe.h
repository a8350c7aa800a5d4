// The tests' hold on the in-memory BITS service: every call recorded by name and counted, chosen
// calls failed, misuse noted, and the interfaces, strings and COM initialisations still held.
#pragma once

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "bits/provider/bits_provider.h"

// Makes the `nth` use (counted from 1) of `call` fail with `result`, or, with `nullOutput`, answer
// S_OK while handing back a null pointer (or no value) in its output. A faulted call has no other
// effect: a faulted Cancel removes nothing. AddRef, Release, CoUninitialize and CoTaskMemFree
// cannot be faulted; for CoInitializeEx `nullOutput` changes nothing. Calls are named as in
// bits/provider/provider_observer.h.
struct ProviderFault {
  std::string call;
  unsigned nth = 1;
  HRESULT result = E_FAIL;
  bool nullOutput = false;
};

// Makes the `nth` use of "IEnumBackgroundCopyJobs::Next" go ahead but break its rules as `answer`
// says, as a service might that hands out fewer jobs than asked or miscounts them.
struct StrayNextFault {
  unsigned nth = 1;
  StrayNext answer;
};

// Observes `provider` from construction to destruction, so it is declared after the provider.
class ProviderProbe final : private ProviderObserver {
 public:
  explicit ProviderProbe(BitsProvider& provider);
  ~ProviderProbe();
  ProviderProbe(const ProviderProbe&) = delete;
  ProviderProbe& operator=(const ProviderProbe&) = delete;

  bool recordCalls = true;  // off for huge queues, whose millions of calls would fill memory
  std::vector<std::string> calls;  // every call in order, named as in ProviderFault::call
  std::vector<ProviderFault> faults;
  std::vector<StrayNextFault> strayNexts;
  // Misuse seen: a string freed twice or never handed out, a release below zero, a call on a
  // released object, an uninitialisation without an initialisation, the last uninitialisation
  // while interfaces are still held. Empty when the caller behaved.
  std::vector<std::string> misuse;

  unsigned uses(const std::string& call) const;  // how often `call` was made since the last reset
  void resetCounters();  // forget calls, uses and misuse; keeps faults and stray Nexts
  long liveInterfaces() const { return liveInterfaces_; }
  long liveStrings() const { return static_cast<long>(strings_.size()); }
  int comInitDepth() const { return provider_.comInitDepth; }

 private:
  struct Retired {
    void* thing;
    void (*destroy)(void*);
  };

  std::optional<HRESULT> calling(Call call, const void* target) override;
  std::optional<StrayNext> strayJobsNext() override;
  void referenced(int change) override { liveInterfaces_ += change; }
  void handedOut(const void* text) override { strings_.insert(text); }
  void retire(void* thing, void (*destroy)(void*)) override;

  BitsProvider& provider_;
  std::array<unsigned, static_cast<size_t>(Call::Count)> uses_{};
  long liveInterfaces_ = 0;
  std::unordered_set<const void*> strings_;  // handed out and not yet freed
  std::deque<Retired> retired_;              // released, kept so that a late call is seen
  std::unordered_set<const void*> retiredSet_;
  std::optional<StrayNext> strayNext_;  // for the Next that `calling` has just let go ahead
};
