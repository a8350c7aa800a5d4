// The characters of a job text that act on whoever reads it instead of standing for themselves.
// Any user can write a job's texts, and an administrator reads them: a line break lets a text add
// lines that look like the program's own, an escape sequence drives the terminal that shows a
// file, and a bidirectional override makes "exe.txt" read as "txt.exe".
#pragma once

#include "bits/wide_text.h"

// The C0 controls (TAB among them), DEL, the C1 controls, the line and paragraph separators, the
// bidirectional embeddings and overrides (U+202A to U+202E) and isolates (U+2066 to U+2069).
constexpr bool IsControlInJobText(WCHAR unit) {
  return unit < 0x20 || unit == 0x7F || (unit >= 0x80 && unit <= 0x9F) || unit == 0x2028 ||
         unit == 0x2029 || (unit >= 0x202A && unit <= 0x202E) || (unit >= 0x2066 && unit <= 0x2069);
}
