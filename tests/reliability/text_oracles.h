// Conversions written out a second time, independently of the program's own, so that its answers
// can be checked on any input: UTF-16 and UTF-8 decoding, UTF-8 encoding, the civil calendar, and
// the carriage returns the export adds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bits/wide_text.h"

// The code points of a UTF-16 text; an unpaired surrogate counts as U+FFFD.
std::vector<uint32_t> CodePointsOfUtf16(const WideText& text);

// The UTF-8 bytes of code points that are not surrogates.
std::string Utf8OfCodePoints(const std::vector<uint32_t>& codePoints);

// The UTF-8 that a correct converter makes of `text`: every pair joined, every lone surrogate the
// replacement character.
std::string ExpectedUtf8(const WideText& text);

// A job text as the report writes it: the UTF-8 of ExpectedUtf8, except that each C0 control but
// TAB, DEL, each C1 control, U+2028, U+2029 and each bidirectional embedding, override or isolate
// (U+202A to U+202E, U+2066 to U+2069) stands as "<U+" its four upper-case hex digits ">".
std::string ExpectedReportText(const WideText& text);

// Strict decoding: false for a truncated or overlong sequence, a surrogate, a code point above
// U+10FFFF or a stray continuation byte.
bool DecodeUtf8(const std::string& bytes, std::vector<uint32_t>& codePoints);

// Days from 1 January 1970 to the given proleptic Gregorian date (Howard Hinnant's
// days_from_civil).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);
unsigned DaysInMonth(int64_t year, unsigned month);

// Checks a time text against the FILETIME it was made from: "N/A" for zero, "Unknown" for a value
// with the top bit set, otherwise "YYYY-MM-DD hh:mm:ss" naming exactly the whole second of `ticks`.
// Empty when it matches, otherwise what is wrong.
std::string TimeTextMismatch(uint64_t ticks, const WideText& text);

// The bytes the export must write for `text`: every line feed after a carriage return of its own.
std::string WithCrLf(const std::string& text);

// A UTF-16 text from ASCII, for readable test data.
WideText Wide(const std::string& ascii);
