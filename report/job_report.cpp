#include "report/job_report.h"

#include <charconv>
#include <cstdint>

#include "bits/text_controls.h"
#include "bits/utf8.h"

namespace {

// std::to_chars never consults a locale, so a process locale with digit grouping (set by the
// toolkit or a library) cannot put separators into the numbers.
void AppendNumber(std::string& text, uint64_t value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, end.ptr);
}

void AppendProgress(std::string& text, uint64_t transferred, uint64_t total) {
  AppendNumber(text, transferred);
  text += " / ";
  AppendNumber(text, total);
}

// "<U+000A>" for a line feed: the four upper-case hexadecimal digits of the code point.
void AppendCodePoint(std::string& text, WCHAR unit) {
  static const char kHex[] = "0123456789ABCDEF";
  const unsigned point = static_cast<unsigned>(unit);
  const char written[] = {'<', 'U', '+', kHex[(point >> 12) & 0xF], kHex[(point >> 8) & 0xF],
                          kHex[(point >> 4) & 0xF], kHex[point & 0xF], '>'};
  text.append(written, sizeof written);
}

// A job text, with every character that would act on the reader (bits/text_controls.h) written
// as its code point, so that no text can add a line of its own to the report, send an escape
// sequence to whatever shows the exported file, or turn the text around it. TAB stays: it cannot
// start a line. A text without such characters is converted as it stands. Those characters are
// none of them surrogates, so a pair is never split between two pieces.
void AppendJobText(std::string& text, const WideText& value) {
  size_t start = 0;
  for (size_t at = 0; at < value.size(); ++at) {
    const WCHAR unit = value[at];
    if (unit == WCHAR('\t') || !IsControlInJobText(unit)) continue;
    text += ToUtf8(WideText(value, start, at - start));
    AppendCodePoint(text, unit);
    start = at + 1;
  }
  text += start == 0 ? ToUtf8(value) : ToUtf8(WideText(value, start));
}

void AppendTextLine(std::string& text, const char* label, const WideText& value,
                    const char* ending) {
  text += label;
  AppendJobText(text, value);
  text += ending;
}

void AppendNumberLine(std::string& text, const char* label, uint64_t value, const char* ending) {
  text += label;
  AppendNumber(text, value);
  text += ending;
}

void AppendFileEntry(std::string& text, uint64_t number, const JobFileInfo& file) {
  text += "[";
  AppendNumber(text, number);
  text += "] Remote: ";
  AppendJobText(text, file.remoteName);
  text += "\n";
  AppendTextLine(text, "     Local:  ", file.localName, "\n");
  text += "     Bytes:  ";
  AppendProgress(text, file.bytesTransferred, file.bytesTotal);
  text += "\n\n";
}

}  // namespace

std::string FormatJobReport(const JobInfo& job) {
  std::string text;
  AppendTextLine(text, "Job ID:          ", job.id, "\n");
  AppendTextLine(text, "Display Name:    ", job.displayName, "\n");
  AppendTextLine(text, "Status:          ", job.state, "\n");
  AppendNumberLine(text, "Error Count:     ", job.errorCount, "\n");
  AppendTextLine(text, "Owner SID:       ", job.owner, "\n");
  AppendNumberLine(text, "No Progress Timeout:   ", job.noProgressTimeout, "\n");
  AppendNumberLine(text, "Minimum Retry Delay:   ", job.minimumRetryDelay, "\n");
  AppendTextLine(text, "Description:     ", job.description, "\n\n");

  text += "--- NOTIFICATION COMMAND LINE ---\n";
  AppendTextLine(text, "Program Path:    ", job.notifyProgram, "\n");
  AppendTextLine(text, "Arguments:       ", job.notifyArguments, "\n");
  AppendNumberLine(text, "Has Notify Interface:  ", job.hasNotifyInterface ? 1 : 0, "\n");
  AppendNumberLine(text, "Notify Flags:    ", job.notifyFlags, "\n\n");

  text += "--- NETWORK PROGRESS ---\n";
  AppendTextLine(text, "Job Type:        ", job.type, "\n");
  AppendTextLine(text, "Priority:        ", job.priority, "\n");
  text += "Bytes:           ";
  AppendProgress(text, job.bytesTransferred, job.bytesTotal);
  text += "\n";
  text += "Files:           ";
  AppendProgress(text, job.filesTransferred, job.filesTotal);
  text += "\n\n";

  text += "--- TIMING SIGNATURES ---\n";
  AppendTextLine(text, "Created (UTC):         ", job.created, "\n");
  AppendTextLine(text, "Modified (UTC):        ", job.modified, "\n");
  AppendTextLine(text, "Completed (UTC):       ", job.completed, "\n\n");

  // The count is what could be read, which is less than filesTotal when the list broke off.
  text += "--- FILES (";
  AppendNumber(text, job.files.size());
  text += ") ---\n";
  uint64_t number = 1;
  for (const JobFileInfo& file : job.files) {
    AppendFileEntry(text, number, file);
    ++number;
  }
  return text;
}
