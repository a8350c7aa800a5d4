// Display texts for the codes and times that BITS reports.
#pragma once

#include <cstdint>

#include "bits/wide_text.h"
#include "bits_platform.h"

// The codes are taken as plain numbers: the service is another process and may send any value,
// which the SDK's enums, having no fixed underlying type, cannot hold without undefined behaviour.
WideText JobStateText(uint32_t code);
WideText JobPriorityText(uint32_t code);
WideText JobTypeText(uint32_t code);
// UTC "YYYY-MM-DD hh:mm:ss"; "N/A" for a zero time, "Unknown" when it cannot be converted.
WideText JobTimeText(const FILETIME& time);
