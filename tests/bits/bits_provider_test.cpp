// The in-memory service itself: the runtime's answers, and the probe's bookkeeping that the other
// tests rely on to catch leaks and misuse, and the faults they inject.
#include <optional>
#include <string>
#include <vector>

#include "catalogue_fixture.h"

namespace {

using Provider = CatalogueTest;

// A connection opened by hand, as a test reaches into the service.
struct Connection {
  ComApartment apartment;
  ComPtr<IBackgroundCopyManager> manager;
  ComPtr<IEnumBackgroundCopyJobs> jobs;

  explicit Connection(DWORD flags = BG_JOB_ENUM_ALL_USERS) {
    CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                     IID_IBackgroundCopyManager, manager.put_void());
    if (manager) manager->EnumJobs(flags, jobs.put());
  }

  ComPtr<IBackgroundCopyJob> next() {
    ComPtr<IBackgroundCopyJob> job;
    if (jobs) jobs->Next(1, job.put(), nullptr);
    return job;
  }
};

WideText NameOf(IBackgroundCopyJob* job) {
  CoTaskMemText name;
  if (FAILED(job->GetDisplayName(name.put()))) return WIDE_TEXT("<failed>");
  return name.value_or(WIDE_TEXT("<none>"));
}

TEST_F(Provider, ManagerNeedsAnInstalledServiceAndComInitialised) {
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                             IID_IUnknown, object.put_void()),
            CO_E_NOTINITIALIZED);
  {
    ComApartment apartment;
    InstallBitsProvider(nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_IUnknown, object.put_void()),
              REGDB_E_CLASSNOTREG);
    InstallBitsProvider(&provider);
    EXPECT_EQ(CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_IUnknown, object.put_void()),
              S_OK);
    EXPECT_TRUE(object);
    EXPECT_EQ(probe.liveInterfaces(), 1);
    object.reset();
  }
  ExpectAllGivenBack();
}

TEST_F(Provider, ComInitialisationNestsAndKeepsItsMode) {
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  EXPECT_EQ(probe.comInitDepth(), 2);
  CoUninitialize();
  CoUninitialize();
  ExpectAllGivenBack();
  CoUninitialize();
  ASSERT_EQ(probe.misuse.size(), 1u);
}

TEST_F(Provider, UninitialisingWithInterfacesHeldIsMisuse) {
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  ComPtr<IUnknown> object;
  ASSERT_EQ(CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                             IID_IUnknown, object.put_void()),
            S_OK);
  CoUninitialize();
  EXPECT_EQ(probe.misuse.size(), 1u);
}

