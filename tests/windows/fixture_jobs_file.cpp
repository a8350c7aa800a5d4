#include "fixture_jobs_file.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include "bits/utf8.h"

namespace {

std::string Escaped(const WideText& text) {
  std::string out;
  for (char c : ToUtf8(text)) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool Unescaped(const std::string& field, WideText& text) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
      continue;
    }
    if (++i == field.size()) return false;
    switch (field[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      default:
        return false;
    }
  }
  text = FromUtf8(out);
  return true;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::string FormatFixtureJobs(const std::vector<FixtureJob>& jobs) {
  std::string out;
  for (const FixtureJob& job : jobs) {
    const std::string id = Escaped(job.id);
    out += "job\t" + id + "\t" + (job.upload ? "Upload" : "Download") + "\t" +
           Escaped(job.displayName) + "\n";
    if (job.description) out += "description\t" + id + "\t" + Escaped(*job.description) + "\n";
    out += "priority\t" + id + "\t" + Escaped(job.priorityAsked) + "\n";
    out += "notify-flags\t" + id + "\t" + std::to_string(job.notifyFlags) + "\n";
    for (const FixtureFile& file : job.files) {
      out +=
          "file\t" + id + "\t" + Escaped(file.remoteName) + "\t" + Escaped(file.localName) + "\n";
    }
  }
  return out;
}

std::optional<std::vector<FixtureJob>> ReadFixtureJobs(const std::wstring& path,
                                                       std::string& error) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) {
    error = "cannot open " + ToUtf8(WideText(path.begin(), path.end()));
    return std::nullopt;
  }
  std::string content;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
  fclose(file);

  std::vector<FixtureJob> jobs;
  std::map<WideText, size_t> byId;
  size_t lineNumber = 0;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    const std::string line = content.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (line.empty()) continue;

    const std::vector<std::string> fields = Fields(line);
    std::vector<WideText> texts(fields.size());
    for (size_t i = 1; i < fields.size(); ++i) {
      if (!Unescaped(fields[i], texts[i])) {
        error = "bad escape on line " + std::to_string(lineNumber);
        return std::nullopt;
      }
    }
    const std::string& kind = fields[0];
    if (kind == "job" && fields.size() == 4) {
      FixtureJob job;
      job.id = texts[1];
      job.upload = fields[2] == "Upload";
      job.displayName = texts[3];
      byId[job.id] = jobs.size();
      jobs.push_back(job);
      continue;
    }
    auto known = fields.size() >= 3 ? byId.find(texts[1]) : byId.end();
    if (known == byId.end()) {
      error = "line " + std::to_string(lineNumber) + " names no job listed before it";
      return std::nullopt;
    }
    FixtureJob& job = jobs[known->second];
    if (kind == "description" && fields.size() == 3) {
      job.description = texts[2];
    } else if (kind == "priority" && fields.size() == 3) {
      job.priorityAsked = texts[2];
    } else if (kind == "notify-flags" && fields.size() == 3) {
      job.notifyFlags = std::strtoul(fields[2].c_str(), nullptr, 10);
    } else if (kind == "file" && fields.size() == 4) {
      job.files.push_back(FixtureFile{texts[2], texts[3]});
    } else {
      error = "unreadable line " + std::to_string(lineNumber);
      return std::nullopt;
    }
  }
  return jobs;
}

const FixtureJob* FindFixtureJob(const std::vector<FixtureJob>& jobs, const WideText& displayName) {
  for (const FixtureJob& job : jobs) {
    if (job.displayName == displayName) return &job;
  }
  return nullptr;
}
