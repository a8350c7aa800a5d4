// Job texts as BITS hands them out: UTF-16 code units, whatever the platform's wchar_t is.
#pragma once

#include <string>

#include "bits_platform.h"

using WideText = std::basic_string<WCHAR>;
