// The export when the file cannot be written: each case tells the user with the right box, and a
// file that is not the whole report is never left without a box saying so.
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "data_fixture.h"
#include "reliability_queue.h"
#include "report/export_job.h"
#include "report/job_report.h"
#include "text_oracles.h"

namespace fs = std::filesystem;

namespace {

// Sets or clears the immutable attribute, which stops writes even by root. False where the file
// system or the process's capabilities do not allow it.
bool SetImmutable(const fs::path& path, bool immutable) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (done) {
    flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return done;
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class ExportFailure : public DataTest {
 protected:
  void TearDown() override {
    if (!immutable_.empty()) SetImmutable(immutable_, false);
    DataTest::TearDown();
  }

  void ExportTo(const fs::path& path, const JobInfo& job) {
    ui.savePath = path.u8string();
    ui.boxes.clear();
    ExportJob(job);
  }

  void ExpectOneErrorBox(const std::string& text) {
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, text);
    EXPECT_EQ(ui.boxes[0].caption, "Error");
    EXPECT_EQ(ui.boxes[0].flags, box::kOk | box::kIconError);
  }

  JobInfo AJob() {
    const std::vector<JobInfo> jobs = Snapshot({ReliabilityJob(7)});
    return jobs.empty() ? JobInfo() : jobs[0];
  }

  fs::path immutable_;
};

TEST_F(ExportFailure, ReadOnlyFileKeepsItsContentAndSaysSo) {
  const fs::path file = folder / "locked.txt";
  WriteFileBytes(file, "the old content\r\n");
  if (!SetImmutable(file, true)) {
    GTEST_SKIP() << "the immutable attribute cannot be set here (file system or capability); as "
                    "root no permission bit stops a write";
  }
  immutable_ = file;
  ExportTo(file, AJob());
  ExpectOneErrorBox("Error opening file.");
  EXPECT_EQ(ReadFileBytes(file), "the old content\r\n");
}

// Another user may leave anything at the name the user types: whatever is there and is not a
// plain file of its own is refused, and neither it nor what it leads to is changed.
TEST_F(ExportFailure, NameThatIsNoPlainFileOfItsOwnIsRefusedAndLeftAlone) {
  struct Row {
    const char* what;
    void (*make)(const fs::path& name, const fs::path& victim);
  };
  const Row rows[] = {
      {"a folder", [](const fs::path& name, const fs::path&) { fs::create_directory(name); }},
      {"a symbolic link to a file",
       [](const fs::path& name, const fs::path& victim) { fs::create_symlink(victim, name); }},
      {"a symbolic link to no file",
       [](const fs::path& name, const fs::path& victim) {
         fs::create_symlink(victim.parent_path() / "absent.txt", name);
       }},
      {"a second hard link of a file",
       [](const fs::path& name, const fs::path& victim) { fs::create_hard_link(victim, name); }},
      {"a named pipe", [](const fs::path& name, const fs::path&) { mkfifo(name.c_str(), 0600); }},
  };
  const fs::path victim = folder / "victim.txt";
  const fs::path name = folder / "report.txt";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WriteFileBytes(victim, "the victim's own content\n");
    row.make(name, victim);
    const fs::file_type before = fs::symlink_status(name).type();
    ExportTo(name, AJob());
    ExpectOneErrorBox("Error opening file.");
    EXPECT_EQ(fs::symlink_status(name).type(), before);
    EXPECT_EQ(ReadFileBytes(victim), "the victim's own content\n");
    EXPECT_FALSE(fs::exists(folder / "absent.txt"));
    fs::remove(name);
  }
}

TEST_F(ExportFailure, NameTooLongForTheFileSystemSaysSo) {
  ExportTo(folder / std::string(300, 'n'), AJob());
  ExpectOneErrorBox("Error opening file.");
  EXPECT_TRUE(fs::is_empty(folder));
}

// A file that may grow only so far stands for a disk that fills up part-way through the report:
// the start of the report is on disk, so the user must be told.
TEST_F(ExportFailure, WriteStoppedPartWaySaysSoAndLeavesOnlyTheStart) {
  JobInfo job = AJob();
  job.files.assign(2000, job.files.at(0));  // far beyond a stream buffer, so writes fail early
  const std::string expected = WithCrLf(FormatJobReport(job));
  const fs::path file = folder / "partial.txt";

  constexpr rlim_t kLimit = 3000;
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < kLimit) GTEST_SKIP() << "limit too low";
  // Beyond the limit a write fails with EFBIG instead of ending the process.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit limited = saved;
  limited.rlim_cur = kLimit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  ExportTo(file, job);
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);

  ExpectOneErrorBox("Error writing file.");
  const std::string bytes = ReadFileBytes(file);
  EXPECT_LE(bytes.size(), kLimit);
  EXPECT_EQ(bytes, expected.substr(0, bytes.size())) << "what was written is not the report's start";
}

}  // namespace
