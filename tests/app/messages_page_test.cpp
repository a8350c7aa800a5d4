// The help file's page of messages against the program: every box a command can show, brought up
// through the recording seam, has its words on the page.
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/help_commands.h"
#include "app/job_commands.h"
#include "app/job_list.h"
#include "app_test_support.h"

namespace {

// Every run of blanks one blank.
std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    if (!blank) {
      line += c;
    } else if (line.empty() || line.back() != ' ') {
      line += ' ';
    }
  }
  return line;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The page's text as a reader sees it: tags gone, entities read, every run of blanks one blank.
std::string PageText(const std::string& path) {
  std::ifstream in(path);
  std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string text;
  bool inTag = false;
  for (const char c : html) {
    if (c == '<') inTag = true;
    if (!inTag) text += c;
    if (c == '>') inTag = false;
  }
  for (const auto& [entity, character] : {std::pair<const char*, const char*>{"&lt;", "<"},
                                          {"&gt;", ">"},
                                          {"&quot;", "\""},
                                          {"&#39;", "'"},
                                          {"&nbsp;", " "},
                                          {"&amp;", "&"}}) {
    ReplaceAll(text, entity, character);
  }
  return OneLine(text);
}

// The text without the number it ends in, and the blank before that number.
std::string WithoutTrailingNumber(std::string text) {
  while (!text.empty() && text.back() >= '0' && text.back() <= '9') text.pop_back();
  if (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
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
    const std::string words = WithoutTrailingNumber(OneLine(shown.text));
    EXPECT_NE(page.find(words), std::string::npos) << '"' << words << "\" is not on the page";
  }
}

}  // namespace
