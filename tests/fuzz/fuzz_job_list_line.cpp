// The job list line over arbitrary records: three columns whatever the texts hold, no TAB inside a
// column, no column that starts with a formatting code, and every character the job's own.
#include <cstddef>
#include <cstdint>

#include "app/job_list.h"
#include "fuzz_records.h"
#include "layout_oracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  JobSummary job;
  job.displayName = ConsumeWideText(input, 256);
  job.description = ConsumeWideText(input, 256);
  job.state = ConsumeWideText(input, 32);
  const std::string problem = ListLineMismatch(job, JobListLine(job));
  if (!problem.empty()) FuzzFailure("JobListLine: " + problem);
  return 0;
}
