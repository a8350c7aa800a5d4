#include "recording_ui.h"

void RecordingUi::Install() {
  UiSeam& ui = Ui();
  ui.mainWindow = [] { return NativeWindow(nullptr); };
  auto record = [this](NativeWindow, const std::string& text, const std::string& caption,
                       unsigned flags) {
    boxes.push_back(RecordedBox{text, caption, flags});
    return (flags & box::kButtonsMask) == box::kYesNo ? box::kIdYes : box::kIdOk;
  };
  ui.messageBox = record;
  ui.messageBoxNarrow = record;
  ui.runSaveDialog = [this](const SaveDialogSetup&) {
    SaveDialogOutcome outcome;
    outcome.status = savePath.empty() ? 1 : 0;
    outcome.path = savePath;
    return outcome;
  };
  ui.shellOpen = [](const std::string&) -> intptr_t { return 42; };
}

RecordingUi::~RecordingUi() { RestorePlatformUi(); }
