#include "bits/job_reads.h"

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

JobFileInfo ReadFile(IBackgroundCopyFile* file) {
  JobFileInfo info;
  CoTaskMemText localName;
  CoTaskMemText remoteName;
  BG_FILE_PROGRESS progress{};
  file->GetRemoteName(remoteName.put());
  file->GetLocalName(localName.put());
  if (SUCCEEDED(file->GetProgress(&progress))) {
    info.bytesTotal = progress.BytesTotal;
    info.bytesTransferred = progress.BytesTransferred;
  }
  info.remoteName = remoteName.value_or(kUnknown);
  info.localName = localName.value_or(kUnknown);
  return info;
}

// The job's file count, as its progress reported it, sizes the list once; the service is not
// trusted with more than a modest reservation.
std::vector<JobFileInfo> ReadJobFiles(IBackgroundCopyJob* job, ULONG expectedFiles) {
  constexpr ULONG kMostReserved = 1024;
  std::vector<JobFileInfo> files;
  ComPtr<IEnumBackgroundCopyFiles> enumerator;
  if (FAILED(job->EnumFiles(enumerator.put())) || !enumerator) return files;
  files.reserve(expectedFiles < kMostReserved ? expectedFiles : kMostReserved);
  for (;;) {
    ComPtr<IBackgroundCopyFile> file;
    ULONG fetched = 0;
    // Only the answer counts, not the fetched count; a file handed back as null ends it too.
    if (enumerator->Next(1, file.put(), &fetched) != S_OK || !file) break;
    files.push_back(ReadFile(file.get()));
  }
  return files;
}

// The notify interface is only looked at, never used.
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
  CoTaskMemText program;
  if (SUCCEEDED(job2->GetNotifyCmdLine(program.put(), parameters.put()))) {
    record.notifyProgram = program.value_or(kNone);
    record.notifyArguments = parameters.value_or(kNone);
  }
  // On failure both stay empty, telling "could not be read" apart from "none set".
}

}  // namespace

JobInfo ReadJobRecord(IBackgroundCopyJob* job) {
  JobInfo record;
  GUID id{};
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
  record.id = idText.value_or(kUnknown);
  record.displayName = displayName.value_or(kUnknown);
  record.state = JobStateText(state);
  record.owner = owner.value_or(kUnknown);
  record.description = description.value_or(kNone);
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
  return record;
}

JobSummary ReadJobSummary(IBackgroundCopyJob* job) {
  JobSummary summary;
  GUID id{};
  CoTaskMemText idText;
  CoTaskMemText description;
  CoTaskMemText displayName;
  uint32_t state = kCodeNotRead;

  job->GetId(&id);
  job->GetDisplayName(displayName.put());
  job->GetDescription(description.put());
  job->GetState(CodeOut<BG_JOB_STATE>(state));
  StringFromCLSID(id, idText.put());

  summary.id = idText.value_or(kUnknown);
  summary.displayName = displayName.value_or(kUnknown);
  summary.description = description.value_or(kNone);
  summary.state = JobStateText(state);
  return summary;
}
