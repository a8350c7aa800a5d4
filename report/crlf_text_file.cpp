#include "report/crlf_text_file.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <ios>

namespace {

// Binary mode, with the carriage returns added here rather than by the runtime, so that an export
// made on Linux and one made on Windows hold the same bytes. A carriage return that the text
// already has before a line feed stays, and gains one of its own.
void WriteWithCrLf(std::ofstream& out, const std::string& text) {
  std::string::size_type start = 0;
  while (start < text.size()) {
    const std::string::size_type lineFeed = text.find('\n', start);
    if (lineFeed == std::string::npos) {
      out.write(text.data() + start, static_cast<std::streamsize>(text.size() - start));
      return;
    }
    out.write(text.data() + start, static_cast<std::streamsize>(lineFeed - start));
    out.write("\r\n", 2);
    start = lineFeed + 1;
  }
}

}  // namespace

TextFileOutcome WriteTextWithCrLf(const std::string& utf8Path, const std::string& text) {
  std::ofstream out;
  bool written = false;
  try {
    // u8path keeps the characters of a non-ASCII name: Windows' runtime would read a narrow path
    // in the ANSI code page instead.
    out.open(std::filesystem::u8path(utf8Path),
             std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out.is_open()) return TextFileOutcome::kNotOpened;
    WriteWithCrLf(out, text);
    written = out.good();
  } catch (const std::exception&) {
    // From u8path, a name that is not valid UTF-8 or no memory to convert it: nothing was opened.
    // From a runtime's stream, which may still throw though it reports through its state.
    if (!out.is_open()) return TextFileOutcome::kNotOpened;
  }
  // The text usually fits the stream's buffer, so a full disk shows only when the close flushes.
  out.close();
  return written && !out.fail() ? TextFileOutcome::kWritten : TextFileOutcome::kNotWritten;
}
