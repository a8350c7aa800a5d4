// What a snapshot holds for each job and file, what the list fill and a command's read of one job
// hold, and how each talks to the service.
#include <string>
#include <vector>

#include "bits/job_snapshot.h"
#include "catalogue_fixture.h"

namespace {

using Snapshot = CatalogueTest;

FILETIME FileTimeOf(uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

TEST_F(Snapshot, EmptyQueueGivesNothingAndUninitialisesOnce) {
  EXPECT_TRUE(EnumerateJobs().empty());
  EXPECT_EQ(Uses("CoInitializeEx"), 1u);
  EXPECT_EQ(Uses("CoUninitialize"), 1u);
  ExpectAllGivenBack();
}

TEST_F(Snapshot, CarriesEveryFieldOfAJob) {
  ProviderJob job = PlainJob(7);
  job.displayName = WideText(WIDE_TEXT("Mise \u00e0 jour \u4e2d"));
  job.owner = WideText(WIDE_TEXT("S-1-5-21-9-8-7-1104"));
  job.description = WideText(WIDE_TEXT("first line\nsecond line"));
  job.state = BG_JOB_STATE_TRANSIENT_ERROR;
  job.type = BG_JOB_TYPE_UPLOAD;
  job.priority = BG_JOB_PRIORITY_LOW;
  job.errorCount = 4;
  job.minimumRetryDelay = 120;
  job.noProgressTimeout = 3600;
  job.notifyFlags = 0x0B;
  job.progress = BG_JOB_PROGRESS{5000000000ull, 4000000000ull, 3, 2};
  job.times = {FileTimeOf(0x01DA6ECBE11C5DC0ull), FileTimeOf(0x01BF82AC81016000ull), {0, 0}};
  job.notifyProgram = WideText(WIDE_TEXT("C:\\notify.exe"));
  job.notifyArguments = WideText(WIDE_TEXT("notify.exe --job 7"));
  provider.jobs.push_back(job);

  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 1u);
  const JobInfo& info = jobs[0];
  EXPECT_EQ(info.id, PlainJobId(7));
  EXPECT_EQ(info.id.size(), 38u);
  EXPECT_EQ(info.displayName, WIDE_TEXT("Mise \u00e0 jour \u4e2d"));
  EXPECT_EQ(info.state, WIDE_TEXT("Transient Error"));
  EXPECT_EQ(info.owner, WIDE_TEXT("S-1-5-21-9-8-7-1104"));
  EXPECT_EQ(info.description, WIDE_TEXT("first line\nsecond line"));
  EXPECT_EQ(info.type, WIDE_TEXT("Upload"));
  EXPECT_EQ(info.priority, WIDE_TEXT("Low"));
  EXPECT_EQ(info.notifyProgram, WIDE_TEXT("C:\\notify.exe"));
  EXPECT_EQ(info.notifyArguments, WIDE_TEXT("notify.exe --job 7"));
  EXPECT_EQ(info.bytesTotal, 5000000000ull);
  EXPECT_EQ(info.bytesTransferred, 4000000000ull);
  EXPECT_EQ(info.filesTotal, 3u);
  EXPECT_EQ(info.filesTransferred, 2u);
  EXPECT_EQ(info.created, WIDE_TEXT("2024-03-05 07:08:09"));
  EXPECT_EQ(info.modified, WIDE_TEXT("2000-02-29 12:00:00"));
  EXPECT_EQ(info.completed, WIDE_TEXT("N/A"));
  EXPECT_EQ(info.errorCount, 4u);
  EXPECT_EQ(info.noProgressTimeout, 3600u);
  EXPECT_EQ(info.notifyFlags, 0x0Bu);
  EXPECT_FALSE(info.hasNotifyInterface);
  EXPECT_EQ(info.minimumRetryDelay, 120u);
  ExpectAllGivenBack();
}

TEST_F(Snapshot, KeepsTheEnumeratorsOrderOfJobsAndFiles) {
  for (uint8_t n : {3, 1, 2}) provider.jobs.push_back(PlainJob(n));
  provider.jobs[1].files = {
      PlainFile(WIDE_TEXT("https://x.test/z"), WIDE_TEXT("C:\\z"), 1, 1),
      PlainFile(WIDE_TEXT("https://x.test/a"), WIDE_TEXT("C:\\a"), 20, 5),
      PlainFile(WIDE_TEXT("https://x.test/m"), WIDE_TEXT("C:\\m"), 300, 0),
  };
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[0].id, PlainJobId(3));
  EXPECT_EQ(jobs[1].id, PlainJobId(1));
  EXPECT_EQ(jobs[2].id, PlainJobId(2));
  ASSERT_EQ(jobs[1].files.size(), 3u);
  EXPECT_EQ(jobs[1].files[0].remoteName, WIDE_TEXT("https://x.test/z"));
  EXPECT_EQ(jobs[1].files[1].localName, WIDE_TEXT("C:\\a"));
  EXPECT_EQ(jobs[1].files[1].bytesTotal, 20u);
  EXPECT_EQ(jobs[1].files[1].bytesTransferred, 5u);
  EXPECT_EQ(jobs[1].files[2].remoteName, WIDE_TEXT("https://x.test/m"));
  ExpectAllGivenBack();
}

