// Puts a known set of jobs into the BITS service that the Windows tests run against, and lists
// what it created for them (fixture_jobs_file.h). New jobs stay suspended, so nothing is fetched.
//
//   bits_fixture.exe wait           until the service answers, a bounded number of times
//   bits_fixture.exe create <file>  empties the queue, creates the jobs, writes the list
//   bits_fixture.exe remove <id>    cancels that job, as another user's program would, and waits
//                                   until the service has dropped it
#include <cstdio>
#include <string>
#include <vector>

#include "bits/com_owners.h"
#include "bits_platform.h"
#include "fixture_jobs_file.h"

namespace {

struct PlannedJob {
  const wchar_t* displayName;
  BG_JOB_TYPE type;
  const wchar_t* description;  // null: none set
  BG_JOB_PRIORITY priority;
  const wchar_t* priorityName;
  ULONG notifyFlags;
  std::vector<FixtureFile> files;
};

// Wine's service copies a file named by a local path instead of fetching it; the fixture writes one.
constexpr const wchar_t* kFixtureFolder = L"C:\\fixture";
constexpr const wchar_t* kLocalSource = L"C:\\fixture\\answers-source.txt";
// The file an upload job is to send; cancelling the job leaves it where it is, as BITS documents.
constexpr const wchar_t* kUploadSource = L"C:\\fixture\\answers-upload-cancelled.txt";

PlannedJob AnswersJob(const wchar_t* displayName, BG_JOB_TYPE type, const wchar_t* remote,
                      const wchar_t* local) {
  return {displayName, type, L"", BG_JOB_PRIORITY_NORMAL, L"Normal",
          BG_NOTIFY_JOB_TRANSFERRED | BG_NOTIFY_JOB_ERROR, {{remote, local}}};
}

// Every address is a closed port on this machine: a resumed job fails at once and reaches nothing.
// The "answers:" jobs are brought by the job-control test to the states a job can reach here and
// asked for the control methods' answers; the two "transferred" ones copy the local source.
std::vector<PlannedJob> PlannedJobs() {
  return {
      {L"Kestrelmoor fixture: nightly download",
       BG_JOB_TYPE_DOWNLOAD,
       L"Two files; BITS lists the later one first",
       BG_JOB_PRIORITY_HIGH,
       L"High",
       BG_NOTIFY_JOB_TRANSFERRED | BG_NOTIFY_JOB_ERROR,
       {{L"http://127.0.0.1:9/fixture/one.bin", L"C:\\fixture\\one.bin"},
        {L"http://127.0.0.1:9/fixture/two.bin", L"C:\\fixture\\two.bin"}}},
      {L"Kestrelmoor fixture: report upload",
       BG_JOB_TYPE_UPLOAD,
       L"One file up",
       BG_JOB_PRIORITY_LOW,
       L"Low",
       BG_NOTIFY_JOB_TRANSFERRED,
       {{L"http://127.0.0.1:9/fixture/upload/report.txt", L"C:\\fixture\\report.txt"}}},
      {L"Kestrelmoor fixture: no files",
       BG_JOB_TYPE_DOWNLOAD,
       L"",
       BG_JOB_PRIORITY_FOREGROUND,
       L"Foreground",
       BG_NOTIFY_JOB_MODIFICATION,
       {}},
      {L"Kestrelmoor fixture: no description",
       BG_JOB_TYPE_DOWNLOAD,
       nullptr,
       BG_JOB_PRIORITY_NORMAL,
       L"Normal",
       BG_NOTIFY_DISABLE,
       {{L"http://127.0.0.1:9/fixture/plain.bin", L"C:\\fixture\\plain.bin"}}},
      // Texts another user might choose: beyond Latin-1, beyond the BMP, with line breaks and TABs.
      {L"Sauvegarde \u00e9t\u00e9 \u4e2d\u6587 \U0001F4E6",
       BG_JOB_TYPE_DOWNLOAD,
       L"line one\r\nline two\tafter a TAB",
       BG_JOB_PRIORITY_HIGH,
       L"High",
       BG_NOTIFY_JOB_TRANSFERRED | BG_NOTIFY_JOB_ERROR | BG_NOTIFY_JOB_MODIFICATION,
       {{L"http://127.0.0.1:9/fixture/\u00e9t\u00e9.bin", L"C:\\fixture\\\u4e2d\u6587.bin"}}},
      {L"control: resume with files",
       BG_JOB_TYPE_DOWNLOAD,
       L"",
       BG_JOB_PRIORITY_NORMAL,
       L"Normal",
       BG_NOTIFY_JOB_TRANSFERRED | BG_NOTIFY_JOB_ERROR,
       {{L"http://127.0.0.1:9/control/resume.bin", L"C:\\fixture\\resume.bin"}}},
      {L"control: resume without files",
       BG_JOB_TYPE_DOWNLOAD,
       L"",
       BG_JOB_PRIORITY_NORMAL,
       L"Normal",
       BG_NOTIFY_JOB_TRANSFERRED | BG_NOTIFY_JOB_ERROR,
       {}},
      {L"control: suspend",
       BG_JOB_TYPE_DOWNLOAD,
       L"",
       BG_JOB_PRIORITY_NORMAL,
       L"Normal",
       BG_NOTIFY_JOB_TRANSFERRED | BG_NOTIFY_JOB_ERROR,
       {{L"http://127.0.0.1:9/control/suspend.bin", L"C:\\fixture\\suspend.bin"}}},
      {L"control: cancel",
       BG_JOB_TYPE_DOWNLOAD,
       L"",
       BG_JOB_PRIORITY_NORMAL,
       L"Normal",
       BG_NOTIFY_JOB_TRANSFERRED | BG_NOTIFY_JOB_ERROR,
       {{L"http://127.0.0.1:9/control/cancel.bin", L"C:\\fixture\\cancel.bin"}}},
      {L"control: complete",
       BG_JOB_TYPE_DOWNLOAD,
       L"",
       BG_JOB_PRIORITY_NORMAL,
       L"Normal",
       BG_NOTIFY_JOB_TRANSFERRED | BG_NOTIFY_JOB_ERROR,
       {{L"http://127.0.0.1:9/control/complete.bin", L"C:\\fixture\\complete.bin"}}},
      AnswersJob(L"answers: download", BG_JOB_TYPE_DOWNLOAD, L"http://127.0.0.1:9/answers/a.bin",
                 L"C:\\fixture\\answers-download.bin"),
      AnswersJob(L"answers: upload", BG_JOB_TYPE_UPLOAD, L"http://127.0.0.1:9/answers/b.bin",
                 L"C:\\fixture\\answers-upload.bin"),
      AnswersJob(L"answers: download cancelled", BG_JOB_TYPE_DOWNLOAD,
                 L"http://127.0.0.1:9/answers/c.bin", L"C:\\fixture\\answers-cancelled.bin"),
      AnswersJob(L"answers: upload cancelled", BG_JOB_TYPE_UPLOAD,
                 L"http://127.0.0.1:9/answers/d.bin", kUploadSource),
      AnswersJob(L"answers: download in error", BG_JOB_TYPE_DOWNLOAD,
                 L"http://127.0.0.1:9/answers/e.bin", L"C:\\fixture\\answers-error-down.bin"),
      AnswersJob(L"answers: upload in error", BG_JOB_TYPE_UPLOAD,
                 L"http://127.0.0.1:9/answers/f.bin", L"C:\\fixture\\answers-error-up.bin"),
      AnswersJob(L"answers: download transferred", BG_JOB_TYPE_DOWNLOAD, kLocalSource,
                 L"C:\\fixture\\answers-transferred-down.txt"),
      AnswersJob(L"answers: upload transferred", BG_JOB_TYPE_UPLOAD, kLocalSource,
                 L"C:\\fixture\\answers-transferred-up.txt"),
      {L"control: removed by another process",
       BG_JOB_TYPE_DOWNLOAD,
       L"",
       BG_JOB_PRIORITY_NORMAL,
       L"Normal",
       BG_NOTIFY_JOB_TRANSFERRED | BG_NOTIFY_JOB_ERROR,
       {{L"http://127.0.0.1:9/control/removed.bin", L"C:\\fixture\\removed.bin"}}},
  };
}

// The files the "answers:" jobs copy and send. The folder also receives what Complete saves.
bool WriteLocalSources() {
  CreateDirectoryW(kFixtureFolder, nullptr);
  for (const wchar_t* path : {kLocalSource, kUploadSource}) {
    FILE* file = _wfopen(path, L"wb");
    if (file == nullptr) return false;
    const bool written = std::fputs("Kestrelmoor fixture file\n", file) >= 0;
    if (std::fclose(file) != 0 || !written) return false;
  }
  return true;
}

// The service answers only once Wine has started it, which can take a while after wineboot; the
// very first connection is sometimes refused. A refused attempt may itself take seconds.
ComPtr<IBackgroundCopyManager> ConnectWithRetries() {
  const ULONGLONG deadline = GetTickCount64() + 120 * 1000;
  for (int attempt = 1;; ++attempt) {
    ComPtr<IUnknown> unknown;
    HRESULT hr = CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_IUnknown, unknown.put_void());
    ComPtr<IBackgroundCopyManager> manager;
    if (SUCCEEDED(hr)) hr = unknown->QueryInterface(IID_IBackgroundCopyManager, manager.put_void());
    ComPtr<IEnumBackgroundCopyJobs> jobs;
    if (SUCCEEDED(hr)) hr = manager->EnumJobs(BG_JOB_ENUM_ALL_USERS, jobs.put());
    if (SUCCEEDED(hr) && jobs) {
      std::printf("BITS answered at attempt %d\n", attempt);
      return manager;
    }
    std::printf("BITS not answering yet (attempt %d, 0x%08lx)\n", attempt,
                static_cast<unsigned long>(hr));
    std::fflush(stdout);
    if (GetTickCount64() >= deadline) return ComPtr<IBackgroundCopyManager>();
    Sleep(500);
  }
}

