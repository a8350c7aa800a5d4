// How the Windows seam asks the shell to open the help file or a web page. The program runs
// elevated, and whatever ShellExecuteW starts from here (the help viewer, which runs the help
// file's scripts, or the browser) would run with the administrator's token. So an elevated
// process asks the desktop's own shell, which runs with the rights of the user who logged on, to
// open the target, and falls back on ShellExecuteW only where that route is not there.
#pragma once

#include <cstdint>
#include <functional>

#include "bits/wide_text.h"

// The pieces the choice is made of: each is the system's own (SystemShellLaunch), and a test may
// put its own in place.
struct ShellLaunch {
  // This process runs with an elevated token.
  std::function<bool()> elevated;
  // A file or folder is there at the path.
  std::function<bool(const WideText& path)> exists;
  // Opens the target through the desktop's shell; false when that route is not there (no desktop
  // shell runs, or any step of the way fails), and then nothing was started.
  std::function<bool(const WideText& target)> openThroughDesktop;
  // ShellExecuteW(null, "open", target, null, null, SW_SHOWNORMAL), its answer as a number.
  std::function<intptr_t(const WideText& target)> shellExecute;
};

ShellLaunch SystemShellLaunch();

// Opens a file path or a web address ("http://" or "https://") and answers as ShellExecuteW does:
// above 32 for success, else the system's error code. The desktop's shell reports no such code,
// so before that route a missing file is answered with SE_ERR_FNF (2), ShellExecuteW's own.
intptr_t LaunchWithShell(const ShellLaunch& launch, const WideText& target);
