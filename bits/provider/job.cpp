// A job as the service hands it out, and the notify interface a job may hold. Reads come from the
// job's record in the provider; control methods change or remove that record as BITS would.
#include <optional>

#include "bits/provider/provider_internals.h"

namespace {

bool Finished(const ProviderJob& job) {
  return job.state == BG_JOB_STATE_CANCELLED || job.state == BG_JOB_STATE_ACKNOWLEDGED;
}

bool HasFileToTransfer(const ProviderJob& job) {
  for (const ProviderFile& file : job.files) {
    if (!file.progress.Completed) return true;
  }
  return false;
}

bool HasPartlyTransferredFile(const ProviderJob& job) {
  for (const ProviderFile& file : job.files) {
    if (!file.progress.Completed && file.progress.BytesTransferred > 0) return true;
  }
  return false;
}

bool IsUnderWay(BG_JOB_STATE state) {
  return state == BG_JOB_STATE_QUEUED || state == BG_JOB_STATE_CONNECTING ||
         state == BG_JOB_STATE_TRANSFERRING;
}

enum class Control { Suspend, Resume, Cancel, Complete };

// What the service answers to one control method, and what then becomes of the job: its new state,
// or none when the job leaves the queue. A refusal changes nothing.
struct ControlAnswer {
  HRESULT result;
  std::optional<BG_JOB_STATE> becomes;
};

// The rule bits_provider.h describes, in one place for the four methods.
ControlAnswer AnswerControl(const ProviderJob& job, Control method) {
  if (Finished(job)) return {BG_E_INVALID_STATE, job.state};
  switch (method) {
    case Control::Suspend:
      return {S_OK, BG_JOB_STATE_SUSPENDED};
    case Control::Resume:
      if (job.files.empty()) return {BG_E_EMPTY, job.state};
      // Nothing to wait for: the scheduler would find every file transferred at once.
      if (!HasFileToTransfer(job)) return {S_OK, BG_JOB_STATE_TRANSFERRED};
      return {S_OK, IsUnderWay(job.state) ? job.state : BG_JOB_STATE_QUEUED};
    case Control::Cancel:
      // A partly transferred file stands for the temporary file BITS could not delete.
      return {HasPartlyTransferredFile(job) ? BG_S_UNABLE_TO_DELETE_FILES : S_OK, std::nullopt};
    case Control::Complete:
      break;
  }
  // An upload's file reaches the server only as a whole; upload-reply jobs are uploads too.
  if (job.type != BG_JOB_TYPE_DOWNLOAD && job.state != BG_JOB_STATE_TRANSFERRED) {
    return {BG_E_INVALID_STATE, job.state};
  }
  return {HasFileToTransfer(job) ? BG_S_PARTIAL_COMPLETE : S_OK, std::nullopt};
}

class NotifyInterface final : public ComObject<NotifyInterface, IUnknown> {
 public:
  explicit NotifyInterface(BitsProvider* provider)
      : ComObject(provider, Call::NotifyQueryInterface) {}
};

// One job reached through one interface pointer: what the enumerator hands out answers as
// IBackgroundCopyJob, what QueryInterface for IID_IBackgroundCopyJob2 hands out as
// IBackgroundCopyJob2, so that each call is named after the pointer the caller used.
class Job final : public ComObject<Job, IBackgroundCopyJob2> {
 public:
  Job(BitsProvider* provider, const JobHandle& job, bool throughJob2)
      : ComObject(provider, throughJob2 ? Call::Job2QueryInterface : Call::JobQueryInterface,
                  throughJob2 ? &IID_IBackgroundCopyJob2 : &IID_IBackgroundCopyJob),
        job_(job),
        throughJob2_(throughJob2) {}

