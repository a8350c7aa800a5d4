// What the Windows tests share: the fixture's list of jobs, lookups in a snapshot, and the state of
// COM on the test's thread.
#pragma once

#include <string>
#include <vector>

#include "bits/job_info.h"
#include "fixture_jobs_file.h"

// The --jobs-file=PATH given on the command line; empty when none was.
std::wstring& FixtureJobsPath();

// The jobs bits_fixture.exe created; fails the calling test (and gives nothing) when the list
// cannot be read.
std::vector<FixtureJob> LoadFixtureJobs();

// The record of that identifier in a snapshot, or null.
const JobInfo* FindJob(const std::vector<JobInfo>& snapshot, const WideText& id);

// True when COM is not initialised on this thread any more: a new initialisation is the first
// one (S_OK). It is undone at once.
bool ComFullyUninitialised();

// One job as the test log shows it: every field, files included, in UTF-8.
std::string DescribeJob(const JobInfo& job);
