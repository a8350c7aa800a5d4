#include "layout_oracles.h"

#include <cstdint>
#include <vector>

#include "text_oracles.h"

namespace {

// Walks the report from its start, taking each expected piece in turn.
class ReportWalk {
 public:
  explicit ReportWalk(const std::string& report) : report_(report) {}

  void take(const std::string& piece, const char* what) {
    if (!problem_.empty()) return;
    if (report_.compare(at_, piece.size(), piece) != 0) {
      problem_ = std::string("at byte ") + std::to_string(at_) + ", " + what + ": expected '" +
                 Shown(piece) + "', found '" + Shown(report_.substr(at_, piece.size() + 8)) + "'";
      return;
    }
    at_ += piece.size();
  }
  void line(const std::string& label, const std::string& value, const char* ending) {
    take(label, "label");
    take(value, label.c_str());
    take(ending, "line end");
  }
  void line(const std::string& label, const WideText& value, const char* ending) {
    line(label, ExpectedReportText(value), ending);
  }
  void line(const std::string& label, uint64_t value, const char* ending) {
    line(label, std::to_string(value), ending);
  }
  std::string finish() {
    if (problem_.empty() && at_ != report_.size()) {
      problem_ = std::to_string(report_.size() - at_) + " bytes after the last file entry";
    }
    return problem_;
  }

 private:
  static std::string Shown(const std::string& text) {
    std::string shown;
    for (char c : text.substr(0, 60)) {
      if (c == '\n') {
        shown += "\\n";
      } else if (static_cast<unsigned char>(c) < 0x20) {
        shown += '?';
      } else {
        shown += c;
      }
    }
    return shown;
  }

  const std::string& report_;
  size_t at_ = 0;
  std::string problem_;
};

std::string Pair(uint64_t done, uint64_t total) {
  return std::to_string(done) + " / " + std::to_string(total);
}

// What the list may not pass on from a job text: anything that breaks, garbles or splits a line,
// or reorders what is read.
bool IsControl(uint32_t point) {
  return point < 0x20 || point == 0x7F || (point >= 0x80 && point <= 0x9F) || point == 0x2028 ||
         point == 0x2029 || (point >= 0x202A && point <= 0x202E) ||
         (point >= 0x2066 && point <= 0x2069);
}

std::vector<std::string> SplitOnTab(const std::string& line) {
  std::vector<std::string> columns(1);
  for (char c : line) {
    if (c == '\t') {
      columns.emplace_back();
    } else {
      columns.back() += c;
    }
  }
  return columns;
}

// A text this long or shorter is shown whole; a longer one may be cut, but never this short.
constexpr size_t kShownAtLeast = 1000;
constexpr uint32_t kEllipsis = 0x2026;

std::string ColumnMismatch(const std::string& column, const WideText& text, const char* name) {
  std::string shown = column;
  // The browser reads formatting codes only at the start of a column, up to "@.", which ends them.
  if (shown.rfind("@.", 0) == 0) {
    shown.erase(0, 2);
  } else if (!shown.empty() && shown[0] == '@') {
    return std::string(name) + " column begins with a formatting code";
  }
  std::vector<uint32_t> shownPoints;
  if (!DecodeUtf8(shown, shownPoints)) return std::string(name) + " column is not valid UTF-8";
  const std::vector<uint32_t> textPoints = CodePointsOfUtf16(text);
  size_t compared = textPoints.size();
  if (shownPoints.size() != textPoints.size()) {
    // A text too long to draw may be cut, the cut marked with an ellipsis.
    const bool cut = textPoints.size() > kShownAtLeast && shownPoints.size() > kShownAtLeast &&
                     shownPoints.size() <= textPoints.size() && shownPoints.back() == kEllipsis;
    if (!cut) {
      return std::string(name) + " column has " + std::to_string(shownPoints.size()) +
             " characters, the text " + std::to_string(textPoints.size());
    }
    compared = shownPoints.size() - 1;
  }
  for (size_t i = 0; i < compared; ++i) {
    if (IsControl(shownPoints[i])) {
      return std::string(name) + " column shows a control character at " + std::to_string(i);
    }
    if (shownPoints[i] != textPoints[i] && !IsControl(textPoints[i])) {
      return std::string(name) + " column changes character " + std::to_string(i);
    }
  }
  return "";
}

}  // namespace

std::string ReportMismatch(const JobInfo& job, const std::string& report) {
  ReportWalk walk(report);
  walk.line("Job ID:          ", job.id, "\n");
  walk.line("Display Name:    ", job.displayName, "\n");
  walk.line("Status:          ", job.state, "\n");
  walk.line("Error Count:     ", job.errorCount, "\n");
  walk.line("Owner SID:       ", job.owner, "\n");
  walk.line("No Progress Timeout:   ", job.noProgressTimeout, "\n");
  walk.line("Minimum Retry Delay:   ", job.minimumRetryDelay, "\n");
  walk.line("Description:     ", job.description, "\n\n");
  walk.take("--- NOTIFICATION COMMAND LINE ---\n", "section title");
  walk.line("Program Path:    ", job.notifyProgram, "\n");
  walk.line("Arguments:       ", job.notifyArguments, "\n");
  walk.line("Has Notify Interface:  ", job.hasNotifyInterface ? "1" : "0", "\n");
  walk.line("Notify Flags:    ", job.notifyFlags, "\n\n");
  walk.take("--- NETWORK PROGRESS ---\n", "section title");
  walk.line("Job Type:        ", job.type, "\n");
  walk.line("Priority:        ", job.priority, "\n");
  walk.line("Bytes:           ", Pair(job.bytesTransferred, job.bytesTotal), "\n");
  walk.line("Files:           ", Pair(job.filesTransferred, job.filesTotal), "\n\n");
  walk.take("--- TIMING SIGNATURES ---\n", "section title");
  walk.line("Created (UTC):         ", job.created, "\n");
  walk.line("Modified (UTC):        ", job.modified, "\n");
  walk.line("Completed (UTC):       ", job.completed, "\n\n");
  walk.line("--- FILES (", job.files.size(), ") ---\n");
  for (size_t k = 0; k < job.files.size(); ++k) {
    const JobFileInfo& file = job.files[k];
    const std::string remote = ExpectedReportText(file.remoteName);
    walk.line("[", std::to_string(k + 1) + "] Remote: " + remote, "\n");
    walk.line("     Local:  ", file.localName, "\n");
    walk.line("     Bytes:  ", Pair(file.bytesTransferred, file.bytesTotal), "\n\n");
  }
  return walk.finish();
}

std::string ListLineMismatch(const JobSummary& job, const std::string& line) {
  for (char c : line) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && byte != '\t') || byte == 0x7F) return "a control byte in the line";
  }
  const std::vector<std::string> columns = SplitOnTab(line);
  if (columns.size() != 3) return std::to_string(columns.size()) + " columns instead of 3";
  std::string problem = ColumnMismatch(columns[0], job.displayName, "display name");
  if (problem.empty()) problem = ColumnMismatch(columns[1], job.description, "description");
  if (problem.empty()) problem = ColumnMismatch(columns[2], job.state, "state");
  return problem;
}