TEST_F(Snapshot, MissingTextsTakeTheirFallbacksButEmptyTextsStayEmpty) {
  ProviderJob missing = PlainJob(1);
  missing.displayName.reset();
  missing.owner.reset();
  missing.description.reset();
  missing.files = {ProviderFile{}};
  ProviderJob empty = PlainJob(2);
  empty.displayName = WideText();
  empty.owner = WideText();
  empty.description = WideText();
  provider.jobs = {missing, empty};

  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].displayName, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].owner, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].description, WIDE_TEXT("None"));
  ASSERT_EQ(jobs[0].files.size(), 1u);
  EXPECT_EQ(jobs[0].files[0].remoteName, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].files[0].localName, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[1].displayName, WideText());
  EXPECT_EQ(jobs[1].owner, WideText());
  EXPECT_EQ(jobs[1].description, WideText());
  ExpectAllGivenBack();
}

TEST_F(Snapshot, NotifyCommandLineFallbacks) {
  ProviderJob noJob2 = PlainJob(1);
  noJob2.offersJob2 = false;
  noJob2.notifyProgram = WideText(WIDE_TEXT("C:\\never-read.exe"));
  ProviderJob failing = PlainJob(2);
  failing.notifyCmdLineFails = true;
  failing.notifyProgram = WideText(WIDE_TEXT("C:\\never-read.exe"));
  ProviderJob noProgram = PlainJob(3);
  noProgram.notifyArguments = WideText(WIDE_TEXT("--only-arguments"));
  ProviderJob emptyProgram = PlainJob(4);
  emptyProgram.notifyProgram = WideText();
  provider.jobs = {noJob2, failing, noProgram, emptyProgram};

  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 4u);
  EXPECT_EQ(jobs[0].notifyProgram, WIDE_TEXT("None"));
  EXPECT_EQ(jobs[0].notifyArguments, WIDE_TEXT("None"));
  EXPECT_EQ(jobs[1].notifyProgram, WideText());
  EXPECT_EQ(jobs[1].notifyArguments, WideText());
  EXPECT_EQ(jobs[2].notifyProgram, WIDE_TEXT("None"));
  EXPECT_EQ(jobs[2].notifyArguments, WIDE_TEXT("--only-arguments"));
  EXPECT_EQ(jobs[3].notifyProgram, WideText());
  EXPECT_EQ(jobs[3].notifyArguments, WIDE_TEXT("None"));
  EXPECT_EQ(Uses("IBackgroundCopyJob2::GetNotifyCmdLine"), 3u);
  EXPECT_EQ(Uses("IBackgroundCopyJob2::Release"), 3u);
  ExpectAllGivenBack();
}

TEST_F(Snapshot, UploadReplyIsAnUpload) {
  provider.jobs = {PlainJob(1)};
  provider.jobs[0].type = BG_JOB_TYPE_UPLOAD_REPLY;
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].type, WIDE_TEXT("Upload"));
}

TEST_F(Snapshot, UnknownSizeKeepsAllBitsSet) {
  provider.jobs = {PlainJob(1)};
  provider.jobs[0].progress.BytesTotal = BG_SIZE_UNKNOWN;
  provider.jobs[0].files[0].progress.BytesTotal = BG_SIZE_UNKNOWN;
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].bytesTotal, UINT64_MAX);
  EXPECT_EQ(jobs[0].files[0].bytesTotal, UINT64_MAX);
}

TEST_F(Snapshot, OutOfRangeCodesAndUnconvertibleTimes) {
  provider.jobs = {PlainJob(1)};
  provider.jobs[0].state = static_cast<BG_JOB_STATE>(9);
  provider.jobs[0].priority = static_cast<BG_JOB_PRIORITY>(4);
  provider.jobs[0].times = {FILETIME{0, 0x80000000u}, FILETIME{1, 0}, FILETIME{0, 0}};
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].state, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].priority, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].created, WIDE_TEXT("Unknown"));
  EXPECT_EQ(jobs[0].modified, WIDE_TEXT("1601-01-01 00:00:00"));
  EXPECT_EQ(jobs[0].completed, WIDE_TEXT("N/A"));
}

