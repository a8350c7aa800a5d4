// Opening a file or web address with xdg-open, answering with the code ShellExecuteW gives for the
// same cause, so that the help command's message reads the same on both systems.
//
//   cause                                                   ShellExecuteW      here
//   opened (or the viewer is still running after the wait)  > 32               42
//   a local file that is not there                          2  SE_ERR_FNF      2
//   a folder on the way to it that is not there              3  SE_ERR_PNF      3
//   no permission to reach or read it                       5  SE_ERR_ACCESSDENIED 5
//   no program for the type: xdg-open exit 3 ("no method"),
//     exit 4 (the desktop's own opener refused: that is how
//     a missing association comes back under a desktop),
//     or xdg-open itself missing or not runnable            31 SE_ERR_NOASSOC  31
//   xdg-open exit 1 (it could not take the argument)        2  SE_ERR_FNF      2
//   out of processes or memory, killed, anything else       0                  0
#include "ui/shell_open.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ui/ui_seam.h"

extern char** environ;

namespace {

constexpr intptr_t kOpened = 42;
constexpr intptr_t kOutOfResources = 0;
constexpr intptr_t kFileNotFound = 2;    // SE_ERR_FNF
constexpr intptr_t kPathNotFound = 3;    // SE_ERR_PNF
constexpr intptr_t kAccessDenied = 5;    // SE_ERR_ACCESSDENIED
constexpr intptr_t kNoAssociation = 31;  // SE_ERR_NOASSOC

// xdg-open returns at once for a browser, but under a plain X session it runs a file's viewer in
// the foreground until the viewer is closed. A viewer still running after this long has opened
// the file; the program must not hang on it.
constexpr std::chrono::milliseconds kWaitLimit{4000};
constexpr std::chrono::milliseconds kPollStep{20};

// Children that outlived the wait; collected on later calls so that they do not linger as zombies.
std::vector<pid_t>& UnreapedChildren() {
  static std::vector<pid_t> children;
  return children;
}

void ReapFinishedChildren() {
  std::vector<pid_t>& children = UnreapedChildren();
  std::vector<pid_t> stillRunning;
  for (pid_t child : children) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == 0) stillRunning.push_back(child);
  }
  children.swap(stillRunning);
}

// RFC 3986 scheme: a letter, then letters, digits, "+", "-" or ".", then ":". Two letters at least,
// so that a drive letter such as "C:" is not taken for one.
bool IsAddressWithScheme(const std::string& target) {
  const std::string::size_type colon = target.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!isAlpha(target[0])) return false;
  for (std::string::size_type i = 1; i < colon; ++i) {
    const char c = target[i];
    if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

std::string ParentFolder(const std::string& path) {
  const std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// What the shell would answer for a local file before any program is asked; 0 when it is there
// and readable. xdg-open alone cannot tell a missing file from a missing folder.
intptr_t CheckLocalFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    return access(path.c_str(), R_OK) == 0 ? 0 : kAccessDenied;
  }
  switch (errno) {
    case EACCES:
      return kAccessDenied;
    case ENOTDIR:
      return kPathNotFound;
    case ENOENT: {
      struct stat folder {};
      const std::string parent = ParentFolder(path);
      if (stat(parent.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) return kPathNotFound;
      return kFileNotFound;
    }
    case ENOMEM:
      return kOutOfResources;
    default:
      return kFileNotFound;
  }
}

intptr_t CodeForExitStatus(int status) {
  if (!WIFEXITED(status)) return kOutOfResources;
  switch (WEXITSTATUS(status)) {
    case 0:
      return kOpened;
    case 1:
      return kFileNotFound;
    case 2:
      return kFileNotFound;
    case 3:
    case 4:
      return kNoAssociation;
    case 5:
    case 6:
      return kAccessDenied;
    default:
      return kOutOfResources;
  }
}

intptr_t CodeForSpawnError(int error) {
  switch (error) {
    case ENOENT:
    case EACCES:
    case ENOEXEC:
    case ENOTDIR:
      return kNoAssociation;
    default:
      return kOutOfResources;
  }
}

// Owns the spawn settings for the one call that needs them.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  bool ready = false;

  SpawnSetup() {
    if (posix_spawn_file_actions_init(&actions) != 0) return;
    if (posix_spawnattr_init(&attributes) != 0) {
      posix_spawn_file_actions_destroy(&actions);
      return;
    }
    ready = true;
    // No terminal to prompt on: a session of its own, nothing to read, and none of our own
    // descriptors beyond the standard three.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  }
  ~SpawnSetup() {
    if (!ready) return;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

intptr_t RunXdgOpen(const std::string& argument) {
  SpawnSetup setup;
  if (!setup.ready) return kOutOfResources;
  // The target travels as one argument of its own and is never seen by a shell.
  std::string program = "xdg-open";
  std::vector<char*> arguments{program.data(), const_cast<char*>(argument.c_str()), nullptr};
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, program.c_str(), &setup.actions, &setup.attributes,
                                   arguments.data(), environ);
  if (spawned != 0) return CodeForSpawnError(spawned);

  const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) return CodeForExitStatus(status);
    // Someone else collected it (children ignored by the process): it ran, its answer is lost.
    if (done < 0 && errno != EINTR) return kOpened;
    if (std::chrono::steady_clock::now() >= deadline) {
      UnreapedChildren().push_back(child);
      return kOpened;
    }
    std::this_thread::sleep_for(kPollStep);
  }
}

}  // namespace

intptr_t ShellOpenWithDesktop(const std::string& target) {
  return AnswerOr(kOutOfResources, [&] {
    ReapFinishedChildren();
    if (target.empty() || target.find('\0') != std::string::npos) return kFileNotFound;
    if (IsAddressWithScheme(target)) return RunXdgOpen(target);

    const intptr_t fileProblem = CheckLocalFile(target);
    if (fileProblem != 0) return fileProblem;
    // xdg-open takes a leading "-" for an option.
    return RunXdgOpen(target.front() == '-' ? "./" + target : target);
  });
}
