// Checks of the two texts every job becomes, written from their documented layout rather than from
// the program's code: the details report and the job list line. Each answers an empty string when
// the text is right, otherwise where and how it goes wrong, so that a fuzzer or a test can say it.
#pragma once

#include <string>

#include "bits/job_info.h"

// The report of `job`: every fixed label in its place and order, every value exactly the job's
// (texts in UTF-8 with the characters that act on a reader written as code points, numbers in
// plain decimal), every line ending where it must.
std::string ReportMismatch(const JobInfo& job, const std::string& report);

// The list line of `job`: exactly three TAB-separated columns (display name, description, state);
// no control character but those two TABs; no column that begins with a formatting code other than
// the one that ends formatting; each column the job's text with nothing added, dropped or reordered,
// where only control characters may have been shown as something printable. A text of more than a
// thousand characters may be cut, to no fewer than a thousand, the cut marked with an ellipsis.
std::string ListLineMismatch(const JobSummary& job, const std::string& line);