TEST_F(Snapshot, NotifyInterfaceIsSeenAndReleasedAtOnce) {
  provider.jobs = {PlainJob(1), PlainJob(2)};
  provider.jobs[0].hasNotifyInterface = true;
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_TRUE(jobs[0].hasNotifyInterface);
  EXPECT_FALSE(jobs[1].hasNotifyInterface);
  EXPECT_EQ(Uses("IBackgroundCopyCallback::Release"), 1u);
  ExpectAllGivenBack();
}

TEST_F(Snapshot, ListsTheJobsOfEveryUser) {
  const WideText owners[] = {provider.callerOwner, WIDE_TEXT("S-1-5-18"),
                             WIDE_TEXT("S-1-5-21-5-5-5-1200")};
  for (uint8_t n = 0; n < 3; ++n) {
    provider.jobs.push_back(PlainJob(n));
    provider.jobs.back().owner = owners[n];
  }
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[1].owner, WIDE_TEXT("S-1-5-18"));
  EXPECT_EQ(jobs[2].owner, WIDE_TEXT("S-1-5-21-5-5-5-1200"));
}

TEST_F(Snapshot, GoesOnWhenTheThreadIsAlreadyInitialised) {
  provider.jobs = {PlainJob(1)};
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  EXPECT_EQ(EnumerateJobs().size(), 1u);
  EXPECT_EQ(probe.comInitDepth(), 1);
  CoUninitialize();
  ExpectAllGivenBack();
}

TEST_F(Snapshot, CallsTheServiceInTheDocumentedOrder) {
  provider.jobs = {PlainJob(1)};
  provider.jobs[0].hasNotifyInterface = true;
  provider.jobs[0].notifyProgram = WideText(WIDE_TEXT("C:\\n.exe"));
  provider.jobs[0].notifyArguments = WideText(WIDE_TEXT("n.exe 1"));
  EXPECT_EQ(EnumerateJobs().size(), 1u);

  const std::vector<std::string> expected = {
      "CoInitializeEx",
      "CoCreateInstance",
      "OleRun",
      "IUnknown::QueryInterface",
      "IUnknown::Release",
      "IBackgroundCopyManager::EnumJobs",
      "IEnumBackgroundCopyJobs::Next",
      "IBackgroundCopyJob::GetId",
      "IBackgroundCopyJob::GetDisplayName",
      "IBackgroundCopyJob::GetOwner",
      "IBackgroundCopyJob::GetDescription",
      "IBackgroundCopyJob::GetErrorCount",
      "IBackgroundCopyJob::GetMinimumRetryDelay",
      "IBackgroundCopyJob::GetNoProgressTimeout",
      "IBackgroundCopyJob::GetNotifyFlags",
      "IBackgroundCopyJob::GetState",
      "IBackgroundCopyJob::GetType",
      "IBackgroundCopyJob::GetProgress",
      "IBackgroundCopyJob::GetPriority",
      "IBackgroundCopyJob::GetTimes",
      "StringFromCLSID",
      "IBackgroundCopyJob::GetNotifyInterface",
      "IBackgroundCopyCallback::Release",
      "IBackgroundCopyJob::QueryInterface",
      "IBackgroundCopyJob2::GetNotifyCmdLine",
      "CoTaskMemFree",  // program
      "CoTaskMemFree",  // parameters
      "IBackgroundCopyJob2::Release",
      "IBackgroundCopyJob::EnumFiles",
      "IEnumBackgroundCopyFiles::Next",
      "IBackgroundCopyFile::GetRemoteName",
      "IBackgroundCopyFile::GetLocalName",
      "IBackgroundCopyFile::GetProgress",
      "CoTaskMemFree",  // remote name
      "CoTaskMemFree",  // local name
      "IBackgroundCopyFile::Release",
      "IEnumBackgroundCopyFiles::Next",
      "IEnumBackgroundCopyFiles::Release",
      "CoTaskMemFree",  // display name
      "CoTaskMemFree",  // owner
      "CoTaskMemFree",  // description
      "CoTaskMemFree",  // identifier
      "IBackgroundCopyJob::Release",
      "IEnumBackgroundCopyJobs::Next",
      "IEnumBackgroundCopyJobs::Release",
      "IBackgroundCopyManager::Release",
      "CoUninitialize",
  };
  EXPECT_EQ(probe.calls, expected);
  ExpectAllGivenBack();
}

TEST_F(Snapshot, FreesEachStringItWasHandedOnce) {
  for (uint8_t n = 0; n < 20; ++n) {
    provider.jobs.push_back(PlainJob(n));
    provider.jobs.back().files.push_back(provider.jobs.back().files[0]);
  }
  EXPECT_EQ(EnumerateJobs().size(), 20u);
  EXPECT_EQ(Uses("CoTaskMemFree"), 20u * (4 + 2 * 2));
  ExpectAllGivenBack();
}

