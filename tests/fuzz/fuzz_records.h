// Turning fuzzer bytes into job texts and records. Texts lean towards the code units that break
// things: TAB, line breaks, the at sign, nulls, controls and surrogates of both halves.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <string>

#include "bits/job_info.h"
#include "bits/wide_text.h"

WideText ConsumeWideText(FuzzedDataProvider& input, size_t mostUnits);

// A record with every field chosen by the input, files included.
JobInfo ConsumeJobInfo(FuzzedDataProvider& input, size_t mostUnits, size_t mostFiles);

// Ends the run with the input kept by libFuzzer as a crash, saying what went wrong.
[[noreturn]] void FuzzFailure(const std::string& what);
