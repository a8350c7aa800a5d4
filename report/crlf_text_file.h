// Writing a text to a file with every line feed stored as carriage return and line feed, the same
// bytes on every platform.
#pragma once

#include <string>

enum class TextFileOutcome {
  kWritten,
  kNotOpened,   // nothing was written, and whatever had the name is as it was
  kNotWritten,  // the file was opened, so its old content is gone, but writing or closing failed
};

// Creates the file or opens the one there, and only once it is a plain file of its own (never a
// link, nor a file with another name besides: report/export_file.h) empties it and writes the
// text. The path is UTF-8 on every platform (on Windows it reaches the system as UTF-16). Throws
// nothing.
TextFileOutcome WriteTextWithCrLf(const std::string& utf8Path, const std::string& text);
