// The help file's page of messages against the program: every box a command can show, brought up
// through the recording seam, has its words on the page.
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>

#include "app/help_commands.h"
#include "app/job_commands.h"
#include "app/job_list.h"
#include "app_test_support.h"

namespace {

// The page's text as a reader sees it: tags gone, entities read, every run of blanks one blank.
std::string PageText(const std::string& path) {
  std::ifstream in(path);
  std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  html = std::regex_replace(html, std::regex("<[^>]*>"), "");
  for (const auto& [entity, character] : {std::pair<const char*, const char*>{"&lt;", "<"},
                                          {"&gt;", ">"},
                                          {"&quot;", "\""},
                                          {"&#39;", "'"},
                                          {"&nbsp;", " "},
                                          {"&amp;", "&"}}) {
    html = std::regex_replace(html, std::regex(entity), character);
  }
  return std::regex_replace(html, std::regex("\\s+"), " ");
}

std::string OneLine(const std::string& text) {
  return std::regex_replace(text, std::regex("\\s+"), " ");
}

class MessagesPage : public AppTest {
 protected:
  // Chooses `command` with `line` selected (0: none); the seam answers Yes to whatever it asks.
  void Choose(Fl_Callback* command, int line) {
    jobBrowser->value(line);
    command(nullptr, nullptr);
  }
};

TEST_F(MessagesPage, ListsEveryMessageTheProgramShows) {
  // Every control command once on a job BITS refuses it for, and once on a job that takes it.
  provider.jobs[2].state = BG_JOB_STATE_CANCELLED;
  Choose(OnProperties, 0);
  const std::pair<Fl_Callback*, int> steps[] = {
      {OnSuspendJob, 3}, {OnSuspendJob, 1},  {OnResumeJob, 3}, {OnResumeJob, 1},
      {OnCompleteJob, 3}, {OnCompleteJob, 2},  // Bravo goes, so the cancelled job is on line 2
      {OnCancelJob, 2},   {OnCancelJob, 1}};
  for (const auto& [command, line] : steps) Choose(command, line);

  // The export's three failures: the dialog's, a file that cannot be opened, a write that fails.
  Ui().runSaveDialog = [](const SaveDialogSetup&) {
    SaveDialogOutcome failed;
    failed.status = -1;
    return failed;
  };
  Choose(OnExport, 1);
  seam.Install();
  for (const char* path : {"/nonexistent-folder/report.txt", "/dev/full"}) {
    seam.savePath = path;
    Choose(OnExport, 1);
  }

  Ui().executableFolder = [] { return std::string("/nonexistent-folder"); };
  Ui().shellOpen = [](const std::string&) -> intptr_t { return 2; };
  OnHelp(nullptr, nullptr);
  OnAbout(nullptr, nullptr);

  const std::string page = PageText(KESTRELMOOR_HELP_SOURCE_DIR "/messages.html");
  ASSERT_GT(page.size(), 1000u);
  // 1 no selection, 4 x (confirmation, failure, confirmation, success), 3 export, help, About.
  ASSERT_EQ(seam.boxes.size(), 22u);
  for (const ShownBox& shown : seam.boxes) {
    // The dialog's reason and the shell's code vary; the page names them in words.
    const std::string words = std::regex_replace(OneLine(shown.text), std::regex(" ?\\d*$"), "");
    EXPECT_NE(page.find(words), std::string::npos) << '"' << words << "\" is not on the page";
  }
}

}  // namespace
