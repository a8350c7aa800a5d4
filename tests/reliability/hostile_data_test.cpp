// Job texts chosen by another user, and queues far larger than usual: the snapshot must carry them
// whole, and the list line, the report and the export must stay right.
#include <set>
#include <string>
#include <vector>

#include "bits/job_control.h"
#include "data_fixture.h"
#include "reliability_queue.h"
#include "text_oracles.h"

namespace {

// Every code unit that could break or disguise a line: C0 and C1 controls, DEL, the Unicode line
// and paragraph separators, a byte-order mark, bidirectional embeddings, overrides and isolates.
WideText ControlCharacters() {
  WideText text;
  for (WCHAR c = 1; c < 0x20; ++c) text += c;  // a null ends a BITS string: tested on its own
  text += WCHAR(0x7F);
  for (WCHAR c = 0x80; c < 0xA0; ++c) text += c;
  text += {WCHAR(0x2028), WCHAR(0x2029), WCHAR(0xFEFF), WCHAR(0x202A), WCHAR(0x202E),
           WCHAR(0x2066), WCHAR(0x2069)};
  return text;
}

// A text of `length` code units that mixes ASCII, two- and three-byte characters and surrogate
// pairs, so that nothing in it can be measured in bytes by accident.
WideText MixedText(size_t length) {
  static const WCHAR kPattern[] = {'K', 'e', 's', 't', 0x00E9, 0x4E2D, ' ', 0xD83D, 0xDE80, '-'};
  WideText text;
  text.reserve(length);
  while (text.size() < length) text += kPattern[text.size() % 10];
  // Cut where a pair would be split: a cut pair is a lone surrogate, tested on its own below.
  if (text.size() == length && (text.back() & 0xFC00) == 0xD800) text.back() = 'x';
  return text;
}

using HugeData = DataTest;

TEST_F(HugeData, DescriptionOfOneMebibyte) {
  ProviderJob job = ReliabilityJob(1);
  job.description = MixedText(1 << 20);
  const std::vector<JobInfo> jobs = Snapshot({job});
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(jobs[0].description == *job.description);
  ExpectListReportAndExportRight(jobs[0]);
}

TEST_F(HugeData, DisplayNameOfTenThousandCharacters) {
  ProviderJob job = ReliabilityJob(1);
  job.displayName = MixedText(10000);
  const std::vector<JobInfo> jobs = Snapshot({job});
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(jobs[0].displayName == *job.displayName);
  ExpectListReportAndExportRight(jobs[0]);
}

TEST_F(HugeData, OwnerSidOfAThousandCharacters) {
  ProviderJob job = ReliabilityJob(1);
  WideText sid = Wide("S-1-5-21");
  while (sid.size() < 1000) sid += Wide("-" + std::to_string(sid.size() * 7919 % 100000));
  sid.resize(1000);
  job.owner = sid;
  const std::vector<JobInfo> jobs = Snapshot({job});
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(jobs[0].owner == sid);
  ExpectListReportAndExportRight(jobs[0]);
}

TEST_F(HugeData, TenThousandFilesInOneJobKeepTheirOrder) {
  ProviderJob job = ReliabilityJob(1);
  job.files.clear();
  for (int i = 0; i < 10000; ++i) {
    ProviderFile file;
    file.remoteName = Wide("https://downloads.example/part" + std::to_string(i));
    file.localName = Wide("C:\\Data\\part" + std::to_string(i));
    file.progress = BG_FILE_PROGRESS{uint64_t(i) * 3, uint64_t(i), false};
    job.files.push_back(file);
  }
  job.progress.FilesTotal = 10000;
  const std::vector<JobInfo> jobs = Snapshot({job});
  ASSERT_EQ(jobs.size(), 1u);
  ASSERT_EQ(jobs[0].files.size(), 10000u);
  for (size_t i = 0; i < jobs[0].files.size(); ++i) {
    ASSERT_TRUE(jobs[0].files[i].localName == *job.files[i].localName) << "file " << i;
    ASSERT_EQ(jobs[0].files[i].bytesTotal, job.files[i].progress.BytesTotal) << "file " << i;
  }
  ExpectListReportAndExportRight(jobs[0]);
}

TEST_F(HugeData, HundredThousandJobsAreAllListedAndTheLastCanBeFound) {
  const size_t count = 100000;
  const std::vector<JobInfo> jobs = Snapshot(ManyJobs(count));
  ASSERT_EQ(jobs.size(), count);
  std::set<WideText> ids;
  for (size_t i = 0; i < count; ++i) {
    ASSERT_TRUE(jobs[i].id == ReliabilityJobId(static_cast<uint32_t>(i + 1))) << "job " << i;
    ids.insert(jobs[i].id);
  }
  EXPECT_EQ(ids.size(), count);
  ExpectListReportAndExportRight(jobs.front());
  ExpectListReportAndExportRight(jobs.back());

  // The walk of a control operation reaches the very last job and leaves the others alone.
  EXPECT_TRUE(SuspendJob(jobs.back().id));
  EXPECT_EQ(provider.jobs.back().state, BG_JOB_STATE_SUSPENDED);
  EXPECT_EQ(provider.jobs.size(), count);
  EXPECT_EQ(probe.liveInterfaces(), 0);
  EXPECT_EQ(probe.liveStrings(), 0);
  EXPECT_EQ(probe.comInitDepth(), 0);
}

using HostileText = DataTest;

TEST_F(HostileText, ControlCharactersInEveryText) {
  ProviderJob job = ReliabilityJob(1);
  const WideText controls = ControlCharacters();
  job.displayName = Wide("name") + controls + Wide("end");
  job.description = controls;
  job.owner = controls;
  job.notifyProgram = controls;
  job.notifyArguments = Wide("a\r\nb\rc\n");
  job.files[0].remoteName = controls;
  job.files[0].localName = Wide("C:\\x") + controls;
  const std::vector<JobInfo> jobs = Snapshot({job});
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(jobs[0].description == controls) << "a text was changed on its way from BITS";
  ExpectListReportAndExportRight(jobs[0]);
}

TEST_F(HostileText, LoneSurrogatesAnywhere) {
  const std::vector<WideText> texts = {
      WideText(1, WCHAR(0xD800)),                                    // a high one alone
      WideText(1, WCHAR(0xDFFF)),                                    // a low one alone
      WideText{WCHAR(0xDC00), WCHAR(0xD800)},                        // a pair the wrong way round
      WideText{'a', WCHAR(0xD83D), 'b', WCHAR(0xDE80), 'c'},         // split by other characters
      WideText{WCHAR(0xD83D), WCHAR(0xDE80), WCHAR(0xD83D)},         // a pair, then half of one
      WideText{WCHAR(0xDBFF), WCHAR(0xDFFF), WCHAR(0xDBFF), WCHAR(0xDBFF)}};
  std::vector<ProviderJob> queue;
  for (size_t i = 0; i < texts.size(); ++i) {
    ProviderJob job = ReliabilityJob(static_cast<uint32_t>(i + 1));
    job.displayName = texts[i];
    job.description = texts[i] + Wide("\t") + texts[i];
    job.files[0].remoteName = texts[i];
    queue.push_back(job);
  }
  const std::vector<JobInfo> jobs = Snapshot(queue);
  ASSERT_EQ(jobs.size(), texts.size());
  for (size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE("text " + std::to_string(i));
    EXPECT_TRUE(jobs[i].displayName == texts[i]);
    ExpectListReportAndExportRight(jobs[i]);
  }
}

TEST_F(HostileText, AtSignAndTabAtEveryPosition) {
  const WideText base = Wide("Nightly sync of reports");
  std::vector<ProviderJob> queue;
  for (const WideText& inserted : {Wide("@"), Wide("\t"), Wide("@C1@b"), Wide("@.\t@")}) {
    for (size_t at = 0; at <= base.size(); ++at) {
      WideText text = base;
      text.insert(at, inserted);
      ProviderJob job = ReliabilityJob(static_cast<uint32_t>(queue.size() + 1));
      job.displayName = text;
      job.description = text;
      job.notifyArguments = text;
      queue.push_back(job);
    }
  }
  const std::vector<JobInfo> jobs = Snapshot(queue);
  ASSERT_EQ(jobs.size(), queue.size());
  for (size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE("job " + std::to_string(i));
    ExpectListReportAndExportRight(jobs[i]);
  }
}

TEST_F(HostileText, EmbeddedNullsAreKeptInTheReport) {
  ProviderJob job = ReliabilityJob(1);
  // BITS hands out null-terminated strings, so a null ends the text it is in; the record and the
  // report carry what came before it, and nothing beyond.
  job.description = WideText{'a', 'b', 0, 'c'};
  const std::vector<JobInfo> jobs = Snapshot({job});
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(jobs[0].description == Wide("ab"));
  ExpectListReportAndExportRight(jobs[0]);
}

using HostileCodes = DataTest;

// BITS is another process: its state, type and priority codes can be any 32-bit value, and no such
// value may be taken for one the program knows or make the program misbehave.
TEST_F(HostileCodes, AnyStateTypeAndPriorityCodeGivesAText) {
  const uint32_t codes[] = {9, 15, 16, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
  std::vector<ProviderJob> queue;
  for (uint32_t code : codes) {
    ProviderJob job = ReliabilityJob(static_cast<uint32_t>(queue.size() + 1));
    job.state = static_cast<BG_JOB_STATE>(code);
    job.type = static_cast<BG_JOB_TYPE>(code);
    job.priority = static_cast<BG_JOB_PRIORITY>(code);
    queue.push_back(job);
  }
  const std::vector<JobInfo> jobs = Snapshot(queue);
  ASSERT_EQ(jobs.size(), queue.size());
  for (size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE("code " + std::to_string(codes[i]));
    EXPECT_TRUE(jobs[i].state == Wide("Unknown"));
    EXPECT_TRUE(jobs[i].type == Wide("Upload"));
    EXPECT_TRUE(jobs[i].priority == Wide("Unknown"));
    ExpectListReportAndExportRight(jobs[i]);
  }
}

}  // namespace
