// Job records shared by the report tests: the made-up job of the documented example and its texts.
#pragma once

#include <string>

#include "bits/job_info.h"

// A job with one file, half transferred, as in the documented example of the report.
inline JobInfo ExampleJob() {
  JobInfo job;
  job.id = WIDE_TEXT("{5F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8}");
  job.displayName = WIDE_TEXT("Nightly sync");
  job.state = WIDE_TEXT("Transferring");
  job.owner = WIDE_TEXT("S-1-5-18");
  job.description = WIDE_TEXT("Sample job");
  job.type = WIDE_TEXT("Download");
  job.priority = WIDE_TEXT("Normal");
  job.notifyProgram = WIDE_TEXT("None");
  job.notifyArguments = WIDE_TEXT("None");
  job.bytesTotal = 1048576;
  job.bytesTransferred = 524288;
  job.filesTotal = 1;
  job.filesTransferred = 0;
  job.created = WIDE_TEXT("2024-03-05 08:15:42");
  job.modified = WIDE_TEXT("2024-03-05 08:16:01");
  job.completed = WIDE_TEXT("N/A");
  job.errorCount = 0;
  job.noProgressTimeout = 1209600;
  job.notifyFlags = 3;
  job.hasNotifyInterface = false;
  job.minimumRetryDelay = 600;
  JobFileInfo file;
  file.remoteName = WIDE_TEXT("\\\\server\\share\\file.bin");
  file.localName = WIDE_TEXT("C:\\Data\\file.bin");
  file.bytesTotal = 1048576;
  file.bytesTransferred = 524288;
  job.files.push_back(file);
  return job;
}

// The example's report up to and including the empty line before the files section.
inline const std::string kExampleHead =
    "Job ID:          {5F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8}\n"
    "Display Name:    Nightly sync\n"
    "Status:          Transferring\n"
    "Error Count:     0\n"
    "Owner SID:       S-1-5-18\n"
    "No Progress Timeout:   1209600\n"
    "Minimum Retry Delay:   600\n"
    "Description:     Sample job\n"
    "\n"
    "--- NOTIFICATION COMMAND LINE ---\n"
    "Program Path:    None\n"
    "Arguments:       None\n"
    "Has Notify Interface:  0\n"
    "Notify Flags:    3\n"
    "\n"
    "--- NETWORK PROGRESS ---\n"
    "Job Type:        Download\n"
    "Priority:        Normal\n"
    "Bytes:           524288 / 1048576\n"
    "Files:           0 / 1\n"
    "\n"
    "--- TIMING SIGNATURES ---\n"
    "Created (UTC):         2024-03-05 08:15:42\n"
    "Modified (UTC):        2024-03-05 08:16:01\n"
    "Completed (UTC):       N/A\n"
    "\n";

inline const std::string kExampleReport = kExampleHead +
                                          "--- FILES (1) ---\n"
                                          "[1] Remote: \\\\server\\share\\file.bin\n"
                                          "     Local:  C:\\Data\\file.bin\n"
                                          "     Bytes:  524288 / 1048576\n"
                                          "\n";
