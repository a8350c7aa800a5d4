// Reads every job of every user, with its files, into plain records. Every read is allowed to fail:
// the job is still listed with the value set before the read or a fallback text. The owners of
// bits/com_owners.h are declared so that strings are freed before the interface that handed them
// out is released, interfaces before COM is uninitialised.
#include "bits/job_snapshot.h"

#include <utility>

#include "bits/bits_manager.h"
#include "bits/com_owners.h"
#include "bits/job_texts.h"

namespace {

const WCHAR kUnknown[] = WIDE_TEXT("Unknown");
const WCHAR kNone[] = WIDE_TEXT("None");

// Left in place when the state or priority cannot be read: no BITS code is this large, so both map
// to "Unknown".
constexpr uint32_t kCodeNotRead = 0xFFFF;

// Where the service writes one of its codes: straight into a plain number. The SDK's code enums have
// no fixed underlying type, so they may not hold a value outside their names, and another process
// may send any; only the service writes through the enum's type, the program reads the number.
template <class Code>
Code* CodeOut(uint32_t& code) {
  static_assert(sizeof(Code) == sizeof(uint32_t), "BITS codes are 32 bits wide");
  return reinterpret_cast<Code*>(&code);
}

// A text BITS handed out, or the fallback when it handed out none; an empty text stays empty.
WideText TextOr(const CoTaskMemText& text, const WCHAR* fallback) {
  if (!text.present()) return WideText(fallback);
  return WideText(text.get());
}

void ReadFile(IBackgroundCopyFile* file, JobFileInfo& info) {
  CoTaskMemText localName;
  CoTaskMemText remoteName;  // declared last, freed first
  BG_FILE_PROGRESS progress{};
  file->GetRemoteName(remoteName.put());
  file->GetLocalName(localName.put());
  if (SUCCEEDED(file->GetProgress(&progress))) {
    info.bytesTotal = progress.BytesTotal;
    info.bytesTransferred = progress.BytesTransferred;
  }
  info.remoteName = TextOr(remoteName, kUnknown);
  info.localName = TextOr(localName, kUnknown);
}

void ReadAllFiles(IBackgroundCopyJob* job, std::vector<JobFileInfo>& result) {
  ComPtr<IEnumBackgroundCopyFiles> enumerator;
  if (FAILED(job->EnumFiles(enumerator.put())) || !enumerator) return;
  for (;;) {
    ComPtr<IBackgroundCopyFile> file;
    ULONG fetched = 0;
    // Only the answer counts, not the fetched count; a file handed back as null ends it too.
    if (enumerator->Next(1, file.put(), &fetched) != S_OK || !file) break;
    result.emplace_back();
    try {
      ReadFile(file.get(), result.back());
    } catch (...) {
      result.pop_back();  // only whole records are listed
      throw;
    }
  }
}

// The job's file count, as its progress reported it, sizes the list once; the service is not
// trusted with more than a modest reservation.
std::vector<JobFileInfo> ReadJobFiles(IBackgroundCopyJob* job, ULONG expectedFiles) {
  constexpr ULONG kMostReserved = 1024;
  std::vector<JobFileInfo> files;
  if (job == nullptr) return files;
  try {
    files.reserve(expectedFiles < kMostReserved ? expectedFiles : kMostReserved);
    ReadAllFiles(job, files);
  } catch (...) {
    // Out of memory part-way: the files read so far stay.
  }
  return files;
}

// The notify interface is only looked at, never used: it is released at once.
bool HasNotifyInterface(IBackgroundCopyJob* job) {
  ComPtr<IUnknown> notify;
  return SUCCEEDED(job->GetNotifyInterface(notify.put())) && notify;
}

// The command line lives on IBackgroundCopyJob2, which older services do not offer.
void ReadNotifyCommandLine(IBackgroundCopyJob* job, JobInfo& record) {
  ComPtr<IBackgroundCopyJob2> job2;
  if (FAILED(job->QueryInterface(IID_IBackgroundCopyJob2, job2.put_void())) || !job2) {
    record.notifyProgram = kNone;
    record.notifyArguments = kNone;
    return;
  }
  CoTaskMemText parameters;
  CoTaskMemText program;  // declared last, freed first
  if (SUCCEEDED(job2->GetNotifyCmdLine(program.put(), parameters.put()))) {
    record.notifyProgram = TextOr(program, kNone);
    record.notifyArguments = TextOr(parameters, kNone);
  }
  // On failure both stay empty, telling "could not be read" apart from "none set".
}

// Fills `record`, a new record already in the result, so no record is moved afterwards.
void ReadJob(IBackgroundCopyJob* job, JobInfo& record) {
  GUID id{};
  // Freed in the reverse order: display name, owner, description, identifier.
  CoTaskMemText idText;
  CoTaskMemText description;
  CoTaskMemText owner;
  CoTaskMemText displayName;
  ULONG errorCount = 0;
  ULONG minimumRetryDelay = 0;
  ULONG noProgressTimeout = 0;
  ULONG notifyFlags = 0;
  uint32_t state = kCodeNotRead;
  uint32_t type = BG_JOB_TYPE_DOWNLOAD;
  BG_JOB_PROGRESS progress{};
  uint32_t priority = kCodeNotRead;
  BG_JOB_TIMES times{};

  job->GetId(&id);
  job->GetDisplayName(displayName.put());
  job->GetOwner(owner.put());
  job->GetDescription(description.put());
  job->GetErrorCount(&errorCount);
  job->GetMinimumRetryDelay(&minimumRetryDelay);
  job->GetNoProgressTimeout(&noProgressTimeout);
  job->GetNotifyFlags(&notifyFlags);
  job->GetState(CodeOut<BG_JOB_STATE>(state));
  job->GetType(CodeOut<BG_JOB_TYPE>(type));
  job->GetProgress(&progress);
  job->GetPriority(CodeOut<BG_JOB_PRIORITY>(priority));
  job->GetTimes(&times);
  StringFromCLSID(id, idText.put());

  record.hasNotifyInterface = HasNotifyInterface(job);
  record.id = TextOr(idText, kUnknown);
  record.displayName = TextOr(displayName, kUnknown);
  record.state = JobStateText(state);
  record.owner = TextOr(owner, kUnknown);
  record.description = TextOr(description, kNone);
  record.type = JobTypeText(type);
  record.priority = JobPriorityText(priority);
  record.bytesTotal = progress.BytesTotal;
  record.bytesTransferred = progress.BytesTransferred;
  record.filesTotal = progress.FilesTotal;
  record.filesTransferred = progress.FilesTransferred;
  record.created = JobTimeText(times.CreationTime);
  record.modified = JobTimeText(times.ModificationTime);
  record.completed = JobTimeText(times.TransferCompletionTime);
  record.errorCount = errorCount;
  record.noProgressTimeout = noProgressTimeout;
  record.notifyFlags = notifyFlags;
  record.minimumRetryDelay = minimumRetryDelay;
  ReadNotifyCommandLine(job, record);
  record.files = ReadJobFiles(job, progress.FilesTotal);
}

void ReadAllJobs(std::vector<JobInfo>& result) {
  ComApartment apartment;
  if (!apartment.initialised()) return;
  ComPtr<IBackgroundCopyManager> manager = CreateBitsManager();
  if (!manager) return;
  ComPtr<IEnumBackgroundCopyJobs> enumerator = EnumerateAllUsersJobs(manager.get());
  if (!enumerator) return;
  for (;;) {
    ComPtr<IBackgroundCopyJob> job;
    ULONG fetched = 0;
    if (enumerator->Next(1, job.put(), &fetched) != S_OK || fetched != 1 || !job) break;
    result.emplace_back();
    try {
      ReadJob(job.get(), result.back());
    } catch (...) {
      result.pop_back();  // only whole records are listed
      throw;
    }
  }
}


}  // namespace

std::vector<JobInfo> EnumerateJobs() {
  std::vector<JobInfo> jobs;
  try {
    ReadAllJobs(jobs);
  } catch (...) {
    // Out of memory part-way: the owners have given everything back; what was read stays.
  }
  return jobs;
}

std::vector<JobFileInfo> EnumerateJobFiles(IBackgroundCopyJob* job) { return ReadJobFiles(job, 0); }
