// Filling the job list: its lines, what job texts may not do to them, and its state after a fill.
#include <memory>
#include <string>
#include <vector>

// The test framework comes before the toolkit's drawing header, whose X11 macros clash with it.
#include "app/job_list.h"
#include "app_test_support.h"
#include "bits/utf8.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

namespace {

std::vector<std::string> Columns(const std::string& line) {
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

bool HasControlCharacter(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// Shows the window and lets it draw, then counts the list's pixels that are clearly red.
int RedPixelsInList(Fl_Window* window) {
  window->show();
  for (int i = 0; i < 20; ++i) Fl::wait(0.02);
  Fl::flush();
  window->make_current();
  const int x = jobBrowser->x(), y = jobBrowser->y(), w = jobBrowser->w(), h = jobBrowser->h();
  std::unique_ptr<uchar[]> pixels(fl_read_image(nullptr, x, y, w, h));
  if (!pixels) return -1;
  int red = 0;
  for (int i = 0; i < w * h; ++i) {
    const uchar* p = &pixels[static_cast<size_t>(i) * 3];
    if (p[0] > 200 && p[1] < 80 && p[2] < 80) ++red;
  }
  return red;
}

using JobListTest = AppTest;

TEST_F(JobListTest, OneUtf8LinePerJobWithNameDescriptionAndState) {
  provider.jobs = {MakeJob(1, u"Caf\u00E9 sync", u"\u4E2D\u6587 files", BG_JOB_STATE_ERROR),
                   MakeJob(2, u"", u"", BG_JOB_STATE_ACKNOWLEDGED)};
  ReloadJobList(nullptr, nullptr);
  const std::vector<std::string> lines = ListLines();
  ASSERT_EQ(lines.size(), 2u);
  const std::vector<std::string> first = Columns(lines[0]);
  ASSERT_EQ(first.size(), 3u) << lines[0];
  EXPECT_EQ(first[0], "@.Caf\xC3\xA9 sync");
  EXPECT_EQ(first[1], "@.\xE4\xB8\xAD\xE6\x96\x87 files");
  EXPECT_EQ(first[2], "@.Error");
  const std::vector<std::string> second = Columns(lines[1]);
  ASSERT_EQ(second.size(), 3u) << lines[1];
  EXPECT_EQ(second[0], "@.");
  EXPECT_EQ(second[1], "@.");
  EXPECT_EQ(second[2], "@.Acknowledged");
  EXPECT_EQ(jobBrowser->data(1), nullptr);
  EXPECT_EQ(jobBrowser->data(2), nullptr);
}

TEST_F(JobListTest, JobTextsCannotAddColumnsOrFormatting) {
  // A name that, read as codes and columns, would show the job as another one in another state.
  provider.jobs = {MakeJob(1, u"@C1@bUpdate\tsystem job\tTransferring", u"@@x\t@.y"),
                   MakeJob(2, u"plain", u"@")};
  ReloadJobList(nullptr, nullptr);
  const std::vector<std::string> lines = ListLines();
  ASSERT_EQ(lines.size(), 2u);
  const std::vector<std::string> first = Columns(lines[0]);
  ASSERT_EQ(first.size(), 3u) << lines[0];
  EXPECT_EQ(first[0], "@.@C1@bUpdate system job Transferring");
  EXPECT_EQ(first[1], "@.@@x @.y");
  EXPECT_EQ(first[2], "@.Queued");
  EXPECT_EQ(Columns(lines[1]), (std::vector<std::string>{"@.plain", "@.@", "@.Queued"}));
}

TEST_F(JobListTest, LineBreaksControlAndBidirectionalCharactersShowAsBlanks) {
  provider.jobs = {MakeJob(1, u"two\nlines\u202Etxt.exe\u202A\u202D\u2066\u2069",
                           u"first\r\nsecond\x1B[31m\x7F\u0085end\u2028")};
  ReloadJobList(nullptr, nullptr);
  ASSERT_EQ(jobBrowser->size(), 1);
  const std::vector<std::string> columns = Columns(jobBrowser->text(1));
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0], "@.two lines txt.exe    ");
  EXPECT_EQ(columns[1], "@.first  second [31m  end ");
}

TEST_F(JobListTest, SampleQueueGivesOneIntactLinePerJob) {
  provider.jobs.clear();
  FillSampleQueue(provider);
  ASSERT_FALSE(provider.jobs.empty());
  bool multiLine = false;
  for (const ProviderJob& job : provider.jobs) {
    if (job.description && job.description->find(u'\n') != WideText::npos) multiLine = true;
  }
  ASSERT_TRUE(multiLine) << "the sample queue holds a multi-line description";
  ReloadJobList(nullptr, nullptr);
  ASSERT_EQ(jobBrowser->size(), static_cast<int>(provider.jobs.size()));
  for (const std::string& line : ListLines()) {
    const std::vector<std::string> columns = Columns(line);
    EXPECT_EQ(columns.size(), 3u) << line;
    for (const std::string& column : columns) EXPECT_FALSE(HasControlCharacter(column)) << line;
  }
}

TEST_F(JobListTest, FormattingCodesInJobTextsAreNotApplied) {
  provider.jobs = {MakeJob(1, u"@C1@bRED NAME", u"@C1@lRED DESCRIPTION")};
  ReloadJobList(nullptr, nullptr);
  EXPECT_EQ(RedPixelsInList(window.mainWindow), 0);

  // The same codes taken as codes do show red, so the count above can see them.
  jobBrowser->add("@C1@bRED NAME");
  jobBrowser->redraw();
  EXPECT_GT(RedPixelsInList(window.mainWindow), 0);
}

TEST_F(JobListTest, EveryFillClearsTheSelectionAndScrollsBack) {
  provider.jobs.clear();
  for (uint32_t serial = 1; serial <= 60; ++serial) {
    provider.jobs.push_back(MakeJob(serial, u"job", u"a description long enough to scroll"));
  }
  ReloadJobList(nullptr, nullptr);
  window.mainWindow->show();
  jobBrowser->select(50);
  jobBrowser->topline(40);
  jobBrowser->hposition(300);
  ASSERT_EQ(jobBrowser->value(), 50);
  ASSERT_GT(jobBrowser->position(), 0);

  ReloadJobList(nullptr, nullptr);
  EXPECT_EQ(jobBrowser->value(), 0);
  EXPECT_EQ(jobBrowser->position(), 0);
  EXPECT_EQ(jobBrowser->hposition(), 0);
  EXPECT_EQ(jobBrowser->size(), 60);
}

TEST_F(JobListTest, ReloadItemShowsTheQueueAsItIsNow) {
  provider.jobs.push_back(MakeJob(0xD, u"Delta", u"added later"));
  const Fl_Menu_Item* reload = window.menuBar->find_item("&File/&Reload Jobs");
  ASSERT_NE(reload, nullptr);
  jobBrowser->select(1);
  reload->do_callback(window.menuBar);
  ASSERT_EQ(jobBrowser->size(), 4);
  EXPECT_EQ(Columns(jobBrowser->text(4))[0], "@.Delta");
  EXPECT_EQ(jobBrowser->value(), 0);
}

TEST_F(JobListTest, UnreachableServiceLeavesAnEmptyList) {
  InstallBitsProvider(nullptr);
  ReloadJobList(nullptr, nullptr);
  EXPECT_EQ(jobBrowser->size(), 0);
  EXPECT_EQ(jobBrowser->value(), 0);
  EXPECT_FALSE(JobIdOnLine(1).has_value());
  EXPECT_TRUE(seam.boxes.empty()) << "no message for an unreachable service";
}

TEST_F(JobListTest, EachLineRemembersTheIdentifierOfItsJob) {
  const std::vector<JobInfo> jobs = CurrentJobs();
  ASSERT_EQ(jobs.size(), 3u);
  for (int line = 1; line <= 3; ++line) {
    ASSERT_TRUE(JobIdOnLine(line).has_value()) << line;
    EXPECT_EQ(*JobIdOnLine(line), jobs[static_cast<size_t>(line) - 1].id) << line;
  }
  EXPECT_FALSE(JobIdOnLine(0).has_value());
  EXPECT_FALSE(JobIdOnLine(-1).has_value());
  EXPECT_FALSE(JobIdOnLine(4).has_value());

  provider.jobs.erase(provider.jobs.begin());
  ReloadJobList(nullptr, nullptr);
  EXPECT_EQ(*JobIdOnLine(1), jobs[1].id) << "a fill replaces what the lines remember";
  EXPECT_FALSE(JobIdOnLine(3).has_value());
}

}  // namespace
