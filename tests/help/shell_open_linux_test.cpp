#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ui/shell_open.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

// A temporary folder holding a stand-in xdg-open that writes down what it was given and exits with
// the code the test chose. PATH points only at it while the test runs.
class ShellOpenWithDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestrelmoor-shell-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    tools = dir + "/tools";
    files = dir + "/files";
    ASSERT_EQ(mkdir(tools.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(files.c_str(), 0700), 0);
    const char* path = std::getenv("PATH");
    savedPath = path != nullptr ? path : "";
    setenv("PATH", tools.c_str(), 1);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    savedFolder = here;
    helpFile = files + "/KestrelmoorHelp.chm";
    WriteFile(helpFile, "ITSF");
  }

  void TearDown() override {
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_EQ(chdir(savedFolder.c_str()), 0);
    std::system(("/bin/rm -rf '" + dir + "'").c_str());
  }

  // Records the argument count, every argument on a line of its own, and whether it runs as the
  // leader of a session without a controlling terminal (fields 1, 6 and 7 of /proc/self/stat).
  void InstallFakeXdgOpen(int exitCode, int sleepSeconds = 0) {
    const std::string script = tools + "/xdg-open";
    std::ostringstream text;
    text << "#!/bin/sh\n"
         << "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" << dir
         << "/args'\n"
         << "read -r stat < /proc/$$/stat\n"
         << "set -- $stat\n"
         << "echo \"$1 $6 $7\" > '" << dir << "/session'\n";
    if (sleepSeconds > 0) text << "/bin/sleep " << sleepSeconds << "\n";
    text << "exit " << exitCode << "\n";
    WriteFile(script, text.str());
    ASSERT_EQ(chmod(script.c_str(), 0700), 0);
  }

  std::vector<std::string> ReceivedArguments() const {
    std::istringstream in(ReadFile(dir + "/args"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::string dir, tools, files, helpFile, savedPath, savedFolder;
};

TEST_F(ShellOpenWithDesktopTest, AnOpenedFileAnswersAboveThirtyTwo) {
  InstallFakeXdgOpen(0);
  EXPECT_GT(ShellOpenWithDesktop(helpFile), 32);
  EXPECT_EQ(ReceivedArguments(), (std::vector<std::string>{"1", helpFile}));
}

TEST_F(ShellOpenWithDesktopTest, AMissingFileIsTwoAndAMissingFolderThree) {
  InstallFakeXdgOpen(0);
  EXPECT_EQ(ShellOpenWithDesktop(files + "/absent.chm"), 2);
  EXPECT_EQ(ShellOpenWithDesktop(files + "/no-such-folder/KestrelmoorHelp.chm"), 3);
  // A file standing where a folder should be is a missing folder too.
  EXPECT_EQ(ShellOpenWithDesktop(helpFile + "/inside.chm"), 3);
  EXPECT_FALSE(Exists(dir + "/args")) << "xdg-open must not be asked about a missing file";
}

TEST_F(ShellOpenWithDesktopTest, XdgOpenExitCodesMapToTheShellsCodes) {
  const struct {
    int exitCode;
    intptr_t expected;
  } cases[] = {
      {2, 2},   // the file vanished before xdg-open looked
      {3, 31},  // no method available for the type
      {4, 31},  // the desktop's opener refused it
      {5, 5},   // no permission to read
      {1, 2},   // the argument was not taken
      {77, 0},  // anything else
  };
  for (const auto& c : cases) {
    InstallFakeXdgOpen(c.exitCode);
    EXPECT_EQ(ShellOpenWithDesktop(helpFile), c.expected) << "exit code " << c.exitCode;
  }
}

TEST_F(ShellOpenWithDesktopTest, NoXdgOpenOnThePathMeansNoAssociation) {
  EXPECT_EQ(ShellOpenWithDesktop(helpFile), 31);
  EXPECT_EQ(ShellOpenWithDesktop("https://kestrelmoor.example"), 31);
}

TEST_F(ShellOpenWithDesktopTest, BlanksAndShellMetacharactersReachTheProgramAsOneArgument) {
  InstallFakeXdgOpen(0);
  // Were the name ever read by a shell, the commands in it would leave files in this folder.
  ASSERT_EQ(chdir(dir.c_str()), 0);
  const std::string hostile =
      files + "/a  b; touch pwned $(touch pwned2) `touch pwned3` & | > \"q\" 'x' *.chm";
  WriteFile(hostile, "x");
  EXPECT_GT(ShellOpenWithDesktop(hostile), 32);
  EXPECT_EQ(ReceivedArguments(), (std::vector<std::string>{"1", hostile}));
  for (const char* planted : {"/pwned", "/pwned2", "/pwned3"}) EXPECT_FALSE(Exists(dir + planted));
}

TEST_F(ShellOpenWithDesktopTest, WebAddressesGoStraightToXdgOpen) {
  InstallFakeXdgOpen(0);
  const std::string address = "https://kestrelmoor.example/contact?a=1&b=$(id)";
  EXPECT_GT(ShellOpenWithDesktop(address), 32);
  EXPECT_EQ(ReceivedArguments(), (std::vector<std::string>{"1", address}));
}

TEST_F(ShellOpenWithDesktopTest, ARelativeNameStartingWithADashIsNotTakenForAnOption) {
  InstallFakeXdgOpen(0);
  ASSERT_EQ(chdir(files.c_str()), 0);
  WriteFile(files + "/-help.chm", "x");
  EXPECT_GT(ShellOpenWithDesktop("-help.chm"), 32);
  EXPECT_EQ(ReceivedArguments(), (std::vector<std::string>{"1", "./-help.chm"}));
}

TEST_F(ShellOpenWithDesktopTest, EmptyOrEmbeddedNulTargetsAreNotFound) {
  InstallFakeXdgOpen(0);
  EXPECT_EQ(ShellOpenWithDesktop(""), 2);
  EXPECT_EQ(ShellOpenWithDesktop(std::string("https://x.example\0; id", 22)), 2);
  EXPECT_FALSE(Exists(dir + "/args"));
}

TEST_F(ShellOpenWithDesktopTest, XdgOpenRunsInASessionOfItsOwnWithoutATerminal) {
  InstallFakeXdgOpen(0);
  ASSERT_GT(ShellOpenWithDesktop(helpFile), 32);
  std::istringstream session(ReadFile(dir + "/session"));
  long pid = -1, sessionId = -2, terminal = -3;
  session >> pid >> sessionId >> terminal;
  EXPECT_EQ(pid, sessionId);
  EXPECT_EQ(terminal, 0);
}

TEST_F(ShellOpenWithDesktopTest, AViewerStillRunningAfterTheWaitCountsAsOpened) {
  InstallFakeXdgOpen(1, 6);  // would report failure, but only long after the wait
  const auto start = std::chrono::steady_clock::now();
  EXPECT_GT(ShellOpenWithDesktop(helpFile), 32);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_LT(waited, std::chrono::seconds(10));
}

// F1's route on Linux: the system's own xdg-open, outside any desktop and with no settings of the
// user's, hands the compiled help file to the viewer the xchm package registers for CHM files. A
// stand-in xchm first on PATH notes what it was given instead of opening a window.
TEST_F(ShellOpenWithDesktopTest, TheHelpFileGoesToXchm) {
  ASSERT_EQ(access("/usr/share/applications/xchm.desktop", R_OK), 0)
      << "no viewer registered for CHM files: install xchm (scripts/install-deps.sh)";
  const std::string built = KESTRELMOOR_HELP_CHM;
  if (!Exists(built)) GTEST_SKIP() << "the build made no " << built << " (chmcmd missing)";
  WriteFile(helpFile, ReadFile(built));
  const std::string viewer = tools + "/xchm";
  WriteFile(viewer, "#!/bin/sh\n{ echo \"$#\"; printf '%s\\n' \"$@\"; } > '" + dir + "/args'\n");
  ASSERT_EQ(chmod(viewer.c_str(), 0700), 0);
  const std::vector<std::pair<const char*, std::string>> settings = {
      {"PATH", tools + ":/usr/bin:/bin"}, {"XDG_CONFIG_HOME", dir}, {"XDG_DATA_HOME", dir},
      {"XDG_CURRENT_DESKTOP", ""}, {"DESKTOP_SESSION", ""}, {"KDE_FULL_SESSION", ""}};
  std::vector<std::pair<const char*, std::optional<std::string>>> saved;
  for (const auto& [name, value] : settings) {
    const char* was = std::getenv(name);
    saved.emplace_back(name, was != nullptr ? std::optional<std::string>(was) : std::nullopt);
    if (value.empty()) {
      unsetenv(name);
    } else {
      setenv(name, value.c_str(), 1);
    }
  }
  const intptr_t answer = ShellOpenWithDesktop(helpFile);
  for (const auto& [name, value] : saved) {
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  EXPECT_GT(answer, 32);
  EXPECT_EQ(ReceivedArguments(), (std::vector<std::string>{"1", helpFile}));
}

}  // namespace
