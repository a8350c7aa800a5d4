// The figures of the Wine run, written in the shape of Google Benchmark's JSON (which has no
// Windows build here), so one budget check reads both suites.
#pragma once

#include <string>
#include <vector>

struct TimedCase {
  std::string name;                       // e.g. "WineEnumerateJobs/300/3"
  std::vector<double> milliseconds;       // one per repetition, wall-clock
  std::vector<double> cpuMilliseconds;    // this process's share of each
  std::vector<double> dropMilliseconds;   // dropping the result, when it has one
};

double Median(std::vector<double> values);

// The document: each repetition as an iteration entry, then the mean and median aggregates.
std::string BenchmarkJson(const std::vector<TimedCase>& cases);
