#include "reliability_queue.h"

#include <string>

namespace {

WideText Text(const std::string& ascii) {
  WideText text;
  for (char c : ascii) text += static_cast<WCHAR>(c);
  return text;
}

ProviderFile File(uint32_t serial, int index, UINT64 total, UINT64 transferred) {
  const std::string name = std::to_string(serial) + "-" + std::to_string(index) + ".bin";
  ProviderFile file;
  file.remoteName = Text("https://downloads.example/" + name);
  file.localName = Text("C:\\Data\\" + name);
  file.progress = BG_FILE_PROGRESS{total, transferred, transferred == total};
  return file;
}

}  // namespace

FILETIME FileTimeOf(uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

ProviderJob ReliabilityJob(uint32_t serial) {
  ProviderJob job;
  job.id = GUID{serial, 0x7E57, 0x4A11, {0xB0, 0x0B, 0x5E, 0xED, 0x00, 0x00, 0x00, 0x01}};
  const std::string number = std::to_string(serial);
  job.displayName = Text("Job " + number);
  job.owner = Text("S-1-5-21-1000-" + number);
  job.description = Text("Description of job " + number);
  job.errorCount = serial % 7;
  job.minimumRetryDelay = 600 + serial;
  job.noProgressTimeout = 1209600 + serial;
  job.notifyFlags = 3;
  job.state = static_cast<BG_JOB_STATE>(serial % 9);
  job.type = static_cast<BG_JOB_TYPE>(serial % 3);
  job.priority = static_cast<BG_JOB_PRIORITY>(serial % 4);
  // 5 March 2024 and a little later, a second apart from job to job.
  const uint64_t created = 133540000000000000ull + uint64_t(serial) * 10000000u;
  job.times = BG_JOB_TIMES{FileTimeOf(created), FileTimeOf(created + 600000000ull), FileTimeOf(0)};
  job.files.push_back(File(serial, 1, 1000 + serial, 500));
  job.progress = BG_JOB_PROGRESS{1000 + serial, 500, 1, 0};
  return job;
}

WideText ReliabilityJobId(uint32_t serial) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string data1;
  for (int shift = 28; shift >= 0; shift -= 4) data1 += kHex[(serial >> shift) & 0xF];
  return Text("{" + data1 + "-7E57-4A11-B00B-5EED00000001}");
}

std::vector<ProviderJob> MatrixSnapshotQueue() {
  ProviderJob first = ReliabilityJob(1);
  first.hasNotifyInterface = true;
  first.notifyProgram = Text("C:\\Tools\\notify.exe");
  first.notifyArguments = Text("--job 1");
  first.files.push_back(File(1, 2, BG_SIZE_UNKNOWN, 0));
  first.files.push_back(File(1, 3, 10, 10));

  ProviderJob second = ReliabilityJob(2);
  second.offersJob2 = false;
  second.description.reset();
  second.files[0].remoteName.reset();

  ProviderJob third = ReliabilityJob(3);
  third.notifyArguments = Text("");
  third.owner = Text("");
  third.files.clear();
  third.progress = BG_JOB_PROGRESS{0, 0, 0, 0};
  return {first, second, third};
}

std::vector<ProviderJob> MatrixListQueue() {
  std::vector<ProviderJob> jobs = MatrixSnapshotQueue();
  for (uint32_t serial = 4; serial <= 67; ++serial) jobs.push_back(ReliabilityJob(serial));
  jobs.back().displayName.reset();
  return jobs;
}

std::vector<ProviderJob> MatrixControlQueue() {
  std::vector<ProviderJob> jobs = {ReliabilityJob(11), ReliabilityJob(12), ReliabilityJob(13)};
  for (ProviderJob& job : jobs) job.state = BG_JOB_STATE_QUEUED;
  // Neither suspended nor queued, with a file left to transfer: every method visibly changes it.
  jobs[kMatrixTarget].state = BG_JOB_STATE_TRANSIENT_ERROR;
  return jobs;
}

WideText MatrixTargetId() { return ReliabilityJobId(12); }

std::vector<ProviderJob> ManyJobs(size_t count) {
  std::vector<ProviderJob> jobs;
  jobs.reserve(count);
  for (size_t i = 1; i <= count; ++i) jobs.push_back(ReliabilityJob(static_cast<uint32_t>(i)));
  return jobs;
}
