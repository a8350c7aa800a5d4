// The service object CoCreateInstance hands out, the manager behind it with its lookup of one job,
// and the job enumerator.
#include <utility>

#include "bits/provider/provider_internals.h"

namespace {

// What CoCreateInstance hands out for IID_IUnknown: only good for asking for the manager.
class ServiceObject final : public ComObject<ServiceObject, IUnknown> {
 public:
  explicit ServiceObject(BitsProvider* provider)
      : ComObject(provider, Call::ServiceQueryInterface) {}

  HRESULT offer(REFIID iid, void** object) {
    if (iid != IID_IBackgroundCopyManager) return E_NOINTERFACE;
    *object = NewManager(provider());
    return S_OK;
  }
};

class Manager final : public ComObject<Manager, IBackgroundCopyManager> {
 public:
  explicit Manager(BitsProvider* provider)
      : ComObject(provider, Call::ManagerQueryInterface, &IID_IBackgroundCopyManager) {}

  // Every user's job, as BITS finds them for an administrator.
  HRESULT GetJob(REFGUID id, IBackgroundCopyJob** job) override {
    const std::optional<HRESULT> answer = observe(Call::ManagerGetJob);
    if (job == nullptr) return E_INVALIDARG;
    *job = nullptr;
    if (answer) return *answer;
    const std::vector<ProviderJob>& queue = provider()->jobs;
    for (size_t i = 0; i < queue.size(); ++i) {
      if (queue[i].id == id) {
        if (queue[i].refusesGetJob) return E_ACCESSDENIED;
        *job = NewJob(provider(), JobHandle{i, id}, false);
        return S_OK;
      }
    }
    return BG_E_NOT_FOUND;
  }

  HRESULT EnumJobs(DWORD flags, IEnumBackgroundCopyJobs** jobs) override {
    const std::optional<HRESULT> answer = observe(Call::ManagerEnumJobs);
    if (jobs == nullptr) return E_POINTER;
    *jobs = nullptr;
    if (answer) return *answer;
    if ((flags & ~BG_JOB_ENUM_ALL_USERS) != 0) return E_INVALIDARG;

    const BitsProvider& service = *provider();
    const bool allUsers = (flags & BG_JOB_ENUM_ALL_USERS) != 0;
    std::vector<JobHandle> handed;
    handed.reserve(service.jobs.size());
    for (size_t i = 0; i < service.jobs.size(); ++i) {
      const ProviderJob& job = service.jobs[i];
      if (allUsers || (job.owner && *job.owner == service.callerOwner)) {
        handed.push_back(JobHandle{i, job.id});
      }
    }
    *jobs = NewJobEnumerator(provider(), std::move(handed));
    return S_OK;
  }
};

// Hands out the jobs that were queued when it was made, as BITS' enumerator does.
class JobEnumerator final : public ComObject<JobEnumerator, IEnumBackgroundCopyJobs> {
 public:
  JobEnumerator(BitsProvider* provider, std::vector<JobHandle> jobs)
      : ComObject(provider, Call::JobsQueryInterface), jobs_(std::move(jobs)) {}

  HRESULT Next(ULONG count, IBackgroundCopyJob** jobs, ULONG* fetched) override {
    if (const auto answer = BeginNext(observe(Call::JobsNext), count, jobs, fetched)) {
      return *answer;
    }

    const BitsProvider& service = *provider();
    const std::optional<StrayNext> stray =
        service.observer != nullptr ? service.observer->strayJobsNext() : std::nullopt;
    const ULONG most = stray && stray->handOut < count ? stray->handOut : count;
    ULONG handedOut = 0;
    while (handedOut < most && next_ < jobs_.size()) {
      jobs[handedOut++] = NewJob(provider(), jobs_[next_++], false);
    }
    if (fetched != nullptr) *fetched = stray && stray->fetched ? *stray->fetched : handedOut;
    if (stray) return stray->result;
    return handedOut == count ? S_OK : S_FALSE;
  }

 private:
  std::vector<JobHandle> jobs_;
  size_t next_ = 0;
};

}  // namespace

IUnknown* NewServiceObject(BitsProvider* provider) { return new ServiceObject(provider); }

IBackgroundCopyManager* NewManager(BitsProvider* provider) { return new Manager(provider); }

IEnumBackgroundCopyJobs* NewJobEnumerator(BitsProvider* provider, std::vector<JobHandle> jobs) {
  return new JobEnumerator(provider, std::move(jobs));
}
