#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <FL/Fl_Native_File_Chooser.H>
#include <gtest/gtest.h>

#include "report/crlf_text_file.h"
#include "report/export_job.h"
#include "report/job_report.h"
#include "report_test_jobs.h"
#include "ui/ui_seam.h"

namespace fs = std::filesystem;

namespace {

struct ShownBox {
  bool narrow = false;
  NativeWindow owner = nullptr;
  std::string text;
  std::string caption;
  unsigned flags = 0;
};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

size_t CountOf(const std::string& text, char c) {
  size_t count = 0;
  for (char each : text) {
    count += each == c ? 1 : 0;
  }
  return count;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<fs::path> FolderContent(const fs::path& folder) {
  std::vector<fs::path> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename());
  }
  return names;
}

// Answers the save dialog as the test says and records every box and every owner look-up, in the
// order they happen.
class ExportJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("kestrelmoor-export-" + std::string(::testing::UnitTest::GetInstance()
                                                       ->current_test_info()
                                                       ->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);

    UiSeam& ui = Ui();
    ui.runSaveDialog = [this](const SaveDialogSetup& setup) {
      setups_.push_back(setup);
      events_.push_back("dialog");
      return answer_;
    };
    ui.mainWindow = [this] {
      ++ownerAsked_;
      events_.push_back("owner");
      lastOwner_ = reinterpret_cast<NativeWindow>(static_cast<uintptr_t>(0x1000 + ownerAsked_));
      return lastOwner_;
    };
    ui.messageBox = [this](NativeWindow owner, const std::string& text, const std::string& caption,
                           unsigned flags) {
      boxes_.push_back({false, owner, text, caption, flags});
      events_.push_back("box");
      return box::kIdOk;
    };
    ui.messageBoxNarrow = [this](NativeWindow owner, const std::string& text,
                                 const std::string& caption, unsigned flags) {
      boxes_.push_back({true, owner, text, caption, flags});
      events_.push_back("box");
      return box::kIdOk;
    };
  }

  void TearDown() override {
    RestorePlatformUi();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void AnswerPath(const fs::path& path) {
    answer_.status = 0;
    answer_.path = path.u8string();
  }

  // Exports the job to the path through the dialog and gives back the file's bytes.
  std::string ExportTo(const fs::path& path, const JobInfo& job) {
    AnswerPath(path);
    ExportJob(job);
    return ReadBytes(path);
  }

  void ExpectOneErrorBox(bool narrow, const std::string& text) {
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].narrow, narrow);
    EXPECT_EQ(boxes_[0].text, text);
    EXPECT_EQ(boxes_[0].caption, "Error");
    EXPECT_EQ(boxes_[0].flags, box::kOk | box::kIconError);
    // The owner is the main window, asked for after the dialog and just before the box.
    EXPECT_EQ(ownerAsked_, 1);
    EXPECT_EQ(boxes_[0].owner, lastOwner_);
    EXPECT_EQ(events_, (std::vector<std::string>{"dialog", "owner", "box"}));
  }

  fs::path folder_;
  SaveDialogOutcome answer_;
  std::vector<SaveDialogSetup> setups_;
  int ownerAsked_ = 0;
  std::vector<ShownBox> boxes_;
  std::vector<std::string> events_;
  NativeWindow lastOwner_ = nullptr;
};

JobInfo JobWithoutFiles() {
  JobInfo job = ExampleJob();
  job.files.clear();
  return job;
}

}  // namespace

TEST_F(ExportJobTest, AsksForATextFileToSaveWithoutConfirmingReplacement) {
  answer_.status = 1;
  ExportJob(ExampleJob());
  ASSERT_EQ(setups_.size(), 1u);
  EXPECT_EQ(setups_[0].type, Fl_Native_File_Chooser::BROWSE_SAVE_FILE);
  EXPECT_EQ(setups_[0].title, "Export Item");
  EXPECT_EQ(setups_[0].filter, "Text files\t*.txt");
  EXPECT_EQ(setups_[0].options, 0);
}

TEST_F(ExportJobTest, CancellingTouchesNoFileAndShowsNothing) {
  answer_.status = 1;
  answer_.path = (folder_ / "not-chosen.txt").u8string();
  ExportJob(ExampleJob());
  EXPECT_TRUE(FolderContent(folder_).empty());
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(ownerAsked_, 0);
}

TEST_F(ExportJobTest, FailedDialogShowsItsReasonInANarrowBox) {
  answer_.status = -1;
  answer_.errorText = "No error";
  answer_.path = (folder_ / "not-chosen.txt").u8string();
  ExportJob(ExampleJob());
  ExpectOneErrorBox(true, "An error has occurred: No error");
  EXPECT_TRUE(FolderContent(folder_).empty());
}

