// The four control operations and the check that a job is there, against the jobs
// bits_fixture.exe created in Wine's BITS, each checked by a new snapshot, and the control methods'
// own answers in every state a job reaches in Wine's service. Wine answers Resume of a job without
// files with BG_E_EMPTY, Suspend with E_NOTIMPL, Cancel of a job with files with
// BG_S_UNABLE_TO_DELETE_FILES and Complete of one with untransferred files with
// BG_S_PARTIAL_COMPLETE.
#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "bits/com_owners.h"
#include "bits/job_control.h"
#include "bits/job_snapshot.h"
#include "bits_platform.h"
#include "bits/utf8.h"
#include "bits_platform.h"
#include "wine_test_support.h"

namespace {

class JobControlUnderWine : public testing::Test {
 protected:
  void SetUp() override {
    fixture_ = LoadFixtureJobs();
    ASSERT_FALSE(fixture_.empty());
  }

  WideText IdOf(const wchar_t* displayName) {
    const FixtureJob* job = FindFixtureJob(fixture_, displayName);
    EXPECT_NE(job, nullptr) << "the fixture has no job " << ToUtf8(displayName);
    return job != nullptr ? job->id : WideText();
  }

  std::vector<FixtureJob> fixture_;
};

// The jobs that are suspended, with their states: the part of the queue that only a control
// operation changes (Wine's transfer thread moves resumed jobs on and drops finished ones).
std::map<WideText, WideText> SuspendedJobs() {
  std::map<WideText, WideText> suspended;
  for (const JobInfo& job : EnumerateJobs()) {
    if (job.state == L"Suspended") suspended[job.id] = job.displayName;
  }
  return suspended;
}

// A job that was cancelled or completed has left the queue, or is still listed in that final
// state: Wine's service drops such jobs only on its transfer thread's next pass, which only a
// resumed job starts.
::testing::AssertionResult HasLeftTheQueue(const WideText& id, const wchar_t* finalState) {
  const std::vector<JobInfo> snapshot = EnumerateJobs();
  const JobInfo* job = FindJob(snapshot, id);
  if (job == nullptr || job->state == finalState) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the job is still listed as " << ToUtf8(job->state);
}

// Runs bits_fixture.exe, which lies beside this program, as a process of its own: another user's
// program acting on the queue. Whether it succeeded.
bool RunFixture(const std::wstring& arguments) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return false;
  std::wstring fixture(self, length);
  fixture.erase(fixture.find_last_of(L"\\/") + 1);
  fixture += L"bits_fixture.exe";
  std::wstring commandLine = L"\"" + fixture + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(fixture.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  DWORD exitCode = 1;
  if (WaitForSingleObject(process.hProcess, 120 * 1000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exitCode);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode == 0;
}

WideText LowerCase(WideText text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

}  // namespace

TEST_F(JobControlUnderWine, ResumeStartsAJobWithFilesAndRefusesOneWithout) {
  const WideText withFiles = IdOf(L"control: resume with files");
  const WideText withoutFiles = IdOf(L"control: resume without files");

  EXPECT_TRUE(ResumeJob(withFiles));
  EXPECT_TRUE(ComFullyUninitialised());
  EXPECT_FALSE(ResumeJob(withoutFiles)) << "BITS answers BG_E_EMPTY for a job without files";
  EXPECT_TRUE(ComFullyUninitialised());

  const std::vector<JobInfo> snapshot = EnumerateJobs();
  const JobInfo* started = FindJob(snapshot, withFiles);
  ASSERT_NE(started, nullptr);
  EXPECT_NE(started->state, L"Suspended");
  const JobInfo* refused = FindJob(snapshot, withoutFiles);
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(refused->state, L"Suspended");
}

TEST_F(JobControlUnderWine, SuspendRefusedByTheServiceAnswersFalseAndChangesNothing) {
  const std::map<WideText, WideText> before = SuspendedJobs();
  EXPECT_FALSE(SuspendJob(IdOf(L"control: suspend")));
  EXPECT_TRUE(ComFullyUninitialised());
  EXPECT_EQ(SuspendedJobs(), before);
}

TEST_F(JobControlUnderWine, CancelRemovesTheJobAndASecondCancelFindsNothing) {
  const WideText id = IdOf(L"control: cancel");
  std::map<WideText, WideText> others = SuspendedJobs();
  ASSERT_EQ(others.erase(id), 1u);

  EXPECT_TRUE(CancelJob(id));
  EXPECT_TRUE(ComFullyUninitialised());
  EXPECT_TRUE(HasLeftTheQueue(id, L"Cancelled"));
  EXPECT_EQ(SuspendedJobs(), others) << "only the cancelled job may change";

  EXPECT_FALSE(CancelJob(id));
  EXPECT_TRUE(ComFullyUninitialised());
}

TEST_F(JobControlUnderWine, CompleteOfAJobWithUntransferredFilesAcknowledgesIt) {
  const WideText id = IdOf(L"control: complete");
  EXPECT_TRUE(CompleteJob(id)) << "BG_S_PARTIAL_COMPLETE is a success code";
  EXPECT_TRUE(ComFullyUninitialised());
  EXPECT_TRUE(HasLeftTheQueue(id, L"Acknowledged"));
  EXPECT_FALSE(CompleteJob(id));
}

TEST_F(JobControlUnderWine, AnIdentifierWrittenAnotherWayMatchesNoJob) {
  const WideText id = IdOf(L"Kestrelmoor fixture: no description");
  ASSERT_EQ(id.size(), 38u);
  const std::map<WideText, WideText> before = SuspendedJobs();
  ASSERT_EQ(before.count(id), 1u);

  const WideText variants[] = {
      LowerCase(id), id.substr(1, 36),  // without braces
      id + L" ",     L" " + id,        WideText(), id.substr(0, 37),
  };
  for (const WideText& variant : variants) {
    SCOPED_TRACE("identifier \"" + ToUtf8(variant) + "\"");
    EXPECT_FALSE(CancelJob(variant));
    EXPECT_FALSE(ResumeJob(variant));
    EXPECT_FALSE(JobExists(variant));
    EXPECT_TRUE(ComFullyUninitialised());
  }
  EXPECT_EQ(SuspendedJobs(), before);
}

namespace {

std::string Hex(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
  return text;
}

BG_JOB_STATE StateOf(IBackgroundCopyJob* job) {
  BG_JOB_STATE state = BG_JOB_STATE_QUEUED;
  return SUCCEEDED(job->GetState(&state)) ? state : static_cast<BG_JOB_STATE>(-1);
}

// Waits for the service's transfer thread to bring a resumed job to `state`.
::testing::AssertionResult Reaches(IBackgroundCopyJob* job, BG_JOB_STATE state) {
  for (int tries = 0; tries < 600; ++tries) {
    if (StateOf(job) == state) return ::testing::AssertionSuccess();
    Sleep(100);
  }
  return ::testing::AssertionFailure() << "still in state " << StateOf(job) << ", not " << state;
}

bool FileExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

// Each control method called on the job itself, in every state a job reaches in Wine's service,
// beside what Microsoft's reference documents for it. Wine departs from the reference in four
// ways: Suspend is not implemented at all; Complete does not refuse an upload that is not
// Transferred; Resume of a job whose files are all transferred answers BG_E_EMPTY, which the
// reference keeps for a job without files; and Cancel deletes the jobs' local files, the one an
// upload was to send included, and so answers BG_S_UNABLE_TO_DELETE_FILES for files never fetched.
TEST_F(JobControlUnderWine, EachMethodAnswersInEveryStateAJobReachesHere) {
  ComApartment apartment;
  ComPtr<IBackgroundCopyManager> manager;
  ASSERT_EQ(CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                             IID_IBackgroundCopyManager, manager.put_void()),
            S_OK);
  // Held from the start: the service drops finished jobs from its queue, not from their holders.
  std::map<std::wstring, ComPtr<IBackgroundCopyJob>> jobs;
  for (const wchar_t* name :
       {L"download", L"upload", L"download cancelled", L"upload cancelled", L"download in error",
        L"upload in error", L"download transferred", L"upload transferred"}) {
    GUID id{};
    ASSERT_EQ(CLSIDFromString(IdOf((std::wstring(L"answers: ") + name).c_str()).c_str(), &id),
              S_OK);
    ASSERT_EQ(manager->GetJob(id, jobs[name].put()), S_OK) << ToUtf8(name);
  }
  for (const wchar_t* name : {L"download in error", L"upload in error", L"download transferred",
                              L"upload transferred"}) {
    ASSERT_EQ(jobs[name]->Resume(), S_OK);
  }
  ASSERT_TRUE(Reaches(jobs[L"download in error"].get(), BG_JOB_STATE_ERROR));
  ASSERT_TRUE(Reaches(jobs[L"upload in error"].get(), BG_JOB_STATE_ERROR));
  ASSERT_TRUE(Reaches(jobs[L"download transferred"].get(), BG_JOB_STATE_TRANSFERRED));
  ASSERT_TRUE(Reaches(jobs[L"upload transferred"].get(), BG_JOB_STATE_TRANSFERRED));

  using Method = HRESULT (*)(IBackgroundCopyJob*);
  const Method suspend = [](IBackgroundCopyJob* job) { return job->Suspend(); };
  const Method resume = [](IBackgroundCopyJob* job) { return job->Resume(); };
  const Method cancel = [](IBackgroundCopyJob* job) { return job->Cancel(); };
  const Method complete = [](IBackgroundCopyJob* job) { return job->Complete(); };
  const HRESULT kInvalid = BG_E_INVALID_STATE;
  const HRESULT kPartial = BG_S_PARTIAL_COMPLETE;
  const HRESULT kUndeleted = BG_S_UNABLE_TO_DELETE_FILES;
  const HRESULT kEmpty = static_cast<HRESULT>(BG_E_EMPTY);
  // In order: each call finds its job in `state`, left there by the calls before it.
  const struct {
    const wchar_t* job;
    BG_JOB_STATE state;
    const char* method;
    Method call;
    HRESULT wine;
    HRESULT documented;
  } calls[] = {
      {L"download", BG_JOB_STATE_SUSPENDED, "Suspend", suspend, E_NOTIMPL, S_OK},
      {L"download", BG_JOB_STATE_SUSPENDED, "Complete", complete, kPartial, kPartial},
      {L"download", BG_JOB_STATE_ACKNOWLEDGED, "Suspend", suspend, E_NOTIMPL, kInvalid},
      {L"download", BG_JOB_STATE_ACKNOWLEDGED, "Resume", resume, kInvalid, kInvalid},
      {L"download", BG_JOB_STATE_ACKNOWLEDGED, "Cancel", cancel, kInvalid, kInvalid},
      {L"download", BG_JOB_STATE_ACKNOWLEDGED, "Complete", complete, kInvalid, kInvalid},
      {L"upload", BG_JOB_STATE_SUSPENDED, "Suspend", suspend, E_NOTIMPL, S_OK},
      {L"upload", BG_JOB_STATE_SUSPENDED, "Complete", complete, kPartial, kInvalid},
      {L"download cancelled", BG_JOB_STATE_SUSPENDED, "Cancel", cancel, kUndeleted, S_OK},
      {L"download cancelled", BG_JOB_STATE_CANCELLED, "Suspend", suspend, E_NOTIMPL, kInvalid},
      {L"download cancelled", BG_JOB_STATE_CANCELLED, "Resume", resume, kInvalid, kInvalid},
      {L"download cancelled", BG_JOB_STATE_CANCELLED, "Cancel", cancel, kInvalid, kInvalid},
      {L"download cancelled", BG_JOB_STATE_CANCELLED, "Complete", complete, kInvalid, kInvalid},
      {L"upload cancelled", BG_JOB_STATE_SUSPENDED, "Cancel", cancel, S_OK, S_OK},
      {L"download in error", BG_JOB_STATE_ERROR, "Suspend", suspend, E_NOTIMPL, S_OK},
      {L"download in error", BG_JOB_STATE_ERROR, "Complete", complete, kPartial, kPartial},
      {L"upload in error", BG_JOB_STATE_ERROR, "Suspend", suspend, E_NOTIMPL, S_OK},
      {L"upload in error", BG_JOB_STATE_ERROR, "Complete", complete, kPartial, kInvalid},
      {L"download transferred", BG_JOB_STATE_TRANSFERRED, "Suspend", suspend, E_NOTIMPL, S_OK},
      {L"download transferred", BG_JOB_STATE_TRANSFERRED, "Resume", resume, kEmpty, S_OK},
      {L"download transferred", BG_JOB_STATE_TRANSFERRED, "Complete", complete, S_OK, S_OK},
      {L"upload transferred", BG_JOB_STATE_TRANSFERRED, "Suspend", suspend, E_NOTIMPL, S_OK},
      {L"upload transferred", BG_JOB_STATE_TRANSFERRED, "Resume", resume, kEmpty, S_OK},
      {L"upload transferred", BG_JOB_STATE_TRANSFERRED, "Complete", complete, S_OK, S_OK},
  };
  for (const auto& each : calls) {
    SCOPED_TRACE(each.method + std::string(" on \"answers: ") + ToUtf8(each.job) +
                 "\"; Microsoft's reference documents " + Hex(each.documented));
    IBackgroundCopyJob* job = jobs[each.job].get();
    EXPECT_EQ(StateOf(job), each.state);
    EXPECT_EQ(Hex(each.call(job)), Hex(each.wine));
  }
  // A refused Complete still marks a cancelled job acknowledged, and the upload's own file is gone.
  EXPECT_EQ(StateOf(jobs[L"download cancelled"].get()), BG_JOB_STATE_ACKNOWLEDGED);
  EXPECT_FALSE(FileExists(L"C:\\fixture\\answers-upload-cancelled.txt"));
  EXPECT_TRUE(FileExists(L"C:\\fixture\\answers-transferred-down.txt")) << "Complete saves it";
}

TEST_F(JobControlUnderWine, AJobAnotherProcessRemovesAfterTheFillIsLeftAlone) {
  const WideText id = IdOf(L"control: removed by another process");
  const std::vector<JobSummary> lines = EnumerateJobSummaries();
  ASSERT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [&](const JobSummary& line) { return line.id == id; }));
  std::map<WideText, WideText> others = SuspendedJobs();
  ASSERT_EQ(others.erase(id), 1u);

  ASSERT_TRUE(RunFixture(L"remove " + id));

  // Properties and Export find nothing to show, a control command stops before its question, and
  // an operation that came too late changes nothing.
  EXPECT_FALSE(ReadJobById(id).has_value());
  EXPECT_FALSE(JobExists(id));
  EXPECT_FALSE(CancelJob(id));
  EXPECT_FALSE(ResumeJob(id));
  EXPECT_TRUE(ComFullyUninitialised());
  EXPECT_EQ(SuspendedJobs(), others);
  EXPECT_TRUE(JobExists(IdOf(L"Kestrelmoor fixture: no description")));
}