int CountJobs(IBackgroundCopyManager* manager, bool cancelThem) {
  ComPtr<IEnumBackgroundCopyJobs> jobs;
  if (FAILED(manager->EnumJobs(BG_JOB_ENUM_ALL_USERS, jobs.put())) || !jobs) return -1;
  int count = 0;
  for (;;) {
    ComPtr<IBackgroundCopyJob> job;
    ULONG fetched = 0;
    if (jobs->Next(1, job.put(), &fetched) != S_OK || fetched != 1) break;
    ++count;
    BG_JOB_STATE state = BG_JOB_STATE_QUEUED;
    job->GetState(&state);
    if (cancelThem && state != BG_JOB_STATE_CANCELLED && state != BG_JOB_STATE_ACKNOWLEDGED) {
      job->Cancel();
    }
  }
  return count;
}

// Jobs of an earlier run would make "exactly these jobs" untrue. Wine's service drops cancelled
// jobs from its queue only when its transfer thread next runs, which only a resumed job starts;
// a fresh wineserver (wine-start.sh starts one) has an empty queue.
bool EmptyTheQueue(IBackgroundCopyManager* manager) {
  CountJobs(manager, true);
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (CountJobs(manager, false) == 0) return true;
    Sleep(500);
  }
  std::printf("the queue still holds jobs of an earlier run: restart the wineserver first\n");
  return false;
}

