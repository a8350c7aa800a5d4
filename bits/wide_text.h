// Job texts as BITS hands them out: UTF-16 code units, whatever the platform's wchar_t is.
#pragma once

#include <string>

#include "bits_api.h"
#include "text_allocator.h"

using WideText = std::basic_string<WCHAR, std::char_traits<WCHAR>, TextAllocator<WCHAR>>;
