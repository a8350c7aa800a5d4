// The service object CoCreateInstance hands out, the manager behind it and the job enumerator.
#include <utility>

#include "bits/provider/provider_internals.h"

namespace {

// What CoCreateInstance hands out for IID_IUnknown: only good for asking for the manager.
class ServiceObject final : public IUnknown {
 public:
  explicit ServiceObject(BitsProvider* provider) : life_{provider} {
    internals().objectCreated();
  }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    const CallPlan plan = internals().enter(Call::ServiceQueryInterface, life_);
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (plan.faulted) return plan.result;
    if (iid == IID_IUnknown) {
      internals().addOwnReference(life_);
      *object = static_cast<IUnknown*>(this);
      return S_OK;
    }
    if (iid == IID_IBackgroundCopyManager) {
      *object = NewManager(life_.provider);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return internals().addReference(life_, Call::ServiceAddRef); }
  ULONG Release() override { return ReleaseObject(this, life_, Call::ServiceRelease); }

 private:
  BitsProvider::Internals& internals() const { return *life_.provider->internals(); }
  ObjectLife life_;
};

class Manager final : public IBackgroundCopyManager {
 public:
  explicit Manager(BitsProvider* provider) : life_{provider} { internals().objectCreated(); }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    const CallPlan plan = internals().enter(Call::ManagerQueryInterface, life_);
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (plan.faulted) return plan.result;
    if (iid != IID_IUnknown && iid != IID_IBackgroundCopyManager) return E_NOINTERFACE;
    internals().addOwnReference(life_);
    *object = static_cast<IBackgroundCopyManager*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return internals().addReference(life_, Call::ManagerAddRef); }
  ULONG Release() override { return ReleaseObject(this, life_, Call::ManagerRelease); }

  HRESULT EnumJobs(DWORD flags, IEnumBackgroundCopyJobs** jobs) override {
    const CallPlan plan = internals().enter(Call::ManagerEnumJobs, life_);
    if (jobs == nullptr) return E_POINTER;
    *jobs = nullptr;
    if (plan.faulted) return plan.result;
    if ((flags & ~BG_JOB_ENUM_ALL_USERS) != 0) return E_INVALIDARG;

    const BitsProvider& provider = *life_.provider;
    const bool allUsers = (flags & BG_JOB_ENUM_ALL_USERS) != 0;
    std::vector<JobHandle> handed;
    handed.reserve(provider.jobs.size());
    for (size_t i = 0; i < provider.jobs.size(); ++i) {
      const ProviderJob& job = provider.jobs[i];
      if (allUsers || (job.owner && *job.owner == provider.callerOwner)) {
        handed.push_back(JobHandle{i, job.id});
      }
    }
    *jobs = NewJobEnumerator(life_.provider, std::move(handed));
    return S_OK;
  }

 private:
  BitsProvider::Internals& internals() const { return *life_.provider->internals(); }
  ObjectLife life_;
};

// Hands out the jobs that were queued when it was made, as BITS' enumerator does.
class JobEnumerator final : public IEnumBackgroundCopyJobs {
 public:
  JobEnumerator(BitsProvider* provider, std::vector<JobHandle> jobs)
      : life_{provider}, jobs_(std::move(jobs)) {
    internals().objectCreated();
  }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    const CallPlan plan = internals().enter(Call::JobsQueryInterface, life_);
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (plan.faulted) return plan.result;
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    internals().addOwnReference(life_);
    *object = static_cast<IUnknown*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return internals().addReference(life_, Call::JobsAddRef); }
  ULONG Release() override { return ReleaseObject(this, life_, Call::JobsRelease); }

  HRESULT Next(ULONG count, IBackgroundCopyJob** jobs, ULONG* fetched) override {
    const CallPlan plan = internals().enter(Call::JobsNext, life_);
    if (jobs == nullptr) return E_POINTER;
    if (count != 1 && fetched == nullptr) return E_INVALIDARG;  // COM's rule for enumerators
    if (fetched != nullptr) *fetched = 0;
    for (ULONG i = 0; i < count; ++i) jobs[i] = nullptr;
    if (plan.faulted) return plan.result;

    ULONG handedOut = 0;
    while (handedOut < count && next_ < jobs_.size()) {
      jobs[handedOut++] = NewJob(life_.provider, jobs_[next_++], false);
    }
    if (fetched != nullptr) *fetched = handedOut;
    return handedOut == count ? S_OK : S_FALSE;
  }

 private:
  BitsProvider::Internals& internals() const { return *life_.provider->internals(); }
  ObjectLife life_;
  std::vector<JobHandle> jobs_;
  size_t next_ = 0;
};

}  // namespace

IUnknown* NewServiceObject(BitsProvider* provider) { return new ServiceObject(provider); }

IBackgroundCopyManager* NewManager(BitsProvider* provider) { return new Manager(provider); }

IEnumBackgroundCopyJobs* NewJobEnumerator(BitsProvider* provider, std::vector<JobHandle> jobs) {
  return new JobEnumerator(provider, std::move(jobs));
}
