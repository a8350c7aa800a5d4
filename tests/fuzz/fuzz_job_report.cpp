// FormatJobReport over arbitrary records: whatever the texts hold, every fixed label stays in its
// place and every value is the record's own.
#include <cstddef>
#include <cstdint>

#include "fuzz_records.h"
#include "layout_oracles.h"
#include "report/job_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const JobInfo job = ConsumeJobInfo(input, 64, 8);
  const std::string problem = ReportMismatch(job, FormatJobReport(job));
  if (!problem.empty()) FuzzFailure("FormatJobReport: " + problem);
  return 0;
}
