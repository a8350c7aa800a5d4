// UTF-16, as job texts and the wide Windows calls have it, to and from the UTF-8 that the toolkit,
// the report files and the program's own texts use.
#pragma once

#include <string>

#include "bits/wide_text.h"

// An unpaired surrogate becomes U+FFFD. No terminating null is counted.
std::string ToUtf8(const WideText& text);
// The same bytes, added to the end of `out` with one call to the platform's converter instead of
// two and no text of their own in between; `out` may keep up to three bytes a unit of room.
void AppendUtf8(const WideText& text, std::string& out);
// What is not UTF-8 becomes U+FFFD, so a hostile text cannot convert to nothing and blank a message.
WideText FromUtf8(const std::string& text);
