// UTF-16 job texts to the UTF-8 that the toolkit and the report files use.
#pragma once

#include <string>

#include "bits/wide_text.h"

// An unpaired surrogate becomes U+FFFD. No terminating null is counted.
std::string ToUtf8(const WideText& text);
