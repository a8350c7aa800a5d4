// Writing a text to a file with every line feed stored as carriage return and line feed, the same
// bytes on every platform.
#pragma once

#include <string>

enum class TextFileOutcome {
  kWritten,
  kNotOpened,   // nothing was written; an existing file may still be whole
  kNotWritten,  // the file was opened, so its old content is gone, but writing or closing failed
};

// Creates the file or truncates it, with no sharing restriction, and writes the text. The path is
// UTF-8 on every platform (on Windows it reaches the system as UTF-16). Throws nothing.
TextFileOutcome WriteTextWithCrLf(const std::string& utf8Path, const std::string& text);
