#include "app_test_support.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include "app/job_list.h"
#include "bits/job_snapshot.h"

ProviderJob MakeJob(uint32_t serial, const std::u16string& displayName,
                    const std::u16string& description, BG_JOB_STATE state) {
  ProviderJob job;
  job.id = GUID{serial, 0x4B45, 0x5354, {0x9A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07}};
  job.displayName = WideText(displayName.begin(), displayName.end());
  job.description = WideText(description.begin(), description.end());
  job.owner = WIDE_TEXT("S-1-5-21-1000");
  job.state = state;
  // BITS resumes only a job with something left to transfer.
  ProviderFile file;
  file.remoteName = WIDE_TEXT("https://downloads.example/file.bin");
  file.localName = WIDE_TEXT("C:\\Data\\file.bin");
  file.progress.BytesTotal = 1000;
  job.files.push_back(file);
  return job;
}

void RecordingSeam::Install() {
  Ui().mainWindow = [this] { return ownerHandle; };
  auto record = [this](NativeWindow owner, const std::string& text, const std::string& caption,
                       unsigned flags) {
    boxes.push_back({owner, text, caption, flags, jobBrowser != nullptr ? jobBrowser->value() : -1});
    return (flags & box::kButtonsMask) == box::kYesNo ? yesNoAnswer : box::kIdOk;
  };
  Ui().messageBox = record;
  Ui().messageBoxNarrow = record;
  Ui().runSaveDialog = [this](const SaveDialogSetup&) {
    ++saveDialogs;
    SaveDialogOutcome outcome;
    outcome.status = savePath.empty() ? 1 : 0;
    outcome.path = savePath;
    return outcome;
  };
  Ui().shellOpen = [](const std::string&) -> intptr_t { return 42; };
}

std::vector<std::string> ListLines() {
  std::vector<std::string> lines;
  for (int line = 1; line <= jobBrowser->size(); ++line) lines.push_back(jobBrowser->text(line));
  return lines;
}

void HideWindowsExcept(Fl_Window* keep) {
  bool hidden = true;
  while (hidden) {
    hidden = false;
    for (Fl_Window* shown = Fl::first_window(); shown != nullptr; shown = Fl::next_window(shown)) {
      if (shown != keep) {
        shown->hide();
        hidden = true;
        break;
      }
    }
  }
}

void AppTest::SetUp() {
  provider.jobs = {MakeJob(0xA, u"Alpha", u"first job"),
                   MakeJob(0xB, u"Bravo", u"second job", BG_JOB_STATE_TRANSFERRING),
                   MakeJob(0xC, u"Charlie", u"third job", BG_JOB_STATE_SUSPENDED)};
  InstallBitsProvider(&provider);
  seam.Install();
  window = BuildMainWindow();
  probe.resetCounters();
}

void AppTest::TearDown() {
  // The Job Details windows a test left open are deleted, as their close box would; hiding alone
  // would leave them allocated with no one to free them.
  std::vector<Fl_Window*> opened;
  for (Fl_Window* shown = Fl::first_window(); shown != nullptr; shown = Fl::next_window(shown)) {
    if (shown != window.mainWindow) opened.push_back(shown);
  }
  for (Fl_Window* each : opened) delete each;
  HideWindowsExcept(nullptr);
  delete window.mainWindow;
  jobBrowser = nullptr;
  InstallBitsProvider(nullptr);
  RestorePlatformUi();
}

std::vector<JobInfo> AppTest::CurrentJobs() const { return EnumerateJobs(); }

int AppTest::ProviderIndex(uint32_t serial) const {
  for (size_t i = 0; i < provider.jobs.size(); ++i) {
    if (provider.jobs[i].id.Data1 == serial) return static_cast<int>(i);
  }
  return -1;
}
