#include "app/job_list.h"

#include <utility>

#include "accessibility/accessibility.h"
#include "app/busy_pointer.h"
#include "bits/job_snapshot.h"
#include "bits/utf8.h"

Fl_Hold_Browser* jobBrowser = nullptr;

int jobListColumnWidths[4] = {300, 800, 120, 0};

namespace {

// The identifier of the job each line showed when the list was last filled, line n at n - 1.
std::vector<WideText> lineJobIds;

// Ends the browser's reading of formatting codes at the start of a column, so a text that begins
// with the at sign is shown as written.
constexpr const char* kLiteralColumn = "@.";

bool IsUnsafeInLine(WCHAR unit) {
  return unit < 0x20 || unit == 0x7F || (unit >= 0x80 && unit <= 0x9F) || unit == 0x2028 ||
         unit == 0x2029;
}

// The X server refuses to draw a few hundred thousand characters in one request, and Xlib then
// aborts the program; a column shows at most this many code units, far more than the list's width,
// and marks the cut with an ellipsis. Job Details and the export keep the whole text.
constexpr size_t kMostShownInColumn = 4096;

bool IsHighSurrogate(WCHAR unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

bool IsShownAsWritten(const WideText& text) {
  if (text.size() > kMostShownInColumn) return false;
  for (WCHAR unit : text) {
    if (IsUnsafeInLine(unit)) return false;
  }
  return true;
}

// Plain printable ASCII, what most job texts are, is its own UTF-8: it is copied in the pass that
// checks it, which keeps the list's fill within its budget beside the reads. Anything else is left
// to the platform's converter.
bool AppendPlainAscii(const WideText& text, std::string& line) {
  if (text.size() > kMostShownInColumn) return false;
  const size_t start = line.size();
  line.resize(start + text.size());
  char* out = &line[start];
  for (WCHAR unit : text) {
    if (unit < 0x20 || unit >= 0x7F) {
      line.resize(start);
      return false;
    }
    *out++ = static_cast<char>(unit);
  }
  return true;
}

// Job texts are chosen by other users. A TAB would open a column of its own and push the fields
// after it aside, and a line break or other control character would break or garble the line; each
// is shown as a blank, so every line has exactly its three columns. Only a text that needs it is
// copied to be mended: the list is filled with every job of every user.
void AppendColumn(const WideText& text, std::string& line) {
  line += kLiteralColumn;
  if (AppendPlainAscii(text, line)) return;
  if (IsShownAsWritten(text)) {
    AppendUtf8(text, line);
    return;
  }
  WideText shown = text.substr(0, kMostShownInColumn);
  if (text.size() > kMostShownInColumn) {
    if (IsHighSurrogate(shown.back())) shown.pop_back();  // a pair is never split
    shown += WCHAR(0x2026);
  }
  for (WCHAR& unit : shown) {
    if (IsUnsafeInLine(unit)) unit = WCHAR(' ');
  }
  AppendUtf8(shown, line);
}

void AppendJobListLine(const JobSummary& job, std::string& line) {
  AppendColumn(job.displayName, line);
  line += '\t';
  AppendColumn(job.description, line);
  line += '\t';
  AppendColumn(job.state, line);
}

}  // namespace

std::string JobListLine(const JobSummary& job) {
  std::string line;
  AppendJobListLine(job, line);
  return line;
}

std::optional<WideText> JobIdOnLine(int line) {
  if (line <= 0 || static_cast<size_t>(line) > lineJobIds.size()) return std::nullopt;
  return lineJobIds[static_cast<size_t>(line) - 1];
}

void ReloadJobList(Fl_Widget*, void*) {
  if (jobBrowser == nullptr) return;
  jobBrowser->clear();
  lineJobIds.clear();
  try {
    const BusyPointer busy;
    std::vector<JobSummary> jobs = EnumerateJobSummaries();
    lineJobIds.reserve(jobs.size());
    std::string line;  // one buffer for every line, which the list copies
    for (JobSummary& job : jobs) {
      line.clear();
      AppendJobListLine(job, line);
      lineJobIds.push_back(std::move(job.id));
      jobBrowser->add(line.c_str(), nullptr);
    }
  } catch (...) {
    // A failed allocation for a line, an identifier or the list's own storage, part-way: the
    // lines added so far stay, each still beside its own identifier.
    lineJobIds.resize(static_cast<size_t>(jobBrowser->size()));
  }
  AnnounceListRefilled(jobBrowser);
}