TEST_F(Snapshot, ListFillReadsOnlyWhatALineShowsInBatchesWithTheSameTexts) {
  for (uint32_t n = 0; n < 130; ++n) {
    ProviderJob job = PlainJob(static_cast<uint8_t>(n));
    job.id.Data1 = n;
    job.state = static_cast<BG_JOB_STATE>(n % 10);  // 9 is no state BITS knows
    if (n % 7 == 0) job.displayName.reset();
    if (n % 5 == 0) job.description.reset();
    if (n % 11 == 0) job.description = WideText();
    provider.jobs.push_back(job);
  }
  const std::vector<JobInfo> whole = EnumerateJobs();
  probe.resetCounters();
  const std::vector<JobSummary> lines = EnumerateJobSummaries();
  ASSERT_EQ(lines.size(), whole.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines[i].id, whole[i].id);
    EXPECT_EQ(lines[i].displayName, whole[i].displayName);
    EXPECT_EQ(lines[i].description, whole[i].description);
    EXPECT_EQ(lines[i].state, whole[i].state);
  }
  EXPECT_EQ(lines[7].displayName, WIDE_TEXT("Unknown"));
  EXPECT_EQ(lines[9].state, WIDE_TEXT("Unknown"));
  // 64, 64, and the last 2 with S_FALSE.
  EXPECT_EQ(Uses("IEnumBackgroundCopyJobs::Next"), 3u);
  for (const char* read : {"IBackgroundCopyJob::GetId", "IBackgroundCopyJob::GetDisplayName",
                           "IBackgroundCopyJob::GetDescription", "IBackgroundCopyJob::GetState",
                           "IBackgroundCopyJob::Release", "StringFromCLSID"}) {
    EXPECT_EQ(Uses(read), 130u) << read;
  }
  EXPECT_EQ(Uses("IBackgroundCopyJob::GetOwner"), 0u);
  EXPECT_EQ(Uses("IBackgroundCopyJob::EnumFiles"), 0u);
  ExpectAllGivenBack();
}

TEST_F(Snapshot, OneJobIsReadByItsIdentifierAlone) {
  for (uint8_t n = 1; n <= 3; ++n) provider.jobs.push_back(PlainJob(n));
  provider.jobs[1].hasNotifyInterface = true;
  const std::optional<JobInfo> job = ReadJobById(PlainJobId(2));
  ASSERT_TRUE(job.has_value());
  EXPECT_EQ(job->id, PlainJobId(2));
  EXPECT_EQ(job->displayName, WIDE_TEXT("Job 2"));
  EXPECT_TRUE(job->hasNotifyInterface);
  ASSERT_EQ(job->files.size(), 1u);
  EXPECT_EQ(job->files[0].localName, WIDE_TEXT("C:\\Data\\a.bin"));
  EXPECT_EQ(Uses("IBackgroundCopyManager::GetJob"), 1u);
  EXPECT_EQ(Uses("IBackgroundCopyManager::EnumJobs"), 0u);
  EXPECT_EQ(Uses("IBackgroundCopyJob::GetId"), 1u);

  probe.resetCounters();
  EXPECT_FALSE(ReadJobById(PlainJobId(4)).has_value());
  EXPECT_EQ(Uses("IBackgroundCopyJob::GetId"), 0u);
  WideText lowerCase = PlainJobId(2);
  for (WCHAR& unit : lowerCase) {
    if (unit >= u'A' && unit <= u'F') unit = static_cast<WCHAR>(unit - u'A' + u'a');
  }
  EXPECT_FALSE(ReadJobById(lowerCase).has_value());
  EXPECT_FALSE(ReadJobById(WIDE_TEXT("Unknown")).has_value());
  EXPECT_EQ(Uses("IBackgroundCopyManager::GetJob"), 1u) << "only a text StringFromCLSID writes";
  ExpectAllGivenBack();
}

TEST_F(Snapshot, LongQueueKeepsItsOrder) {
  constexpr uint32_t kJobs = 700;
  for (uint32_t n = 0; n < kJobs; ++n) {
    ProviderJob job = PlainJob(static_cast<uint8_t>(n));
    job.id.Data1 = n;
    const std::string digits = std::to_string(n);
    job.displayName = WideText(WIDE_TEXT("Queued job ")) + WideText(digits.begin(), digits.end());
    provider.jobs.push_back(job);
  }
  std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), kJobs);
  for (uint32_t n = 0; n < kJobs; ++n) {
    ASSERT_EQ(ToUtf8(jobs[n].displayName), "Queued job " + std::to_string(n));
    ASSERT_EQ(jobs[n].files.size(), 1u);
  }
  EXPECT_EQ(jobs.back().files[0].localName, WIDE_TEXT("C:\\Data\\a.bin"));
  ExpectAllGivenBack();
}

}  // namespace
