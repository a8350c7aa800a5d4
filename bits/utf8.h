// UTF-16, as job texts and the wide Windows calls have it, to and from the UTF-8 that the toolkit,
// the report files and the program's own texts use.
#pragma once

#include <string>

#include "bits/wide_text.h"

// An unpaired surrogate becomes U+FFFD. No terminating null is counted.
std::string ToUtf8(const WideText& text);
// What is not UTF-8 becomes U+FFFD, so a hostile text cannot convert to nothing and blank a message.
WideText FromUtf8(const std::string& text);
