// The wait pointer over the main window while the queue is read or a job changed, read back from
// the X server while the in-memory service, slowed down by this test, is still answering.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/job_commands.h"
#include "app/job_list.h"
#include "app_test_support.h"

// X11's headers define names such as None and Bool, so they come after everything else.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace {

using Clock = std::chrono::steady_clock;

// The pointer image the X server shows now, pixels followed by width and height. Asked over a
// connection of its own, so that asking flushes nothing the program has not yet sent.
std::vector<unsigned long> ShownPointer() {
  static Display* const watcher = XOpenDisplay(nullptr);
  if (watcher == nullptr) return {};
  XFixesCursorImage* image = XFixesGetCursorImage(watcher);
  if (image == nullptr) return {};
  std::vector<unsigned long> shape(image->pixels, image->pixels + image->width * image->height);
  shape.push_back(image->width);
  shape.push_back(image->height);
  XFree(image);
  return shape;
}

// Shows the window, waits until the X server has it on the screen, and puts the pointer in it.
void ShowAndPointAt(Fl_Window& window) {
  window.show();
  XWindowAttributes attributes{};
  do {
    Fl::wait(0.02);
    XGetWindowAttributes(fl_display, fl_xid(&window), &attributes);
  } while (attributes.map_state != IsViewable);
  XWarpPointer(fl_display, None, fl_xid(&window), 0, 0, 0, 0, window.w() / 2, window.h() / 2);
  XSync(fl_display, False);
}

// The system's wait pointer, as a window of the toolkit's shows it.
std::vector<unsigned long> WaitPointer() {
  Fl_Window window(120, 120);
  window.end();
  ShowAndPointAt(window);
  window.cursor(FL_CURSOR_WAIT);
  XSync(fl_display, False);
  const std::vector<unsigned long> shape = ShownPointer();
  window.hide();
  Fl::flush();
  return shape;
}

// Holds up the first call of every read of the queue and job change, as a busy service would, and
// reads the pointer there; every call then goes on to the probe the fixture set.
class SlowService final : public ProviderObserver {
 public:
  explicit SlowService(BitsProvider& provider) : provider_(provider), next_(provider.observer) {
    provider_.observer = this;
  }
  ~SlowService() { provider_.observer = next_; }

  std::vector<std::vector<unsigned long>> pointers;
  Clock::time_point firstCall{};

  std::optional<HRESULT> calling(Call call, const void* target) override {
    if (call == Call::CoInitializeEx) {
      if (pointers.empty()) firstCall = Clock::now();
      pointers.push_back(ShownPointer());
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    return next_->calling(call, target);
  }
  std::optional<StrayNext> strayJobsNext() override { return next_->strayJobsNext(); }
  void referenced(int change) override { next_->referenced(change); }
  void handedOut(const void* text) override { next_->handedOut(text); }
  void retire(void* thing, void (*destroy)(void*)) override { next_->retire(thing, destroy); }

 private:
  BitsProvider& provider_;
  ProviderObserver* next_;
};

class BusyPointerTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    wait = WaitPointer();
    ASSERT_FALSE(wait.empty()) << "the X server shows no pointer image (XFixes)";
    ShowAndPointAt(*window.mainWindow);
    ASSERT_NE(ShownPointer(), wait) << "the main window starts with its own pointer";
  }

  std::vector<unsigned long> wait;
};

TEST_F(BusyPointerTest, ShowsWhileTheListIsFilledAndGoesAfterwards) {
  SlowService service(provider);
  const Clock::time_point start = Clock::now();
  ReloadJobList(nullptr, nullptr);
  ASSERT_EQ(service.pointers.size(), 1u);
  EXPECT_EQ(service.pointers[0], wait);
  EXPECT_NE(ShownPointer(), wait);
  EXPECT_EQ(jobBrowser->size(), 3);
  std::printf("the wait pointer was on the X server %.1f ms after the fill began\n",
              std::chrono::duration<double, std::milli>(service.firstCall - start).count());
}

TEST_F(BusyPointerTest, ShowsWhileACommandWorksButNotWhileItsBoxesAsk) {
  std::vector<std::vector<unsigned long>> duringBoxes;
  Ui().messageBox = [&](NativeWindow, const std::string&, const std::string&, unsigned flags) {
    duringBoxes.push_back(ShownPointer());
    return (flags & box::kButtonsMask) == box::kYesNo ? box::kIdYes : box::kIdOk;
  };
  provider.jobs[2].state = BG_JOB_STATE_CANCELLED;  // BITS refuses to suspend it
  SlowService service(provider);
  for (int line : {2, 3}) {
    jobBrowser->value(line);
    OnSuspendJob(nullptr, nullptr);
  }
  // Line 2: the look for its job, the change and the refill after the success; line 3: the look
  // for its job and the refused change.
  ASSERT_EQ(service.pointers.size(), 5u);
  for (const auto& pointer : service.pointers) EXPECT_EQ(pointer, wait);
  ASSERT_EQ(duringBoxes.size(), 4u);  // two confirmations, the success and the failure
  for (const auto& pointer : duringBoxes) EXPECT_NE(pointer, wait);
  EXPECT_NE(ShownPointer(), wait);
}

}  // namespace
