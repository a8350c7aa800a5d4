// The toolkit's stand-in for the system message box where there is none: a small modal window with
// the caption as its title, the text, an icon of the box's kind and its buttons.
#pragma once

#include <string>

#include "ui/ui_seam.h"

// The labels the dialog's widgets carry, so that a test driving the real dialog can find them.
constexpr const char* kDialogOkLabel = "OK";
constexpr const char* kDialogYesLabel = "Yes";
constexpr const char* kDialogNoLabel = "No";
// The icon's glyph by kind; the icon widget's tooltip names the kind in words.
constexpr const char* kDialogErrorGlyph = "X";
constexpr const char* kDialogQuestionGlyph = "?";
constexpr const char* kDialogWarningGlyph = "!";
constexpr const char* kDialogInformationGlyph = "i";

// Shows the box modally, centred on `owner` when that is one of the program's shown windows, and
// returns once it is closed: box::kIdYes only when Yes was chosen, box::kIdNo when No was chosen or
// a Yes/No box was closed otherwise, box::kIdOk for an OK box however it was closed.
int RunMessageDialog(NativeWindow owner, const std::string& text, const std::string& caption,
                     unsigned flags);