TEST_F(Provider, OnlyTheBitsClassAsALocalServer) {
  ComApartment apartment;
  ComPtr<IUnknown> object;
  const CLSID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  EXPECT_EQ(CoCreateInstance(other, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                             object.put_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, 0x1 /* in-process */,
                             IID_IUnknown, object.put_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(object);
}

TEST_F(Provider, StringFromClsidIsBracedUpperCase) {
  CoTaskMemText text;
  ASSERT_EQ(StringFromCLSID(CLSID_BackgroundCopyManager, text.put()), S_OK);
  EXPECT_EQ(text.value_or(WideText()), WIDE_TEXT("{4991D34B-80A1-4291-83B6-3328366B9097}"));
  EXPECT_EQ(probe.liveStrings(), 1);
  text.reset();
  ExpectAllGivenBack();
}

TEST_F(Provider, IidFromStringReadsBracedGuidsOfEitherCase) {
  IID read{};
  EXPECT_EQ(IIDFromString(u"{4991D34B-80A1-4291-83B6-3328366B9097}", &read), S_OK);
  EXPECT_TRUE(read == CLSID_BackgroundCopyManager);
  read = IID{};
  EXPECT_EQ(IIDFromString(u"{4991d34b-80a1-4291-83b6-3328366b9097}", &read), S_OK);
  EXPECT_TRUE(read == CLSID_BackgroundCopyManager);
  for (const char16_t* text : {u"4991D34B-80A1-4291-83B6-3328366B9097", u"Unknown", u"",
                               u"{4991D34B-80A1-4291-83B6-3328366B9097} "}) {
    EXPECT_EQ(IIDFromString(text, &read), E_INVALIDARG);
  }
  for (const char16_t* text : {u"(4991D34B-80A1-4291-83B6-3328366B9097)",
                               u"{4991D34B-80A1-4291-83B6+3328366B9097}",
                               u"{4991D34G-80A1-4291-83B6-3328366B9097}"}) {
    EXPECT_EQ(IIDFromString(text, &read), CO_E_IIDSTRING);
  }
  EXPECT_EQ(probe.liveStrings(), 0);
}

TEST_F(Provider, ManagerFindsAJobOfAnyUserByItsGuid) {
  provider.jobs = {PlainJob(1), PlainJob(2)};
  provider.jobs[1].owner = WIDE_TEXT("S-1-5-18");
  Connection connection(0);
  ComPtr<IBackgroundCopyJob> job;
  EXPECT_EQ(connection.manager->GetJob(provider.jobs[1].id, job.put()), S_OK);
  EXPECT_EQ(NameOf(job.get()), WIDE_TEXT("Job 2"));
  EXPECT_EQ(connection.manager->GetJob(PlainJob(3).id, job.put()), BG_E_NOT_FOUND);
  EXPECT_FALSE(job);
  Fail("IBackgroundCopyManager::GetJob", E_ACCESSDENIED, 3);
  EXPECT_EQ(connection.manager->GetJob(provider.jobs[0].id, job.put()), E_ACCESSDENIED);
  EXPECT_FALSE(job);
  EXPECT_EQ(connection.manager->GetJob(provider.jobs[0].id, nullptr), E_INVALIDARG);
  EXPECT_EQ(probe.liveInterfaces(), 2) << "the manager and its enumerator only";
}

TEST_F(Provider, StringsFreedTwiceOrNeverHandedOutAreMisuse) {
  LPOLESTR text = nullptr;
  ASSERT_EQ(StringFromCLSID(CLSID_BackgroundCopyManager, &text), S_OK);
  CoTaskMemFree(text);
  EXPECT_TRUE(probe.misuse.empty());
  CoTaskMemFree(text);
  WCHAR notOurs[4] = {};
  CoTaskMemFree(notOurs);
  CoTaskMemFree(nullptr);  // allowed, as in COM
  EXPECT_EQ(probe.misuse.size(), 2u) << Joined(probe.misuse);
  EXPECT_EQ(probe.liveStrings(), 0);
}

TEST_F(Provider, ReleasingTooOftenIsMisuse) {
  provider.jobs = {PlainJob(1)};
  Connection connection;
  IBackgroundCopyJob* job = connection.next().detach();
  ASSERT_NE(job, nullptr);
  EXPECT_EQ(probe.liveInterfaces(), 3);
  EXPECT_EQ(job->AddRef(), 2u);
  EXPECT_EQ(job->Release(), 1u);
  EXPECT_EQ(job->Release(), 0u);
  EXPECT_TRUE(probe.misuse.empty());
  job->Release();
  BG_JOB_STATE state;
  job->GetState(&state);
  EXPECT_EQ(probe.misuse.size(), 2u) << Joined(probe.misuse);
  EXPECT_EQ(probe.liveInterfaces(), 2);
}

TEST_F(Provider, FaultHitsOnlyTheChosenUse) {
  provider.jobs = {PlainJob(1), PlainJob(2), PlainJob(3)};
  Fail("IBackgroundCopyJob::GetDisplayName", BG_E_NOT_FOUND, 2);
  HandBackNothing("IBackgroundCopyJob::GetDisplayName", 3);
  Connection connection;
  std::vector<WideText> names;
  for (ComPtr<IBackgroundCopyJob> job = connection.next(); job; job = connection.next()) {
    names.push_back(NameOf(job.get()));
  }
  EXPECT_EQ(names, (std::vector<WideText>{WIDE_TEXT("Job 1"), WIDE_TEXT("<failed>"),
                                          WIDE_TEXT("<none>")}));
  EXPECT_EQ(Uses("IBackgroundCopyJob::GetDisplayName"), 3u);
}

TEST_F(Provider, CountsUsesEvenWhenNotRecording) {
  provider.jobs = {PlainJob(1), PlainJob(2)};
  probe.recordCalls = false;
  {
    Connection connection;
    while (connection.next()) {
    }
  }
  EXPECT_TRUE(probe.calls.empty());
  EXPECT_EQ(Uses("IEnumBackgroundCopyJobs::Next"), 3u);
  EXPECT_EQ(Uses("IBackgroundCopyJob::Release"), 2u);
  EXPECT_EQ(Uses("no such call"), 0u);
  probe.resetCounters();
  EXPECT_EQ(Uses("IEnumBackgroundCopyJobs::Next"), 0u);
  ExpectAllGivenBack();
}

TEST_F(Provider, SecondJobInterfaceOnlyWhereOffered) {
  provider.jobs = {PlainJob(1), PlainJob(2)};
  provider.jobs[1].offersJob2 = false;
  Connection connection;
  ComPtr<IBackgroundCopyJob> first = connection.next();
  ComPtr<IBackgroundCopyJob> second = connection.next();
  ComPtr<IBackgroundCopyJob2> job2;
  EXPECT_EQ(first->QueryInterface(IID_IBackgroundCopyJob2, job2.put_void()), S_OK);
  EXPECT_TRUE(job2);
  EXPECT_EQ(second->QueryInterface(IID_IBackgroundCopyJob2, job2.put_void()), E_NOINTERFACE);
  EXPECT_FALSE(job2);
}

TEST_F(Provider, EnumeratesOnlyTheCallersJobsWithoutTheAllUsersFlag) {
  provider.jobs = {PlainJob(1), PlainJob(2), PlainJob(3)};
  provider.jobs[1].owner = provider.callerOwner;
  Connection connection(0);
  ComPtr<IBackgroundCopyJob> job = connection.next();
  ASSERT_TRUE(job);
  EXPECT_EQ(NameOf(job.get()), WIDE_TEXT("Job 2"));
  EXPECT_FALSE(connection.next());
}

TEST_F(Provider, RemovingJobsDoesNotDisturbAWalk) {
  for (uint8_t n = 1; n <= 4; ++n) provider.jobs.push_back(PlainJob(n));
  Connection connection;
  ComPtr<IBackgroundCopyJob> first = connection.next();
  ComPtr<IBackgroundCopyJob> second = connection.next();
  EXPECT_EQ(SUCCEEDED(first->Cancel()), true);
  EXPECT_EQ(NameOf(second.get()), WIDE_TEXT("Job 2"));
  EXPECT_EQ(second->Suspend(), S_OK);
  EXPECT_EQ(provider.jobs[0].state, BG_JOB_STATE_SUSPENDED);
  EXPECT_EQ(NameOf(connection.next().get()), WIDE_TEXT("Job 3"));
  // The cancelled job's object now refuses everything.
  EXPECT_EQ(first->Suspend(), BG_E_INVALID_STATE);
  EXPECT_EQ(NameOf(first.get()), WIDE_TEXT("<failed>"));
}

// Suspend, Resume, Cancel and Complete in every state, for downloads and uploads, as Microsoft's
// reference documents each method's answers.
TEST_F(Provider, ControlMethodsAnswerInEveryStateAsBitsDocumentsThem) {
  enum Files { kPartly, kNoneSent, kAllSent, kNoFiles };
  const HRESULT kRefused = BG_E_INVALID_STATE;
  const HRESULT kPartial = BG_S_PARTIAL_COMPLETE;
  const HRESULT kUndeleted = BG_S_UNABLE_TO_DELETE_FILES;
  const struct {
    BG_JOB_TYPE type;
    BG_JOB_STATE state;
    Files files;
    HRESULT suspend, resume, cancel, complete;
    BG_JOB_STATE resumed;  // the state after Resume
  } rows[] = {
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_QUEUED, kPartly, S_OK, S_OK, kUndeleted, kPartial,
       BG_JOB_STATE_QUEUED},
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_CONNECTING, kPartly, S_OK, S_OK, kUndeleted, kPartial,
       BG_JOB_STATE_CONNECTING},
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_TRANSFERRING, kPartly, S_OK, S_OK, kUndeleted, kPartial,
       BG_JOB_STATE_TRANSFERRING},
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_SUSPENDED, kPartly, S_OK, S_OK, kUndeleted, kPartial,
       BG_JOB_STATE_QUEUED},
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_ERROR, kNoneSent, S_OK, S_OK, S_OK, kPartial,
       BG_JOB_STATE_QUEUED},
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_TRANSIENT_ERROR, kPartly, S_OK, S_OK, kUndeleted,
       kPartial, BG_JOB_STATE_QUEUED},
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_TRANSFERRED, kAllSent, S_OK, S_OK, S_OK, S_OK,
       BG_JOB_STATE_TRANSFERRED},
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_ACKNOWLEDGED, kAllSent, kRefused, kRefused, kRefused,
       kRefused, BG_JOB_STATE_ACKNOWLEDGED},
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_CANCELLED, kPartly, kRefused, kRefused, kRefused,
       kRefused, BG_JOB_STATE_CANCELLED},
      {BG_JOB_TYPE_DOWNLOAD, BG_JOB_STATE_SUSPENDED, kNoFiles, S_OK, BG_E_EMPTY, S_OK, S_OK,
       BG_JOB_STATE_SUSPENDED},
      {BG_JOB_TYPE_UPLOAD, BG_JOB_STATE_QUEUED, kNoneSent, S_OK, S_OK, S_OK, kRefused,
       BG_JOB_STATE_QUEUED},
      {BG_JOB_TYPE_UPLOAD, BG_JOB_STATE_CONNECTING, kNoneSent, S_OK, S_OK, S_OK, kRefused,
       BG_JOB_STATE_CONNECTING},
      {BG_JOB_TYPE_UPLOAD, BG_JOB_STATE_TRANSFERRING, kPartly, S_OK, S_OK, kUndeleted, kRefused,
       BG_JOB_STATE_TRANSFERRING},
      {BG_JOB_TYPE_UPLOAD, BG_JOB_STATE_SUSPENDED, kPartly, S_OK, S_OK, kUndeleted, kRefused,
       BG_JOB_STATE_QUEUED},
      {BG_JOB_TYPE_UPLOAD, BG_JOB_STATE_ERROR, kPartly, S_OK, S_OK, kUndeleted, kRefused,
       BG_JOB_STATE_QUEUED},
      {BG_JOB_TYPE_UPLOAD, BG_JOB_STATE_TRANSIENT_ERROR, kNoneSent, S_OK, S_OK, S_OK, kRefused,
       BG_JOB_STATE_QUEUED},
      {BG_JOB_TYPE_UPLOAD, BG_JOB_STATE_TRANSFERRED, kAllSent, S_OK, S_OK, S_OK, S_OK,
       BG_JOB_STATE_TRANSFERRED},
      {BG_JOB_TYPE_UPLOAD, BG_JOB_STATE_ACKNOWLEDGED, kAllSent, kRefused, kRefused, kRefused,
       kRefused, BG_JOB_STATE_ACKNOWLEDGED},
      {BG_JOB_TYPE_UPLOAD, BG_JOB_STATE_CANCELLED, kPartly, kRefused, kRefused, kRefused,
       kRefused, BG_JOB_STATE_CANCELLED},
      {BG_JOB_TYPE_UPLOAD_REPLY, BG_JOB_STATE_TRANSFERRING, kPartly, S_OK, S_OK, kUndeleted,
       kRefused, BG_JOB_STATE_TRANSFERRING},
      {BG_JOB_TYPE_UPLOAD_REPLY, BG_JOB_STATE_TRANSFERRED, kAllSent, S_OK, S_OK, S_OK, S_OK,
       BG_JOB_STATE_TRANSFERRED},
  };
  const UINT64 sent[] = {40, 0, 100};
  for (const auto& row : rows) {
    ProviderJob job = PlainJob(1);
    job.type = row.type;
    job.state = row.state;
    job.files.clear();
    if (row.files != kNoFiles) {
      job.files.push_back(PlainFile(WIDE_TEXT("https://example.test/a.bin"),
                                    WIDE_TEXT("C:\\Data\\a.bin"), 100, sent[row.files]));
    }
    const struct {
      const char* name;
      HRESULT (*method)(IBackgroundCopyJob*);
      HRESULT expected;
      std::optional<BG_JOB_STATE> accepted;  // the state after a success; none: the job is gone
    } calls[] = {
        {"Suspend", [](IBackgroundCopyJob* j) { return j->Suspend(); }, row.suspend,
         BG_JOB_STATE_SUSPENDED},
        {"Resume", [](IBackgroundCopyJob* j) { return j->Resume(); }, row.resume, row.resumed},
        {"Cancel", [](IBackgroundCopyJob* j) { return j->Cancel(); }, row.cancel, std::nullopt},
        {"Complete", [](IBackgroundCopyJob* j) { return j->Complete(); }, row.complete,
         std::nullopt},
    };
    for (const auto& each : calls) {
      SCOPED_TRACE(testing::Message() << each.name << " on a job of type " << row.type
                                      << " in state " << row.state << ", files " << row.files);
      provider.jobs = {job};
      EXPECT_EQ(CallJobMethod(0, each.method), each.expected);
      const std::optional<BG_JOB_STATE> after =
          FAILED(each.expected) ? std::optional<BG_JOB_STATE>(row.state) : each.accepted;
      EXPECT_EQ(provider.jobs.size(), after ? 1u : 0u) << "only Cancel and Complete remove a job";
      if (after && provider.jobs.size() == 1u) {
        EXPECT_EQ(provider.jobs[0].state, *after);
      }
      ExpectAllGivenBack();
    }
  }
}

