#include "app/help_commands.h"

#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/job_list.h"
#include "bits/provider/bits_provider.h"
#include "res/product.h"
#include "tests/support/provider_probe.h"
#include "ui/ui_seam.h"

namespace {

struct Box {
  NativeWindow owner;
  std::string text;
  std::string caption;
  unsigned flags;
};

// The seam replaced: records what the handlers ask of the shell and the message boxes, and lets
// each test choose the shell's answer and the executable's folder.
class HelpCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Ui().mainWindow = [this] {
      ++mainWindowAsked;
      return mainWindowHandle;
    };
    Ui().messageBox = [this](NativeWindow owner, const std::string& text,
                             const std::string& caption, unsigned flags) {
      boxes.push_back({owner, text, caption, flags});
      return box::kIdOk;
    };
    Ui().messageBoxNarrow = [this](NativeWindow, const std::string& text, const std::string&,
                                   unsigned) {
      narrowBoxes.push_back(text);
      return box::kIdOk;
    };
    Ui().shellOpen = [this](const std::string& target) -> intptr_t {
      opened.push_back(target);
      return shellAnswer;
    };
    Ui().executableFolder = [this] { return exeFolder; };
  }
  void TearDown() override { RestorePlatformUi(); }

  NativeWindow mainWindowHandle = reinterpret_cast<NativeWindow>(static_cast<uintptr_t>(0x4B37));
  intptr_t shellAnswer = 42;
  std::string exeFolder = "/opt/kestrelmoor/bin";
  int mainWindowAsked = 0;
  std::vector<Box> boxes;
  std::vector<std::string> narrowBoxes;
  std::vector<std::string> opened;
};

TEST(HelpTexts, AboutTextIsFiveLinesWithTheVersionFromTheProductHeader) {
  EXPECT_EQ(AboutText(),
            "Kestrelmoor v1.2.0\n"
            "Windows BITS Job Viewer and Management Tool\n"
            "Copyright (c) 2026 The Kestrelmoor developers\n"
            "Released under the MIT License\n"
            "https://kestrelmoor.example");
  const std::string versionLine = "Kestrelmoor v" + std::to_string(KESTRELMOOR_VERSION_MAJOR) +
                                  "." + std::to_string(KESTRELMOOR_VERSION_MINOR) + "." +
                                  std::to_string(KESTRELMOOR_VERSION_PATCH) + "\n";
  EXPECT_EQ(AboutText().compare(0, versionLine.size(), versionLine), 0);
}

TEST(HelpTexts, HelpErrorTextEndsInTheSignedDecimalCode) {
  const std::string prefix = "Unable to open KestrelmoorHelp.chm. Error code: ";
  EXPECT_EQ(prefix.size(), 48u);
  EXPECT_EQ(HelpErrorText(2), prefix + "2");
  EXPECT_EQ(HelpErrorText(31), prefix + "31");
  EXPECT_EQ(HelpErrorText(0), prefix + "0");
  EXPECT_EQ(HelpErrorText(-5), prefix + "-5");
  EXPECT_EQ(HelpErrorText(INTPTR_MIN), prefix + std::to_string(static_cast<long long>(INTPTR_MIN)));
}

TEST_F(HelpCommandsTest, HelpOpensTheFileInTheExecutablesFolderNotTheBareName) {
  OnHelp(nullptr, nullptr);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "/opt/kestrelmoor/bin/KestrelmoorHelp.chm");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(HelpCommandsTest, HelpJoinsAWindowsFolderWithABackslash) {
  exeFolder = "C:\\Program Files\\Kestrelmoor";
  OnHelp(nullptr, nullptr);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "C:\\Program Files\\Kestrelmoor\\KestrelmoorHelp.chm");
}

TEST_F(HelpCommandsTest, HelpInARootFolderAddsNoSecondSeparator) {
  exeFolder = "/";
  OnHelp(nullptr, nullptr);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "/KestrelmoorHelp.chm");
}

TEST_F(HelpCommandsTest, HelpFailureShowsTheCodeInAnErrorBoxOwnedByTheMainWindow) {
  for (intptr_t code : {intptr_t{2}, intptr_t{31}, intptr_t{0}, intptr_t{-1}, intptr_t{32}}) {
    boxes.clear();
    shellAnswer = code;
    OnHelp(nullptr, nullptr);
    ASSERT_EQ(boxes.size(), 1u) << "code " << code;
    EXPECT_EQ(boxes[0].text,
              "Unable to open KestrelmoorHelp.chm. Error code: " + std::to_string(code));
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].flags, box::kOk | box::kIconError);
    EXPECT_EQ(boxes[0].flags, 0x10u);  // MB_OK | MB_ICONERROR
    EXPECT_EQ(boxes[0].owner, mainWindowHandle);
  }
  EXPECT_TRUE(narrowBoxes.empty());
  EXPECT_EQ(mainWindowAsked, 5);
}

