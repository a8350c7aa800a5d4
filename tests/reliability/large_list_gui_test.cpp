// The main window with huge queues and huge texts, on a real (virtual) display: filling the list,
// drawing it and opening the Job Details window must finish within a bound, so that the program
// never stops answering because another user made a job too large.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/job_list.h"
#include "app/main_window.h"
#include "bits/job_snapshot.h"
#include "bits/provider/bits_provider.h"
#include "layout_oracles.h"
#include "recording_ui.h"
#include "reliability_queue.h"
#include "report/properties_window.h"
#include "text_oracles.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

namespace {

// Generous: many times what a plain build needs, enough for the sanitizer build on a busy machine,
// far below what a user would take for a hung window.
constexpr double kFillSeconds = 10.0;
constexpr double kDrawSeconds = 5.0;

double SecondsFor(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Lets the toolkit handle everything pending, drawing included.
void Settle() {
  Fl::flush();
  for (int i = 0; i < 5; ++i) Fl::wait(0.01);
  Fl::flush();
}

// Deletes every window but the main one, as their close boxes would (hiding alone leaves a Job
// Details window allocated with nothing pointing at it), then hides the main window.
void CloseAllWindowsBut(Fl_Window* main) {
  std::vector<Fl_Window*> opened;
  for (Fl_Window* shown = Fl::first_window(); shown != nullptr; shown = Fl::next_window(shown)) {
    if (shown != main) opened.push_back(shown);
  }
  for (Fl_Window* each : opened) delete each;
  while (Fl_Window* shown = Fl::first_window()) shown->hide();
}

class LargeListGui : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallBitsProvider(&provider);
    ui.Install();
  }
  void TearDown() override {
    CloseAllWindowsBut(window.mainWindow);
    Settle();
    delete window.mainWindow;
    jobBrowser = nullptr;
    InstallBitsProvider(nullptr);
  }

  // Builds the window (its first fill included), then fills it once more and shows it, with both
  // steps timed.
  void BuildFillAndShow(double& fillSeconds, double& showSeconds) {
    window = BuildMainWindow();
    fillSeconds = SecondsFor([] { ReloadJobList(nullptr, nullptr); });
    showSeconds = SecondsFor([this] {
      window.mainWindow->show();
      Settle();
    });
  }

  // Every `step`-th line of the list against the job it shows.
  void ExpectLinesRight(size_t step) {
    const std::vector<JobSummary> jobs = EnumerateJobSummaries();
    ASSERT_EQ(static_cast<size_t>(jobBrowser->size()), jobs.size());
    for (size_t i = 0; i < jobs.size(); i += step) {
      ASSERT_EQ(ListLineMismatch(jobs[i], jobBrowser->text(static_cast<int>(i + 1))), "")
          << "line " << i + 1;
    }
    EXPECT_EQ(ListLineMismatch(jobs.back(), jobBrowser->text(jobBrowser->size())), "");
  }

  BitsProvider provider;
  RecordingUi ui;
  MainWindow window;
};

TEST_F(LargeListGui, HundredThousandJobsFillScrollAndSelectWithinBounds) {
  provider.jobs = ManyJobs(100000);
  double fill = 0, show = 0;
  BuildFillAndShow(fill, show);
  RecordProperty("fill_seconds", std::to_string(fill));
  EXPECT_LT(fill, kFillSeconds);
  EXPECT_LT(show, kDrawSeconds);
  EXPECT_EQ(jobBrowser->value(), 0) << "a fill leaves no line selected";
  ExpectLinesRight(997);

  const double scroll = SecondsFor([] {
    jobBrowser->bottomline(jobBrowser->size());
    Settle();
    jobBrowser->value(50000);
    jobBrowser->middleline(50000);
    Settle();
  });
  EXPECT_LT(scroll, kDrawSeconds);
  EXPECT_EQ(jobBrowser->value(), 50000);
}

TEST_F(LargeListGui, HugeTextsFillAndDrawWithinBounds) {
  ProviderJob huge = ReliabilityJob(1);
  WideText description;
  while (description.size() < (1u << 20)) description += Wide("@C1\tlong description ");
  huge.description = description;
  WideText name;
  while (name.size() < 10000) name += WideText{'N', WCHAR(0x00E9), WCHAR(0x4E2D), '\t', '@'};
  huge.displayName = name;
  provider.jobs = {ReliabilityJob(2), huge, ReliabilityJob(3)};

  double fill = 0, show = 0;
  BuildFillAndShow(fill, show);
  EXPECT_LT(fill, kFillSeconds);
  EXPECT_LT(show, kDrawSeconds);
  ExpectLinesRight(1);

  // Scrolled to the far right, where the end of the huge line is drawn.
  const double scroll = SecondsFor([] {
    jobBrowser->hposition(1 << 30);
    Settle();
    jobBrowser->value(2);
    Settle();
  });
  EXPECT_LT(scroll, kDrawSeconds);
}

TEST_F(LargeListGui, JobDetailsOfAJobWithTenThousandFilesOpenWithinBound) {
  provider.jobs = {ReliabilityJob(1)};
  ProviderJob& job = provider.jobs[0];
  job.description = WideText(100000, WCHAR('d'));
  for (int i = 0; i < 10000; ++i) job.files.push_back(job.files[0]);
  window = BuildMainWindow();
  window.mainWindow->show();
  Settle();
  const std::vector<JobInfo> jobs = EnumerateJobs();
  ASSERT_EQ(jobs.size(), 1u);
  ASSERT_EQ(jobs[0].files.size(), 10001u);

  const double open = SecondsFor([&] {
    ShowJobProperties(jobs[0]);
    Settle();
  });
  EXPECT_LT(open, kDrawSeconds);
  Fl_Window* details = Fl::modal();
  ASSERT_NE(details, nullptr);
  EXPECT_STREQ(details->label(), "Job Details");
}

}  // namespace