bool CreatePlannedJob(IBackgroundCopyManager* manager, const PlannedJob& plan,
                      FixtureJob& created) {
  GUID id{};
  ComPtr<IBackgroundCopyJob> job;
  HRESULT hr = manager->CreateJob(plan.displayName, plan.type, &id, job.put());
  if (FAILED(hr) || !job) {
    std::printf("CreateJob failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    return false;
  }
  CoTaskMemText idText;
  StringFromCLSID(id, idText.put());
  created.id = idText.value_or(WideText());
  created.displayName = plan.displayName;
  created.upload = plan.type != BG_JOB_TYPE_DOWNLOAD;
  created.priorityAsked = plan.priorityName;
  created.notifyFlags = plan.notifyFlags;

  struct Step {
    const char* name;
    HRESULT result;
  };
  std::vector<Step> steps;
  if (plan.description != nullptr) {
    steps.push_back({"SetDescription", job->SetDescription(plan.description)});
    created.description = WideText(plan.description);
  }
  steps.push_back({"SetPriority", job->SetPriority(plan.priority)});
  steps.push_back({"SetNotifyFlags", job->SetNotifyFlags(plan.notifyFlags)});
  for (const FixtureFile& file : plan.files) {
    steps.push_back({"AddFile", job->AddFile(file.remoteName.c_str(), file.localName.c_str())});
    created.files.push_back(file);
  }
  for (const Step& step : steps) {
    if (FAILED(step.result)) {
      std::printf("%s failed: 0x%08lx\n", step.name, static_cast<unsigned long>(step.result));
      return false;
    }
  }
  return !created.id.empty();
}

bool WriteList(const wchar_t* path, const std::string& text) {
  FILE* file = _wfopen(path, L"wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

int Create(IBackgroundCopyManager* manager, const wchar_t* path) {
  if (!EmptyTheQueue(manager)) return 1;
  if (!WriteLocalSources()) {
    std::printf("cannot write the files the answers jobs copy\n");
    return 1;
  }
  std::vector<FixtureJob> created;
  for (const PlannedJob& plan : PlannedJobs()) {
    FixtureJob job;
    if (!CreatePlannedJob(manager, plan, job)) return 1;
    created.push_back(job);
  }
  const std::string list = FormatFixtureJobs(created);
  if (!WriteList(path, list)) {
    std::printf("cannot write the list of jobs\n");
    return 1;
  }
  std::printf("created %zu jobs:\n%s", created.size(), list.c_str());
  return 0;
}

// Wine's service drops a cancelled job from its queue only when its transfer thread next runs,
// and only a resumed job starts that thread: a job of one file is made and resumed for it (its
// address is a closed port, so it fails at once), then cancelled in its turn.
bool WakeTheTransferThread(IBackgroundCopyManager* manager) {
  GUID id{};
  ComPtr<IBackgroundCopyJob> job;
  HRESULT hr = manager->CreateJob(L"Kestrelmoor fixture: wakes the transfer thread",
                                  BG_JOB_TYPE_DOWNLOAD, &id, job.put());
  if (SUCCEEDED(hr) && job) {
    hr = job->AddFile(L"http://127.0.0.1:9/fixture/wake.bin", L"C:\\fixture\\wake.bin");
  }
  if (SUCCEEDED(hr) && job) hr = job->Resume();
  if (FAILED(hr) || !job) {
    std::printf("the transfer thread cannot be woken: 0x%08lx\n", static_cast<unsigned long>(hr));
    return false;
  }
  Sleep(500);
  job->Cancel();
  return true;
}

int Remove(IBackgroundCopyManager* manager, const wchar_t* idText) {
  GUID id{};
  if (FAILED(IIDFromString(idText, &id))) {
    std::printf("not a job identifier: %ls\n", idText);
    return 2;
  }
  ComPtr<IBackgroundCopyJob> job;
  HRESULT hr = manager->GetJob(id, job.put());
  if (SUCCEEDED(hr) && job) hr = job->Cancel();
  job.reset();
  if (FAILED(hr)) {
    std::printf("the job cannot be cancelled: 0x%08lx\n", static_cast<unsigned long>(hr));
    return 1;
  }
  if (!WakeTheTransferThread(manager)) return 1;
  for (int attempt = 0; attempt < 60; ++attempt) {
    ComPtr<IBackgroundCopyJob> still;
    if (manager->GetJob(id, still.put()) == static_cast<HRESULT>(BG_E_NOT_FOUND)) {
      std::printf("removed %ls\n", idText);
      return 0;
    }
    Sleep(500);
  }
  std::printf("the service still holds the cancelled job %ls\n", idText);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode != L"wait" && !((mode == L"create" || mode == L"remove") && argc > 2)) {
    std::printf("usage: bits_fixture wait | create <file> | remove <id>\n");
    return 2;
  }
  ComApartment apartment;
  if (!apartment.initialised()) return 1;
  ComPtr<IBackgroundCopyManager> manager = ConnectWithRetries();
  if (!manager) return 1;
  if (mode == L"wait") return 0;
  if (mode == L"remove") return Remove(manager.get(), argv[2]);
  return Create(manager.get(), argv[2]);
}