TEST_F(HelpCommandsTest, HelpSuccessShowsNoBoxAndLooksUpNoWindow) {
  for (intptr_t code : {intptr_t{33}, intptr_t{42}, INTPTR_MAX}) {
    shellAnswer = code;
    OpenHelpFile();
  }
  EXPECT_EQ(opened.size(), 3u);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(mainWindowAsked, 0);
}

TEST_F(HelpCommandsTest, HelpWithoutAMainWindowShowsTheBoxWithoutOwner) {
  Ui().mainWindow = [] { return NativeWindow(nullptr); };
  shellAnswer = 2;
  OnHelp(nullptr, nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, nullptr);
}

TEST_F(HelpCommandsTest, HelpWithoutAKnownExecutableFolderNeverFallsBackToTheCurrentFolder) {
  exeFolder.clear();
  OnHelp(nullptr, nullptr);
  EXPECT_TRUE(opened.empty());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Unable to open KestrelmoorHelp.chm. Error code: 2");
}

TEST_F(HelpCommandsTest, WebsiteAndContactOpenTheSiteAndIgnoreFailures) {
  shellAnswer = 2;  // a failure is not reported
  OnVisitWebsite(nullptr, nullptr);
  OnContact(nullptr, nullptr);
  EXPECT_EQ(opened, (std::vector<std::string>{"https://kestrelmoor.example",
                                              "https://kestrelmoor.example/contact"}));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(HelpCommandsTest, AboutShowsTheTextWithItsCaptionAndNoIcon) {
  OnAbout(nullptr, nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, AboutText());
  EXPECT_EQ(boxes[0].caption, "About Kestrelmoor");
  EXPECT_EQ(boxes[0].flags, 0u);  // MB_OK
  EXPECT_EQ(boxes[0].owner, mainWindowHandle);
  EXPECT_TRUE(opened.empty());
}

TEST_F(HelpCommandsTest, AHandlerThatThrowsInsideTheSeamDoesNotLetTheExceptionOut) {
  Ui().shellOpen = [](const std::string&) -> intptr_t { throw std::runtime_error("seam"); };
  Ui().messageBox = [](NativeWindow, const std::string&, const std::string&, unsigned) -> int {
    throw std::bad_alloc();
  };
  EXPECT_NO_THROW(OnHelp(nullptr, nullptr));
  EXPECT_NO_THROW(OnVisitWebsite(nullptr, nullptr));
  EXPECT_NO_THROW(OnContact(nullptr, nullptr));
  EXPECT_NO_THROW(OnAbout(nullptr, nullptr));
}

// Needs a display for the list's fonts; run under Xvfb.
TEST_F(HelpCommandsTest, NoHandlerTouchesTheJobListOrBits) {
  BitsProvider provider;
  ProviderProbe probe(provider);
  InstallBitsProvider(&provider);
  Fl_Window window(300, 200, "Kestrelmoor");
  Fl_Hold_Browser list(0, 0, 300, 200);
  window.end();
  Fl_Hold_Browser* const before = jobBrowser;
  jobBrowser = &list;
  list.add("first\tone\tQueued");
  list.add("second\ttwo\tSuspended");
  list.add("third\tthree\tError");
  list.value(2);
  probe.resetCounters();

  shellAnswer = 2;  // the failure path too
  OnHelp(nullptr, nullptr);
  OnVisitWebsite(nullptr, nullptr);
  OnContact(nullptr, nullptr);
  OnAbout(nullptr, nullptr);

  EXPECT_EQ(jobBrowser, &list);
  EXPECT_EQ(list.size(), 3);
  EXPECT_EQ(list.value(), 2);
  EXPECT_STREQ(list.text(2), "second\ttwo\tSuspended");
  EXPECT_TRUE(probe.calls.empty());
  EXPECT_EQ(boxes.size(), 2u);

  // With no list at all the handlers still run.
  jobBrowser = nullptr;
  EXPECT_NO_THROW(OnHelp(nullptr, nullptr));
  EXPECT_NO_THROW(OnAbout(nullptr, nullptr));
  EXPECT_EQ(jobBrowser, nullptr);
  jobBrowser = before;
  InstallBitsProvider(nullptr);
}

}  // namespace
