// The list of jobs that bits_fixture.exe created in Wine's BITS, as it writes it and as the tests
// read it back: UTF-8, one fact per line, TAB-separated, keyed by the job's identifier text.
//
//   job <id> Download|Upload <display name>
//   description <id> <text>          (only when one was set)
//   priority <id> <priority asked for>
//   notify-flags <id> <number>
//   file <id> <remote name> <local name>
//
// Backslash, TAB, CR and LF inside a text are written as \\, \t, \r and \n.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bits/wide_text.h"

struct FixtureFile {
  WideText remoteName;
  WideText localName;
};

struct FixtureJob {
  WideText id;
  WideText displayName;
  bool upload = false;
  std::optional<WideText> description;
  WideText priorityAsked;
  unsigned long notifyFlags = 0;
  std::vector<FixtureFile> files;  // in the order they were added
};

// The whole file's text for these jobs, in the order they were created.
std::string FormatFixtureJobs(const std::vector<FixtureJob>& jobs);

// Jobs in the order of the file; nothing when the file cannot be read or a line is malformed
// (`error` then says which).
std::optional<std::vector<FixtureJob>> ReadFixtureJobs(const std::wstring& path,
                                                       std::string& error);

// The job of that display name, or null.
const FixtureJob* FindFixtureJob(const std::vector<FixtureJob>& jobs, const WideText& displayName);
