#include "report/crlf_text_file.h"

#include "report/export_file.h"

namespace {

// The carriage returns are added here rather than by the runtime, so that an export made on Linux
// and one made on Windows hold the same bytes. A carriage return that the text already has before
// a line feed stays, and gains one of its own. The bytes go out through a buffer of fixed size, so
// that writing needs no memory of its own, however long the text.
bool WriteWithCrLf(ExportFileHandle file, const std::string& text) {
  char buffer[16384];
  size_t used = 0;
  for (const char c : text) {
    if (used + 2 > sizeof buffer) {
      if (!WriteExportFile(file, buffer, used)) return false;
      used = 0;
    }
    if (c == '\n') buffer[used++] = '\r';
    buffer[used++] = c;
  }
  return used == 0 || WriteExportFile(file, buffer, used);
}

}  // namespace

TextFileOutcome WriteTextWithCrLf(const std::string& utf8Path, const std::string& text) {
  ExportFileHandle file = 0;
  bool opened = false;
  try {
    opened = OpenExportFile(utf8Path, file);
  } catch (...) {
    // No memory for the path's conversion: nothing was opened.
  }
  if (!opened) return TextFileOutcome::kNotOpened;
  const bool written = WriteWithCrLf(file, text);
  const bool closed = CloseExportFile(file);
  return written && closed ? TextFileOutcome::kWritten : TextFileOutcome::kNotWritten;
}
