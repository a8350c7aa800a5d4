#include "app/help_commands.h"

#include <string>

#include "res/product.h"
#include "ui/ui_seam.h"

namespace {

// The shell's code for a file that is not there (SE_ERR_FNF).
constexpr intptr_t kFileNotFound = 2;

// The help file is looked for beside the executable, never in the current folder: the program runs
// elevated, and a help file planted in whatever folder it was started from would be opened with
// those rights. A POSIX folder starts with "/", a Windows one with a drive letter or "\\", so the
// folder itself tells which separator to join with.
std::string HelpFilePath(const std::string& folder) {
  const char separator = folder.front() == '/' ? '/' : '\\';
  std::string path = folder;
  if (path.back() != separator) path += separator;
  path += KESTRELMOOR_HELP_FILE;
  return path;
}

// The toolkit calls each command, and nothing may leave it. What can arrive is a failed allocation
// for a text, or whatever a seam function that a test put in place throws; the command then ends
// where it was, with nothing left to show.
template <class Command>
void RunCommand(Command command) {
  try {
    command();
  } catch (...) {
  }
}

}  // namespace

std::string AboutText() {
  return std::string(KESTRELMOOR_NAME " v" KESTRELMOOR_SHORT_VERSION_TEXT "\n"
                     KESTRELMOOR_DESCRIPTION "\n"
                     KESTRELMOOR_COPYRIGHT "\n"
                     KESTRELMOOR_LICENSE_LINE "\n"
                     KESTRELMOOR_SITE);
}

std::string HelpErrorText(intptr_t code) {
  return "Unable to open " KESTRELMOOR_HELP_FILE ". Error code: " + std::to_string(code);
}

void OpenHelpFile() {
  const std::string folder = Ui().executableFolder();
  // Without the executable's folder there is no trustworthy place to look, and the current folder
  // is exactly the one not to trust: the file counts as not found.
  const intptr_t result = folder.empty() ? kFileNotFound : Ui().shellOpen(HelpFilePath(folder));
  if (result > 32) return;
  NativeWindow owner = Ui().mainWindow();
  Ui().messageBox(owner, HelpErrorText(result), "Error", box::kOk | box::kIconError);
}

void OnHelp(Fl_Widget*, void*) { RunCommand(OpenHelpFile); }

void OnVisitWebsite(Fl_Widget*, void*) {
  RunCommand([] { Ui().shellOpen(KESTRELMOOR_SITE); });
}

void OnContact(Fl_Widget*, void*) {
  RunCommand([] { Ui().shellOpen(KESTRELMOOR_CONTACT_PAGE); });
}

void OnAbout(Fl_Widget*, void*) {
  RunCommand([] {
    NativeWindow owner = Ui().mainWindow();
    Ui().messageBox(owner, AboutText(), "About " KESTRELMOOR_NAME, box::kOk);
  });
}
