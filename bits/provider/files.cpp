// A job's file enumerator and its files. Both read the job's record through its handle, so a file
// of a job that has been removed answers BG_E_INVALID_STATE instead of reading freed data.
#include "bits/provider/provider_internals.h"

namespace {

class File final : public ComObject<File, IBackgroundCopyFile> {
 public:
  File(BitsProvider* provider, const JobHandle& job, size_t index)
      : ComObject(provider, Call::FileQueryInterface), job_(job), index_(index) {}

  HRESULT GetRemoteName(LPWSTR* name) override {
    return readName(Call::FileGetRemoteName, name, &ProviderFile::remoteName);
  }
  HRESULT GetLocalName(LPWSTR* name) override {
    return readName(Call::FileGetLocalName, name, &ProviderFile::localName);
  }
  HRESULT GetProgress(BG_FILE_PROGRESS* progress) override {
    const std::optional<HRESULT> answer = observe(Call::FileGetProgress);
    if (progress == nullptr) return E_POINTER;
    if (answer) return *answer;
    const ProviderFile* file = find();
    if (file == nullptr) return BG_E_INVALID_STATE;
    *progress = file->progress;
    return S_OK;
  }

 private:
  const ProviderFile* find() {
    const ProviderJob* job = FindJob(*provider(), job_);
    if (job == nullptr || index_ >= job->files.size()) return nullptr;
    return &job->files[index_];
  }

  HRESULT readName(Call call, LPWSTR* out, std::optional<WideText> ProviderFile::*field) {
    const std::optional<HRESULT> answer = observe(call);
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (answer) return *answer;
    const ProviderFile* file = find();
    if (file == nullptr) return BG_E_INVALID_STATE;
    const std::optional<WideText>& name = file->*field;
    if (name) *out = NewText(*provider(), *name);
    return S_OK;
  }

  JobHandle job_;
  size_t index_;
};

class FileEnumerator final : public ComObject<FileEnumerator, IEnumBackgroundCopyFiles> {
 public:
  FileEnumerator(BitsProvider* provider, const JobHandle& job)
      : ComObject(provider, Call::FilesQueryInterface), job_(job) {}

  HRESULT Next(ULONG count, IBackgroundCopyFile** files, ULONG* fetched) override {
    if (const auto answer = BeginNext(observe(Call::FilesNext), count, files, fetched)) {
      return *answer;
    }
    const ProviderJob* job = FindJob(*provider(), job_);
    if (job == nullptr) return BG_E_INVALID_STATE;

    ULONG handedOut = 0;
    while (handedOut < count && next_ < job->files.size()) {
      files[handedOut++] = NewFile(provider(), job_, next_++);
    }
    if (fetched != nullptr) *fetched = handedOut;
    return handedOut == count ? S_OK : S_FALSE;
  }

 private:
  JobHandle job_;
  size_t next_ = 0;
};

}  // namespace

IEnumBackgroundCopyFiles* NewFileEnumerator(BitsProvider* provider, const JobHandle& job) {
  return new FileEnumerator(provider, job);
}

IBackgroundCopyFile* NewFile(BitsProvider* provider, const JobHandle& job, size_t index) {
  return new File(provider, job, index);
}