  // The job through its other interface pointer.
  HRESULT offer(REFIID iid, void** object) {
    if (iid == IID_IBackgroundCopyJob) {
      *object = static_cast<IBackgroundCopyJob*>(NewJob(provider(), job_, false));
      return S_OK;
    }
    if (iid == IID_IBackgroundCopyJob2) {
      const ProviderJob* job = FindJob(*provider(), job_);
      if (job == nullptr || !job->offersJob2) return E_NOINTERFACE;
      *object = NewJob(provider(), job_, true);
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  HRESULT EnumFiles(IEnumBackgroundCopyFiles** files) override {
    const std::optional<HRESULT> answer = observe(call(Call::JobEnumFiles));
    if (files == nullptr) return E_POINTER;
    *files = nullptr;
    if (answer) return *answer;
    if (FindJob(*provider(), job_) == nullptr) return BG_E_INVALID_STATE;
    *files = NewFileEnumerator(provider(), job_);
    return S_OK;
  }

  HRESULT Suspend() override { return control(Call::JobSuspend, Control::Suspend); }
  HRESULT Resume() override { return control(Call::JobResume, Control::Resume); }
  HRESULT Cancel() override { return control(Call::JobCancel, Control::Cancel); }
  HRESULT Complete() override { return control(Call::JobComplete, Control::Complete); }

  HRESULT GetId(GUID* id) override { return readValue(Call::JobGetId, id, &ProviderJob::id); }
  HRESULT GetType(BG_JOB_TYPE* type) override {
    return readValue(Call::JobGetType, type, &ProviderJob::type);
  }
  HRESULT GetProgress(BG_JOB_PROGRESS* progress) override {
    return readValue(Call::JobGetProgress, progress, &ProviderJob::progress);
  }
  HRESULT GetTimes(BG_JOB_TIMES* times) override {
    return readValue(Call::JobGetTimes, times, &ProviderJob::times);
  }
  HRESULT GetState(BG_JOB_STATE* state) override {
    return readValue(Call::JobGetState, state, &ProviderJob::state);
  }
  HRESULT GetOwner(LPWSTR* owner) override {
    return readText(Call::JobGetOwner, owner, &ProviderJob::owner);
  }
  HRESULT GetDisplayName(LPWSTR* name) override {
    return readText(Call::JobGetDisplayName, name, &ProviderJob::displayName);
  }
  HRESULT GetDescription(LPWSTR* description) override {
    return readText(Call::JobGetDescription, description, &ProviderJob::description);
  }
  HRESULT GetPriority(BG_JOB_PRIORITY* priority) override {
    return readValue(Call::JobGetPriority, priority, &ProviderJob::priority);
  }
  HRESULT GetNotifyFlags(ULONG* flags) override {
    return readValue(Call::JobGetNotifyFlags, flags, &ProviderJob::notifyFlags);
  }
  HRESULT GetMinimumRetryDelay(ULONG* seconds) override {
    return readValue(Call::JobGetMinimumRetryDelay, seconds, &ProviderJob::minimumRetryDelay);
  }
  HRESULT GetNoProgressTimeout(ULONG* seconds) override {
    return readValue(Call::JobGetNoProgressTimeout, seconds, &ProviderJob::noProgressTimeout);
  }
  HRESULT GetErrorCount(ULONG* errors) override {
    return readValue(Call::JobGetErrorCount, errors, &ProviderJob::errorCount);
  }

  HRESULT GetNotifyInterface(IUnknown** notify) override {
    const std::optional<HRESULT> answer = observe(call(Call::JobGetNotifyInterface));
    if (notify == nullptr) return E_POINTER;
    *notify = nullptr;
    if (answer) return *answer;
    const ProviderJob* job = FindJob(*provider(), job_);
    if (job == nullptr) return BG_E_INVALID_STATE;
    // BITS answers S_OK with no interface when none is registered.
    if (job->hasNotifyInterface) *notify = NewNotifyInterface(provider());
    return S_OK;
  }

  HRESULT GetNotifyCmdLine(LPWSTR* program, LPWSTR* parameters) override {
    const std::optional<HRESULT> answer = observe(Call::Job2GetNotifyCmdLine);
    if (program != nullptr) *program = nullptr;
    if (parameters != nullptr) *parameters = nullptr;
    if (program == nullptr || parameters == nullptr) return E_POINTER;
    if (answer) return *answer;
    const ProviderJob* job = FindJob(*provider(), job_);
    if (job == nullptr) return BG_E_INVALID_STATE;
    if (job->notifyCmdLineFails) return E_NOTIMPL;
    if (job->notifyProgram) *program = NewText(*provider(), *job->notifyProgram);
    if (job->notifyArguments) *parameters = NewText(*provider(), *job->notifyArguments);
    return S_OK;
  }

 private:
  // The call as made through this pointer: IBackgroundCopyJob2's list repeats IBackgroundCopyJob's.
  Call call(Call jobCall) const {
    if (!throughJob2_) return jobCall;
    return static_cast<Call>(static_cast<int>(jobCall) + static_cast<int>(Call::Job2QueryInterface) -
                             static_cast<int>(Call::JobQueryInterface));
  }

  template <class Value>
  HRESULT readValue(Call jobCall, Value* out, Value ProviderJob::*field) {
    const std::optional<HRESULT> answer = observe(call(jobCall));
    if (out == nullptr) return E_POINTER;
    if (answer) return *answer;  // no value handed back
    const ProviderJob* job = FindJob(*provider(), job_);
    if (job == nullptr) return BG_E_INVALID_STATE;
    *out = job->*field;
    return S_OK;
  }

  HRESULT readText(Call jobCall, LPWSTR* out, std::optional<WideText> ProviderJob::*field) {
    const std::optional<HRESULT> answer = observe(call(jobCall));
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (answer) return *answer;
    const ProviderJob* job = FindJob(*provider(), job_);
    if (job == nullptr) return BG_E_INVALID_STATE;
    const std::optional<WideText>& text = job->*field;
    if (text) *out = NewText(*provider(), *text);
    return S_OK;
  }

  HRESULT control(Call jobCall, Control method) {
    const std::optional<HRESULT> answer = observe(call(jobCall));
    if (answer) return *answer;
    ProviderJob* job = FindJob(*provider(), job_);
    if (job == nullptr) return BG_E_INVALID_STATE;
    const ControlAnswer answered = AnswerControl(*job, method);
    if (FAILED(answered.result)) return answered.result;
    if (answered.becomes) {
      job->state = *answered.becomes;
    } else {
      std::vector<ProviderJob>& jobs = provider()->jobs;
      jobs.erase(jobs.begin() + static_cast<std::ptrdiff_t>(job_.index));
    }
    return answered.result;
  }

  JobHandle job_;
  bool throughJob2_;
};

}  // namespace

IBackgroundCopyJob2* NewJob(BitsProvider* provider, const JobHandle& job, bool throughJob2) {
  return new Job(provider, job, throughJob2);
}

IUnknown* NewNotifyInterface(BitsProvider* provider) { return new NotifyInterface(provider); }
