#include <string>
#include <vector>

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Multiline_Output.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include "report/job_report.h"
#include "report/properties_window.h"
#include "report_test_jobs.h"

namespace {

std::vector<Fl_Window*> ShownDetailsWindows() {
  std::vector<Fl_Window*> windows;
  for (Fl_Window* window = Fl::first_window(); window != nullptr;
       window = Fl::next_window(window)) {
    if (window->label() != nullptr && std::string(window->label()) == "Job Details") {
      windows.push_back(window);
    }
  }
  return windows;
}

// Shows the job and gives back the one window that the call added.
Fl_Window* ShowAndFind(const JobInfo& job) {
  const std::vector<Fl_Window*> before = ShownDetailsWindows();
  ShowJobProperties(job);
  Fl_Window* added = nullptr;
  for (Fl_Window* window : ShownDetailsWindows()) {
    bool known = false;
    for (Fl_Window* old : before) {
      known = known || old == window;
    }
    if (!known) {
      EXPECT_EQ(added, nullptr) << "more than one window appeared";
      added = window;
    }
  }
  return added;
}

Fl_Multiline_Output* ReportWidget(Fl_Window* window) {
  if (window == nullptr || window->children() != 1) {
    return nullptr;
  }
  return dynamic_cast<Fl_Multiline_Output*>(window->child(0));
}

void PressEscape(Fl_Window* window) {
  Fl::e_keysym = FL_Escape;
  Fl::e_text = const_cast<char*>("\x1b");
  Fl::e_length = 1;
  Fl::handle(FL_KEYBOARD, window);
}

// Lets the toolkit run its deferred work, such as deleting the windows handed to it.
void RunEventLoopBriefly() {
  for (int i = 0; i < 5; ++i) {
    Fl::check();
  }
}

class PropertiesWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (Fl_Window* window : ShownDetailsWindows()) {
      window->hide();
      Fl::delete_widget(window);
    }
    RunEventLoopBriefly();
  }
};

}  // namespace

TEST_F(PropertiesWindowTest, ShowsTheReportInAFixedMonospacedReadOnlyText) {
  const JobInfo job = ExampleJob();
  Fl_Window* window = ShowAndFind(job);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->w(), 500);
  EXPECT_EQ(window->h(), 450);
  EXPECT_STREQ(window->label(), "Job Details");
  EXPECT_EQ(window->parent(), nullptr);
  EXPECT_EQ(window->resizable(), nullptr);
  EXPECT_EQ(window->icon(), nullptr);

  Fl_Multiline_Output* text = ReportWidget(window);
  ASSERT_NE(text, nullptr) << "the only child must be the multi-line output";
  EXPECT_EQ(text->x(), 10);
  EXPECT_EQ(text->y(), 10);
  EXPECT_EQ(text->w(), 480);
  EXPECT_EQ(text->h(), 430);
  EXPECT_TRUE(text->label() == nullptr || std::string(text->label()).empty());
  EXPECT_EQ(text->textfont(), FL_COURIER);
  EXPECT_EQ(text->textsize(), 12);
  EXPECT_TRUE(text->readonly());
  EXPECT_FALSE(text->wrap());
  EXPECT_EQ(std::string(text->value(), text->size()), FormatJobReport(job));
}

TEST_F(PropertiesWindowTest, ReportLongerThanTheWidgetsDefaultLimitIsShownWhole) {
  JobInfo job = ExampleJob();
  job.files.assign(1000, job.files[0]);
  const std::string report = FormatJobReport(job);
  ASSERT_GT(report.size(), 32767u);
  Fl_Multiline_Output* text = ReportWidget(ShowAndFind(job));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text->value(), text->size()), report);
}

TEST_F(PropertiesWindowTest, IsModalSoTheMainWindowRefusesToClose) {
  Fl_Window mainWindow(300, 200, "Kestrelmoor");
  mainWindow.end();
  mainWindow.show();
  RunEventLoopBriefly();

  Fl_Window* details = ShowAndFind(ExampleJob());
  ASSERT_NE(details, nullptr);
  EXPECT_EQ(Fl::modal(), details);
  EXPECT_EQ(Fl::handle(FL_CLOSE, &mainWindow), 0);
  EXPECT_TRUE(mainWindow.shown());

  Fl::handle(FL_CLOSE, details);
  EXPECT_EQ(Fl::modal(), nullptr);
  mainWindow.hide();
}

TEST_F(PropertiesWindowTest, EveryCallMakesANewWindow) {
  JobInfo first = ExampleJob();
  JobInfo second = ExampleJob();
  second.displayName = WIDE_TEXT("Second job");
  Fl_Window* one = ShowAndFind(first);
  Fl_Window* two = ShowAndFind(second);
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_NE(one, two);
  ASSERT_NE(ReportWidget(one), nullptr);
  ASSERT_NE(ReportWidget(two), nullptr);
  EXPECT_EQ(std::string(ReportWidget(one)->value()), FormatJobReport(first));
  EXPECT_EQ(std::string(ReportWidget(two)->value()), FormatJobReport(second));
}

TEST_F(PropertiesWindowTest, CloseBoxHidesTheWindowWhichIsDeletedLater) {
  Fl_Window* window = ShowAndFind(ExampleJob());
  ASSERT_NE(window, nullptr);
  Fl_Widget_Tracker tracker(window);

  EXPECT_EQ(Fl::handle(FL_CLOSE, window), 1);
  ASSERT_TRUE(tracker.exists()) << "deleted inside its own callback";
  EXPECT_FALSE(window->shown());
  EXPECT_TRUE(ShownDetailsWindows().empty());

  RunEventLoopBriefly();
  EXPECT_TRUE(tracker.deleted());
}

TEST_F(PropertiesWindowTest, EscapeClosesTheWindowLikeTheCloseBox) {
  Fl_Window* window = ShowAndFind(ExampleJob());
  ASSERT_NE(window, nullptr);
  Fl_Widget_Tracker tracker(window);
  RunEventLoopBriefly();

  PressEscape(window);
  ASSERT_TRUE(tracker.exists());
  EXPECT_FALSE(window->shown());
  RunEventLoopBriefly();
  EXPECT_TRUE(tracker.deleted());
}

TEST_F(PropertiesWindowTest, ReopeningAfterCloseShowsAFreshWindowAndTheOldStaysClosed) {
  Fl_Window* first = ShowAndFind(ExampleJob());
  ASSERT_NE(first, nullptr);
  Fl_Widget_Tracker firstTracker(first);
  Fl::handle(FL_CLOSE, first);
  RunEventLoopBriefly();

  JobInfo fresh = ExampleJob();
  fresh.state = WIDE_TEXT("Suspended");
  Fl_Window* second = ShowAndFind(fresh);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(firstTracker.deleted());
  EXPECT_EQ(ShownDetailsWindows().size(), 1u);
  ASSERT_NE(ReportWidget(second), nullptr);
  EXPECT_EQ(std::string(ReportWidget(second)->value()), FormatJobReport(fresh));
  EXPECT_EQ(Fl::modal(), second);
}