TEST_F(Provider, FilesOfARemovedJobAreNoLongerRead) {
  provider.jobs = {PlainJob(1)};
  Connection connection;
  ComPtr<IBackgroundCopyJob> job = connection.next();
  ComPtr<IEnumBackgroundCopyFiles> files;
  ASSERT_EQ(job->EnumFiles(files.put()), S_OK);
  ComPtr<IBackgroundCopyFile> file;
  ASSERT_EQ(files->Next(1, file.put(), nullptr), S_OK);
  ASSERT_EQ(job->Complete(), BG_S_PARTIAL_COMPLETE);
  BG_FILE_PROGRESS progress{};
  EXPECT_EQ(file->GetProgress(&progress), BG_E_INVALID_STATE);
  EXPECT_EQ(files->Next(1, file.put(), nullptr), BG_E_INVALID_STATE);
}

TEST_F(Provider, EnumeratorHandsOutSeveralAtOnce) {
  for (uint8_t n = 1; n <= 3; ++n) provider.jobs.push_back(PlainJob(n));
  Connection connection;
  IBackgroundCopyJob* jobs[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(connection.jobs->Next(2, jobs, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  for (IBackgroundCopyJob* job : jobs) job->Release();
  EXPECT_EQ(connection.jobs->Next(2, jobs, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  jobs[0]->Release();
  EXPECT_EQ(connection.jobs->Next(2, jobs, nullptr), E_INVALIDARG);
}

}  // namespace
