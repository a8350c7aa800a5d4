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

}  // namespace

FoundJob FindJobById(const WideText& id) {
  FoundJob found;
  GUID guid{};
  if (!ReadIdentifierText(id, guid)) return found;
  found.manager = CreateBitsManager();
  if (found.manager && FAILED(found.manager->GetJob(guid, found.job.put()))) found.job.reset();
  return found;
}
