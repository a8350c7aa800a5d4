// A floor is worth comparing with only while it makes exactly the calls of the operation it stands
// beside; and the bench queues must be what the cases assume. Both drift silently when the
// catalogue changes, so both are checked here call by call.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "bench_queue.h"
#include "bits/job_control.h"
#include "bits/job_snapshot.h"
#include "catalogue_floors.h"
#include "tests/support/provider_probe.h"

namespace {

class BenchFloors : public ::testing::Test {
 protected:
  void SetUp() override { InstallBitsProvider(&provider); }
  void TearDown() override { InstallBitsProvider(nullptr); }

  // The calls one run of `operation` makes, recorded from a clean start.
  template <class Operation>
  std::vector<std::string> CallsOf(Operation operation) {
    probe.resetCounters();
    operation();
    EXPECT_TRUE(probe.misuse.empty()) << probe.misuse.front();
    EXPECT_EQ(probe.liveInterfaces(), 0);
    EXPECT_EQ(probe.liveStrings(), 0);
    return probe.calls;
  }

  BitsProvider provider;
  ProviderProbe probe{provider};
};

// Jobs every path of the snapshot goes down: notify interface or not, command line or none, no
// second interface, a failing command-line read, no files.
void VaryQueue(BitsProvider& provider) {
  FillBenchQueue(provider, 8, 3);
  provider.jobs[1].offersJob2 = false;
  provider.jobs[2].notifyCmdLineFails = true;
  provider.jobs[4].files.clear();
  provider.jobs[5].displayName.reset();
  provider.jobs[5].description.reset();
  provider.jobs[6].hasNotifyInterface = true;
}

TEST_F(BenchFloors, SnapshotFloorMakesTheCallsOfEnumerateJobsInTheirOrder) {
  VaryQueue(provider);
  size_t listed = 0;
  const std::vector<std::string> snapshot = CallsOf([&] { listed = EnumerateJobs().size(); });
  FloorCount count;
  const std::vector<std::string> floor = CallsOf([&] { count = SnapshotCallsFloor(); });

  ASSERT_EQ(listed, 8u);
  EXPECT_EQ(count.jobs, 8u);
  EXPECT_EQ(count.files, 7u * 3u);
  ASSERT_EQ(floor.size(), snapshot.size());
  for (size_t i = 0; i < snapshot.size(); ++i) {
    ASSERT_EQ(floor[i], snapshot[i]) << "call " << i;
  }
}

TEST_F(BenchFloors, SnapshotFloorStopsWhereEnumerateJobsStops) {
  FillBenchQueue(provider, 5, 2);
  probe.faults.push_back({"IEnumBackgroundCopyJobs::Next", 4, E_FAIL, false});
  const std::vector<std::string> snapshot = CallsOf([] { EnumerateJobs(); });
  FloorCount count;
  const std::vector<std::string> floor = CallsOf([&] { count = SnapshotCallsFloor(); });
  EXPECT_EQ(count.jobs, 3u);
  EXPECT_EQ(floor, snapshot);
}

TEST_F(BenchFloors, ListFillFloorMakesTheCallsOfTheFillInItsBatchesAndStopsWhereItStops) {
  FillBenchQueue(provider, 150, 1);  // three batches, the last one short
  provider.jobs[70].displayName.reset();
  provider.jobs[70].description.reset();
  size_t listed = 0;
  const std::vector<std::string> fill = CallsOf([&] { listed = EnumerateJobSummaries().size(); });
  size_t counted = 0;
  const std::vector<std::string> floor = CallsOf([&] { counted = ListFillCallsFloor(); });
  EXPECT_EQ(listed, 150u);
  EXPECT_EQ(counted, 150u);
  EXPECT_EQ(probe.uses("IEnumBackgroundCopyJobs::Next"), 3u);
  EXPECT_EQ(floor, fill);

  probe.faults.push_back({"IEnumBackgroundCopyJobs::Next", 2, E_FAIL, false});
  const std::vector<std::string> failed = CallsOf([] { EnumerateJobSummaries(); });
  EXPECT_EQ(CallsOf([&] { counted = ListFillCallsFloor(); }), failed);
  EXPECT_EQ(counted, 64u);
}

TEST_F(BenchFloors, JobReadFloorMakesTheCallsOfACommandsRead) {
  VaryQueue(provider);
  const std::vector<JobSummary> jobs = EnumerateJobSummaries();
  ASSERT_EQ(jobs.size(), 8u);
  for (size_t i : {0, 1, 2, 4, 6}) {
    SCOPED_TRACE(i);
    bool read = false;
    const std::vector<std::string> command =
        CallsOf([&] { read = ReadJobById(jobs[i].id).has_value(); });
    FloorCount count;
    const std::vector<std::string> floor = CallsOf([&] { count = JobReadCallsFloor(jobs[i].id); });
    EXPECT_TRUE(read);
    EXPECT_EQ(count.jobs, 1u);
    EXPECT_EQ(floor, command);
  }
}

TEST_F(BenchFloors, LookupFloorMakesTheCallsOfACancelThatFindsNoJob) {
  FillBenchQueue(provider, 6, 2);
  const WideText absent = WIDE_TEXT("{00000000-0000-4000-8000-000000000000}");
  bool cancelled = true;
  const std::vector<std::string> lookup = CallsOf([&] { cancelled = CancelJob(absent); });
  bool found = true;
  const std::vector<std::string> floor = CallsOf([&] { found = ControlLookupFloor(absent); });
  EXPECT_FALSE(cancelled);
  EXPECT_FALSE(found);
  EXPECT_EQ(provider.jobs.size(), 6u);
  EXPECT_EQ(floor, lookup);
}

TEST_F(BenchFloors, BenchJobsHaveDistinctIdentifiersAndTheirFiles) {
  FillBenchQueue(provider, 100000, 0);
  std::set<std::tuple<uint32_t, uint16_t, uint16_t, uint64_t>> ids;
  for (const ProviderJob& job : provider.jobs) {
    uint64_t tail = 0;
    for (uint8_t byte : job.id.Data4) tail = (tail << 8) | byte;
    ids.insert({job.id.Data1, job.id.Data2, job.id.Data3, tail});
  }
  EXPECT_EQ(ids.size(), 100000u);

  FillBenchQueue(provider, 3, 200);
  ASSERT_EQ(provider.jobs.size(), 3u);
  for (const ProviderJob& job : provider.jobs) {
    ASSERT_EQ(job.files.size(), 200u);
    EXPECT_EQ(job.progress.FilesTotal, 200u);
    EXPECT_TRUE(job.displayName && job.description && job.owner);
    EXPECT_GT(job.files.front().remoteName->size(), 60u);  // as long as real download URLs
  }
}

TEST_F(BenchFloors, InstalledQueuesAreKeptPerShape) {
  BitsProvider& small = InstallBenchQueue(10, 2);
  EXPECT_EQ(InstalledBitsProvider(), &small);
  BitsProvider& other = InstallBenchQueue(20, 1);
  EXPECT_EQ(InstalledBitsProvider(), &other);
  EXPECT_EQ(&InstallBenchQueue(10, 2), &small);
  EXPECT_EQ(small.jobs.size(), 10u);
  EXPECT_EQ(EnumerateJobs().size(), 10u);
}

}  // namespace
