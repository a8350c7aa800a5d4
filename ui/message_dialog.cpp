#include "ui/message_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

// The toolkit's fl_choice gives the box its title, text, buttons, default and Escape keys and
// answer. Kept here is only what it cannot do by itself: an icon for each kind of box (its own is
// one "?" for all) or none, an at sign shown as written, a place over the owner rather than under
// the mouse, and its shared icon handed back unchanged to its other dialogs.

namespace {

struct IconLook {
  const char* glyph;
  const char* kindName;
  Fl_Color disc;
  Fl_Color ink;
};

// The icon of the box's kind; none for a box without an icon flag.
const IconLook* IconFor(unsigned flags) {
  static const IconLook error{"X", "Error", FL_RED, FL_WHITE};
  static const IconLook question{"?", "Question", FL_BLUE, FL_WHITE};
  static const IconLook warning{"!", "Warning", FL_YELLOW, FL_BLACK};
  static const IconLook information{"i", "Information", FL_BLUE, FL_WHITE};
  switch (flags & box::kIconMask) {
    case box::kIconError: return &error;
    case 0x20u: return &question;
    case box::kIconWarning: return &warning;
    case box::kIconInformation: return &information;
    default: return nullptr;
  }
}

int ClosedAnswer(unsigned flags) {
  return (flags & box::kButtonsMask) == box::kYesNo ? box::kIdNo : box::kIdOk;
}

// A message may carry texts from elsewhere (a file name, a dialog's reason). The toolkit draws a
// label starting with an at sign, or ending in one and a word, as one of its symbols; a doubled at
// sign it draws as one.
std::string Literal(const std::string& text) {
  std::string literal;
  literal.reserve(text.size());
  for (const char c : text) {
    literal += c;
    if (c == '@') literal += '@';
  }
  return literal;
}

// The file chooser's own questions use the same icon widget.
class IconStyled {
 public:
  IconStyled(Fl_Widget& icon, const IconLook* look)
      : icon_(icon), box_(icon.box()), disc_(icon.color()), ink_(icon.labelcolor()),
        font_(icon.labelfont()), glyph_(icon.label()), tooltip_(icon.tooltip()),
        visible_(icon.visible() != 0) {
    if (look == nullptr) {
      icon.hide();
      return;
    }
    icon.box(FL_OVAL_BOX);
    icon.color(look->disc);
    icon.labelcolor(look->ink);
    icon.labelfont(FL_HELVETICA_BOLD);
    icon.label(look->glyph);
    icon.tooltip(look->kindName);
    icon.show();
  }
  ~IconStyled() {
    icon_.box(box_);
    icon_.color(disc_);
    icon_.labelcolor(ink_);
    icon_.labelfont(font_);
    icon_.label(glyph_);
    icon_.tooltip(tooltip_);
    if (visible_) {
      icon_.show();
    } else {
      icon_.hide();
    }
  }
  IconStyled(const IconStyled&) = delete;
  IconStyled& operator=(const IconStyled&) = delete;

 private:
  Fl_Widget& icon_;
  Fl_Boxtype box_;
  Fl_Color disc_;
  Fl_Color ink_;
  Fl_Font font_;
  const char* glyph_;
  const char* tooltip_;
  bool visible_;
};

// The box has its size only once the toolkit has laid it out and shown it, so it is moved on the
// first turn of its own event loop, before it is first drawn.
void CentreOnOwner(void* owner) {
  Fl_Window* form = fl_message_icon()->window();
  const Fl_Window* parent = ShownWindow(owner);
  const int centreX = parent != nullptr ? parent->x() + parent->w() / 2 : Fl::w() / 2;
  const int centreY = parent != nullptr ? parent->y() + parent->h() / 2 : Fl::h() / 2;
  form->position(centreX - form->w() / 2, centreY - form->h() / 2);
}

int Ask(NativeWindow owner, const std::string& text, const std::string& caption, unsigned flags) {
  Fl_Widget* icon = fl_message_icon();
  // The toolkit would refuse a second box anyway; the open one's title and icon are left alone.
  if (icon->window()->shown()) return ClosedAnswer(flags);

  const std::string label = Literal(text);
  const IconStyled styled(*icon, IconFor(flags));
  const int followedMouse = fl_message_hotspot();
  fl_message_hotspot(0);
  fl_message_title(caption.c_str());
  Fl::add_timeout(0.0, CentreOnOwner, owner);
  // Button 1 is the default one; button 0 takes Escape and is what closing the box answers.
  const bool yesNo = (flags & box::kButtonsMask) == box::kYesNo;
  const int chosen = yesNo ? fl_choice("%s", "No", "Yes", nullptr, label.c_str())
                           : fl_choice("%s", nullptr, "OK", nullptr, label.c_str());
  Fl::remove_timeout(CentreOnOwner, owner);
  fl_message_hotspot(followedMouse);
  if (!yesNo) return box::kIdOk;
  return chosen == 1 ? box::kIdYes : box::kIdNo;
}

}  // namespace

Fl_Window* ShownWindow(NativeWindow candidate) {
  for (Fl_Window* window = Fl::first_window(); window != nullptr; window = Fl::next_window(window)) {
    if (window == candidate) return window;
  }
  return nullptr;
}

// When nothing could be asked, nothing is agreed to.
int RunMessageDialog(NativeWindow owner, const std::string& text, const std::string& caption,
                     unsigned flags) {
  return AnswerOr(ClosedAnswer(flags), [&] { return Ask(owner, text, caption, flags); });
}
