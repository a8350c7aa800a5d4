// Display texts for the codes and times that BITS reports.
#pragma once

#include "bits_platform.h"
#include "bits/wide_text.h"

WideText JobStateText(BG_JOB_STATE state);
WideText JobPriorityText(BG_JOB_PRIORITY priority);
WideText JobTypeText(BG_JOB_TYPE type);
// UTC "YYYY-MM-DD hh:mm:ss"; "N/A" for a zero time, "Unknown" when it cannot be converted.
WideText JobTimeText(const FILETIME& time);
