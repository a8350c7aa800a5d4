#include "ui/message_dialog.h"

#include <algorithm>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

namespace {

// A message may carry texts from elsewhere (a file name, a code); a label starting with or
// containing the at sign would otherwise be drawn as one of the toolkit's symbols.
constexpr Fl_Labeltype kLiteralLabel = FL_FREE_LABELTYPE;

void DrawLiteralLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
  fl_font(label->font, label->size);
  fl_color(label->color);
  fl_draw(label->value, x, y, w, h, align, label->image, 0);
}

void MeasureLiteralLabel(const Fl_Label* label, int& w, int& h) {
  fl_font(label->font, label->size);
  fl_measure(label->value, w, h, 0);
}

constexpr int kMargin = 12;
constexpr int kIconSize = 44;
constexpr int kButtonWidth = 84;
constexpr int kButtonHeight = 28;
constexpr int kTextFontSize = 14;
constexpr int kWrapWidth = 420;
constexpr int kMinTextHeight = kIconSize;
constexpr int kLabelInset = 3;

struct IconLook {
  const char* glyph;
  const char* kindName;
  Fl_Color disc;
  Fl_Color ink;
};

// The icon of the box's kind; none for a box without an icon flag.
const IconLook* IconFor(unsigned flags) {
  static const IconLook error{kDialogErrorGlyph, "Error", FL_RED, FL_WHITE};
  static const IconLook question{kDialogQuestionGlyph, "Question", FL_BLUE, FL_WHITE};
  static const IconLook warning{kDialogWarningGlyph, "Warning", FL_YELLOW, FL_BLACK};
  static const IconLook information{kDialogInformationGlyph, "Information", FL_BLUE, FL_WHITE};
  switch (flags & box::kIconMask) {
    case box::kIconError: return &error;
    case 0x20u: return &question;
    case box::kIconWarning: return &warning;
    case box::kIconInformation: return &information;
    default: return nullptr;
  }
}

struct DialogState {
  Fl_Window* window = nullptr;
  int answer = box::kIdOk;
};

// Each button gives its own answer; the window's own callback (close box, Escape) leaves the answer
// that closing gives.
template <int answer>
void AnswerChosen(Fl_Widget*, void* data) {
  auto* state = static_cast<DialogState*>(data);
  state->answer = answer;
  state->window->hide();
}

void DialogClosed(Fl_Widget*, void* data) { static_cast<DialogState*>(data)->window->hide(); }

// Only a window the toolkit is showing is dereferenced: an owner handed over from elsewhere may be
// stale.
Fl_Window* ShownWindow(NativeWindow candidate) {
  for (Fl_Window* window = Fl::first_window(); window != nullptr; window = Fl::next_window(window)) {
    if (window == candidate) return window;
  }
  return nullptr;
}

void AddButton(bool isDefault, int x, int y, const char* label, Fl_Callback* answer,
               DialogState& state) {
  Fl_Button* button = isDefault ? new Fl_Return_Button(x, y, kButtonWidth, kButtonHeight, label)
                                : new Fl_Button(x, y, kButtonWidth, kButtonHeight, label);
  button->callback(answer, &state);
}

int ShowDialog(NativeWindow owner, const std::string& text, const std::string& caption,
               unsigned flags) {
  static const bool labelTypeSet = (Fl::set_labeltype(kLiteralLabel, DrawLiteralLabel,
                                                      MeasureLiteralLabel), true);
  (void)labelTypeSet;

  const bool yesNo = (flags & box::kButtonsMask) == box::kYesNo;
  const IconLook* icon = IconFor(flags);

  fl_font(FL_HELVETICA, kTextFontSize);
  int textWidth = kWrapWidth;
  int textHeight = 0;
  fl_measure(text.c_str(), textWidth, textHeight, 0);
  // The toolkit draws a left-aligned label 3 pixels in from each side of its box.
  textWidth = std::max(textWidth, 1) + 2 * kLabelInset;
  textHeight = std::max(textHeight, kMinTextHeight);

  const int textX = kMargin + (icon != nullptr ? kIconSize + kMargin : 0);
  const int buttonCount = yesNo ? 2 : 1;
  const int buttonsWidth = buttonCount * kButtonWidth + (buttonCount - 1) * kMargin;
  const int width = std::max(textX + textWidth + kMargin, buttonsWidth + 2 * kMargin);
  const int buttonY = kMargin + textHeight + kMargin;
  const int height = buttonY + kButtonHeight + kMargin;

  DialogState state;
  state.answer = yesNo ? box::kIdNo : box::kIdOk;

  Fl_Group* const enclosing = Fl_Group::current();
  Fl_Group::current(nullptr);
  Fl_Window dialog(width, height);
  state.window = &dialog;
  dialog.copy_label(caption.c_str());
  dialog.callback(DialogClosed, &state);

  if (icon != nullptr) {
    auto* iconBox = new Fl_Box(FL_OVAL_BOX, kMargin, kMargin, kIconSize, kIconSize, icon->glyph);
    iconBox->color(icon->disc);
    iconBox->labelcolor(icon->ink);
    iconBox->labelfont(FL_HELVETICA_BOLD);
    iconBox->labelsize(28);
    iconBox->tooltip(icon->kindName);
  }

  auto* message = new Fl_Box(textX, kMargin, textWidth, textHeight);
  message->copy_label(text.c_str());
  message->labeltype(kLiteralLabel);
  message->labelfont(FL_HELVETICA);
  message->labelsize(kTextFontSize);
  message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);

  int buttonX = width - kMargin - buttonsWidth;
  if (yesNo) {
    AddButton(true, buttonX, buttonY, kDialogYesLabel, AnswerChosen<box::kIdYes>, state);
    buttonX += kButtonWidth + kMargin;
    AddButton(false, buttonX, buttonY, kDialogNoLabel, AnswerChosen<box::kIdNo>, state);
  } else {
    AddButton(true, buttonX, buttonY, kDialogOkLabel, AnswerChosen<box::kIdOk>, state);
  }
  dialog.end();
  Fl_Group::current(enclosing);

  if (Fl_Window* parent = ShownWindow(owner)) {
    dialog.position(parent->x() + (parent->w() - width) / 2,
                    parent->y() + (parent->h() - height) / 2);
  } else {
    dialog.position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
  }
  dialog.set_modal();
  dialog.show();
  while (dialog.shown()) Fl::wait();
  return state.answer;
}

}  // namespace

int RunMessageDialog(NativeWindow owner, const std::string& text, const std::string& caption,
                     unsigned flags) {
  try {
    return ShowDialog(owner, text, caption, flags);
  } catch (...) {
    // Nothing could be asked, so nothing is agreed to.
    return (flags & box::kButtonsMask) == box::kYesNo ? box::kIdNo : box::kIdOk;
  }
}
