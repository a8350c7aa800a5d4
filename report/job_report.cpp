#include "report/job_report.h"

#include <charconv>
#include <cstdint>

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

void AppendTextLine(std::string& text, const char* label, const WideText& value,
                    const char* ending) {
  text += label;
  text += ToUtf8(value);
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
  text += ToUtf8(file.remoteName);
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
