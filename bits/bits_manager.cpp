#include "bits/bits_manager.h"

ComPtr<IBackgroundCopyManager> CreateBitsManager() {
  ComPtr<IBackgroundCopyManager> manager;
  ComPtr<IUnknown> service;
  if (FAILED(CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                              IID_IUnknown, service.put_void())) ||
      !service) {
    return manager;
  }
  if (SUCCEEDED(OleRun(service.get()))) {
    if (FAILED(service->QueryInterface(IID_IBackgroundCopyManager, manager.put_void()))) {
      manager.reset();
    }
  }
  return manager;
}

ComPtr<IEnumBackgroundCopyJobs> EnumerateAllUsersJobs(IBackgroundCopyManager* manager) {
  ComPtr<IEnumBackgroundCopyJobs> jobs;
  if (manager == nullptr) return jobs;
  // Only the flag for all users: the program runs elevated to see every user's jobs.
  if (FAILED(manager->EnumJobs(BG_JOB_ENUM_ALL_USERS, jobs.put()))) jobs.reset();
  return jobs;
}

namespace {

// Whether `id` is the text StringFromCLSID writes for a GUID, and that GUID.
bool ReadIdentifierText(const WideText& id, GUID& guid) {
  CoTaskMemText written;
  // IIDFromString only parses; CLSIDFromString would also look a ProgID up in the registry.
  if (FAILED(IIDFromString(id.c_str(), &guid))) return false;
  StringFromCLSID(guid, written.put());
  return written.present() && WideText(written.get()) == id;
}

// The job whose identifier text is `id`, found by walking every user's jobs and comparing the
// text StringFromCLSID writes for each; a job whose identifier cannot be read matches nothing.
ComPtr<IBackgroundCopyJob> WalkToJob(IBackgroundCopyManager* manager, const WideText& id) {
  ComPtr<IEnumBackgroundCopyJobs> jobs = EnumerateAllUsersJobs(manager);
  if (!jobs) return {};
  for (;;) {
    ComPtr<IBackgroundCopyJob> job;
    ULONG fetched = 0;
    if (jobs->Next(1, job.put(), &fetched) != S_OK || !job) return {};
    GUID guid{};
    CoTaskMemText text;
    if (FAILED(job->GetId(&guid))) continue;
    StringFromCLSID(guid, text.put());
    if (text.present() && WideText(text.get()) == id) return job;
  }
}

}  // namespace

FoundJob FindJobById(const WideText& id) {
  FoundJob found;
  GUID guid{};
  if (!ReadIdentifierText(id, guid)) return found;
  found.manager = CreateBitsManager();
  if (!found.manager) return found;
  const HRESULT answer = found.manager->GetJob(guid, found.job.put());
  if (SUCCEEDED(answer)) return found;
  found.job.reset();
  // GetJob refuses some jobs that the walk of all users still hands out (one created at a higher
  // integrity level answers E_ACCESSDENIED, for one); only "not found" is taken at its word.
  if (answer != static_cast<HRESULT>(BG_E_NOT_FOUND)) {
    found.job = WalkToJob(found.manager.get(), id);
  }
  return found;
}