TEST_F(ExportJobTest, FileIsTheReportWithEveryLineFeedAfterACarriageReturn) {
  const JobInfo job = ExampleJob();
  const std::string report = FormatJobReport(job);
  const std::string bytes = ExportTo(folder_ / "job.txt", job);

  EXPECT_EQ(bytes.size(), report.size() + CountOf(report, '\n'));
  std::string withoutAddedReturns;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      ASSERT_GT(i, 0u);
      ASSERT_EQ(bytes[i - 1], '\r') << "bare line feed at " << i;
      withoutAddedReturns.pop_back();
    }
    withoutAddedReturns += bytes[i];
  }
  EXPECT_EQ(withoutAddedReturns, report);
  EXPECT_TRUE(boxes_.empty()) << "a successful export shows nothing";
  EXPECT_EQ(ownerAsked_, 0);
}

TEST_F(ExportJobTest, EndsWithTheCountLineWithoutFilesAndAnEmptyLineWithFiles) {
  const std::string withoutFiles = ExportTo(folder_ / "none.txt", JobWithoutFiles());
  EXPECT_TRUE(EndsWith(withoutFiles, "--- FILES (0) ---\r\n")) << withoutFiles;
  EXPECT_FALSE(EndsWith(withoutFiles, "\r\n\r\n"));

  const std::string withFiles = ExportTo(folder_ / "one.txt", ExampleJob());
  EXPECT_TRUE(EndsWith(withFiles, "     Bytes:  524288 / 1048576\r\n\r\n")) << withFiles;
}

TEST_F(ExportJobTest, NonAsciiTextIsUtf8WithoutByteOrderMark) {
  JobInfo job = ExampleJob();
  job.displayName = WIDE_TEXT("Caf\u00e9");
  const std::string bytes = ExportTo(folder_ / "job.txt", job);
  EXPECT_EQ(bytes.rfind("Job ID:          {", 0), 0u) << "something precedes the report";
  EXPECT_NE(bytes.find("\r\nDisplay Name:    Caf\xC3\xA9\r\n"), std::string::npos) << bytes;
}

TEST_F(ExportJobTest, ExistingFileIsReplacedWhole) {
  const JobInfo job = JobWithoutFiles();
  const std::string fresh = ExportTo(folder_ / "fresh.txt", job);

  WriteBytes(folder_ / "old.txt", std::string(fresh.size() * 3, 'x'));
  EXPECT_EQ(ExportTo(folder_ / "old.txt", job), fresh);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(ExportJobTest, SecondExportToTheSameNameLeavesOnlyTheSecond) {
  JobInfo first = ExampleJob();
  first.files.push_back(first.files[0]);
  const JobInfo second = JobWithoutFiles();
  const std::string expected = ExportTo(folder_ / "expected.txt", second);

  ExportTo(folder_ / "same.txt", first);
  EXPECT_EQ(ExportTo(folder_ / "same.txt", second), expected);
}

TEST_F(ExportJobTest, NameIsUsedExactlyAsTyped) {
  ExportTo(folder_ / "report", ExampleJob());
  EXPECT_EQ(FolderContent(folder_), std::vector<fs::path>{"report"});

  ExportTo(folder_ / "report.log", ExampleJob());
  EXPECT_TRUE(fs::exists(folder_ / "report.log"));
  EXPECT_FALSE(fs::exists(folder_ / "report.log.txt"));
}

TEST_F(ExportJobTest, NonAsciiFileNameKeepsItsCharacters) {
  const fs::path name = fs::u8path("Bericht \xC3\xA9t\xC3\xA9 \xE6\x97\xA5.txt");
  const std::string bytes = ExportTo(folder_ / name, ExampleJob());
  EXPECT_EQ(FolderContent(folder_), std::vector<fs::path>{name});
  EXPECT_FALSE(bytes.empty());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(ExportJobTest, MissingFolderShowsErrorOpeningFile) {
  AnswerPath(folder_ / "missing" / "job.txt");
  ExportJob(ExampleJob());
  ExpectOneErrorBox(false, "Error opening file.");
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

TEST(CrLfTextFile, KeepsATextWithoutFinalLineFeedAndEmptyLines) {
  const fs::path path = fs::temp_directory_path() / "kestrelmoor-crlf-tail.txt";
  ASSERT_EQ(WriteTextWithCrLf(path.u8string(), "\n\na\nb"), TextFileOutcome::kWritten);
  EXPECT_EQ(ReadBytes(path), "\r\n\r\na\r\nb");
  ASSERT_EQ(WriteTextWithCrLf(path.u8string(), ""), TextFileOutcome::kWritten);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(fs::file_size(path), 0u);
  fs::remove(path);
}

