// EnumerateJobs, the list fill and a command's read of one job against Wine's own BITS service,
// holding the jobs bits_fixture.exe created.
// What Wine 8 does not implement is asserted as Wine answers it, so that a change in Wine shows:
// GetOwner, GetNotifyCmdLine, GetErrorCount, GetPriority and GetTimes answer E_NOTIMPL;
// SetPriority, SetMinimumRetryDelay and SetNoProgressTimeout are accepted but not kept; jobs and
// their files are enumerated newest first.
#include <cstdio>
#include <optional>
#include <regex>

#include <gtest/gtest.h>

#include "bits/com_owners.h"
#include "bits/job_snapshot.h"
#include "bits/utf8.h"
#include "wine_test_support.h"

namespace {

std::vector<JobInfo> SnapshotLogged() {
  std::vector<JobInfo> snapshot = EnumerateJobs();
  std::printf("EnumerateJobs listed %zu jobs:\n", snapshot.size());
  for (const JobInfo& job : snapshot) std::printf("%s", DescribeJob(job).c_str());
  std::fflush(stdout);
  return snapshot;
}

// "N/A", "Unknown", or UTC "YYYY-MM-DD hh:mm:ss" with a year of four or five digits.
bool IsTimeText(const WideText& text) {
  if (text == L"N/A" || text == L"Unknown") return true;
  static const std::wregex form(L"\\d{4,5}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}");
  return std::regex_match(text, form);
}

}  // namespace

TEST(JobSnapshotUnderWine, ListsExactlyTheFixtureJobsNewestFirst) {
  const std::vector<FixtureJob> fixture = LoadFixtureJobs();
  ASSERT_FALSE(fixture.empty());
  const std::vector<JobInfo> snapshot = SnapshotLogged();

  std::vector<WideText> expected;
  for (auto job = fixture.rbegin(); job != fixture.rend(); ++job) expected.push_back(job->id);
  std::vector<WideText> listed;
  for (const JobInfo& job : snapshot) listed.push_back(job.id);
  EXPECT_EQ(listed, expected);
  for (const WideText& id : listed) {
    EXPECT_EQ(id.size(), 38u);
    EXPECT_EQ(id.find_first_of(L"abcdef"), WideText::npos) << "identifier texts are upper case";
  }
}

TEST(JobSnapshotUnderWine, KeepsTheTextsAndNumbersEachJobWasGiven) {
  const std::vector<FixtureJob> fixture = LoadFixtureJobs();
  ASSERT_FALSE(fixture.empty());
  const std::vector<JobInfo> snapshot = EnumerateJobs();

  for (const FixtureJob& created : fixture) {
    SCOPED_TRACE(ToUtf8(created.displayName));
    const JobInfo* job = FindJob(snapshot, created.id);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->displayName, created.displayName);
    EXPECT_EQ(job->type, created.upload ? L"Upload" : L"Download");
    // A description never set is one BITS does not return at all; an empty one stays empty.
    EXPECT_EQ(job->description, created.description.value_or(L"None"));
    EXPECT_EQ(job->notifyFlags, created.notifyFlags);
    EXPECT_EQ(job->state, L"Suspended");

    ASSERT_EQ(job->files.size(), created.files.size());
    for (size_t i = 0; i < created.files.size(); ++i) {
      const FixtureFile& added = created.files[created.files.size() - 1 - i];
      EXPECT_EQ(job->files[i].remoteName, added.remoteName);
      EXPECT_EQ(job->files[i].localName, added.localName);
      // Nothing fetched yet, and no size known before the transfer starts.
      EXPECT_EQ(job->files[i].bytesTotal, BG_SIZE_UNKNOWN);
      EXPECT_EQ(job->files[i].bytesTransferred, 0u);
    }
    EXPECT_EQ(job->filesTotal, created.files.size());
    EXPECT_EQ(job->filesTransferred, 0u);
    EXPECT_EQ(job->bytesTotal, created.files.empty() ? 0u : BG_SIZE_UNKNOWN);
    EXPECT_EQ(job->bytesTransferred, 0u);
  }
}

TEST(JobSnapshotUnderWine, ShowsWhatWineLeavesUnimplementedWithTheFallbacks) {
  const std::vector<FixtureJob> fixture = LoadFixtureJobs();
  ASSERT_FALSE(fixture.empty());
  const std::vector<JobInfo> snapshot = EnumerateJobs();
  ASSERT_EQ(snapshot.size(), fixture.size());

  for (const JobInfo& job : snapshot) {
    SCOPED_TRACE(ToUtf8(job.displayName));
    // GetOwner fails and hands back no text.
    EXPECT_EQ(job.owner, L"Unknown");
    // IBackgroundCopyJob2 is offered, but its GetNotifyCmdLine fails: both texts stay empty.
    EXPECT_EQ(job.notifyProgram, L"");
    EXPECT_EQ(job.notifyArguments, L"");
    EXPECT_FALSE(job.hasNotifyInterface);
    // GetPriority fails and its proxy hands back 0, whatever SetPriority was given.
    EXPECT_EQ(job.priority, L"Foreground");
    EXPECT_EQ(job.errorCount, 0u);
    // Wine's defaults, which its setters do not change.
    EXPECT_EQ(job.minimumRetryDelay, 30u);
    EXPECT_EQ(job.noProgressTimeout, 900u);
    // GetTimes fails and its proxy hands back whatever the service's stack held, so only the form
    // of the three texts is certain.
    EXPECT_TRUE(IsTimeText(job.created)) << ToUtf8(job.created);
    EXPECT_TRUE(IsTimeText(job.modified)) << ToUtf8(job.modified);
    EXPECT_TRUE(IsTimeText(job.completed)) << ToUtf8(job.completed);
  }
}

TEST(JobSnapshotUnderWine, ListFillAndACommandsReadGiveWhatTheSnapshotGives) {
  const std::vector<JobInfo> snapshot = EnumerateJobs();
  const std::vector<JobSummary> lines = EnumerateJobSummaries();
  EXPECT_TRUE(ComFullyUninitialised());
  ASSERT_FALSE(snapshot.empty());
  ASSERT_EQ(lines.size(), snapshot.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(ToUtf8(snapshot[i].displayName));
    EXPECT_EQ(lines[i].id, snapshot[i].id);
    EXPECT_EQ(lines[i].displayName, snapshot[i].displayName);
    EXPECT_EQ(lines[i].description, snapshot[i].description);
    EXPECT_EQ(lines[i].state, snapshot[i].state);

    std::optional<JobInfo> read = ReadJobById(snapshot[i].id);
    EXPECT_TRUE(ComFullyUninitialised());
    ASSERT_TRUE(read.has_value());
    // Wine's GetTimes hands back whatever the service's stack held, so two reads of one job may
    // differ there; every other field must be the snapshot's.
    JobInfo whole = snapshot[i];
    for (JobInfo* job : {&whole, &*read}) {
      EXPECT_TRUE(IsTimeText(job->created) && IsTimeText(job->modified) &&
                  IsTimeText(job->completed));
      job->created = job->modified = job->completed = L"";
    }
    EXPECT_EQ(DescribeJob(*read), DescribeJob(whole));
  }
}

TEST(JobSnapshotUnderWine, GivesCOMBackAsItFoundIt) {
  EnumerateJobs();
  EXPECT_TRUE(ComFullyUninitialised()) << "EnumerateJobs left COM initialised";

  {
    // The toolkit's thread has COM initialised already: a snapshot must not undo that.
    ComApartment outer;
    ASSERT_EQ(outer.result(), S_OK);
    EXPECT_FALSE(EnumerateJobs().empty());
    const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(again, S_FALSE)
        << "EnumerateJobs uninitialised COM more often than it initialised it";
    if (SUCCEEDED(again)) CoUninitialize();
  }
  EXPECT_TRUE(ComFullyUninitialised());
}
