// The toolkit's message box, driven while it runs: what it shows, how it is answered and where it
// stands.
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The test framework comes before the toolkit's drawing header, whose X11 macros clash with it.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include "ui/message_dialog.h"
#include "ui/ui_seam.h"

namespace {

// A shown, labelled widget of the dialog, read while the dialog is open.
struct SeenWidget {
  std::string kind;  // "button", "box"
  std::string label;
  std::string tooltip;
  Fl_Color color = 0;
  int x = 0;
  int labelWidth = 0;  // as the toolkit measures it for drawing
};

// What the running dialog showed, read before `answer` closes it.
struct DialogVisit {
  DialogVisit(std::string title, std::function<void(Fl_Window*)> action)
      : caption(std::move(title)), answer(std::move(action)) {}

  std::string caption;
  std::function<void(Fl_Window* dialog)> answer;
  bool found = false;
  bool modal = false;
  bool wasModalWindow = false;
  int x = 0, y = 0, w = 0, h = 0;
  std::vector<SeenWidget> widgets;

  std::vector<std::string> Labels(const std::string& kind) const {
    std::vector<std::string> labels;
    for (const SeenWidget& seen : widgets) {
      if (seen.kind == kind) labels.push_back(seen.label);
    }
    return labels;
  }
  const SeenWidget* Find(const std::string& label) const {
    for (const SeenWidget& seen : widgets) {
      if (seen.label == label) return &seen;
    }
    return nullptr;
  }
};

Fl_Window* ShownWindowTitled(const std::string& title) {
  for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
    if (w->label() != nullptr && title == w->label()) return w;
  }
  return nullptr;
}

Fl_Button* ButtonLabelled(Fl_Window* dialog, const char* label) {
  for (int i = 0; i < dialog->children(); ++i) {
    auto* button = dynamic_cast<Fl_Button*>(dialog->child(i));
    if (button != nullptr && button->label() != nullptr && std::string(button->label()) == label) {
      return button;
    }
  }
  return nullptr;
}

void VisitDialog(void* data) {
  auto* visit = static_cast<DialogVisit*>(data);
  Fl_Window* dialog = ShownWindowTitled(visit->caption);
  if (dialog == nullptr) {
    Fl::repeat_timeout(0.02, VisitDialog, data);
    return;
  }
  visit->found = true;
  visit->modal = dialog->modal() != 0;
  visit->wasModalWindow = Fl::modal() == dialog;
  visit->x = dialog->x();
  visit->y = dialog->y();
  visit->w = dialog->w();
  visit->h = dialog->h();
  for (int i = 0; i < dialog->children(); ++i) {
    Fl_Widget* child = dialog->child(i);
    if (!child->visible() || child->label() == nullptr || *child->label() == '\0') continue;
    SeenWidget seen;
    seen.kind = dynamic_cast<Fl_Button*>(child) != nullptr ? "button" : "box";
    seen.label = child->label();
    seen.tooltip = child->tooltip() != nullptr ? child->tooltip() : "";
    seen.color = child->color();
    seen.x = child->x();
    int h = 0;
    child->measure_label(seen.labelWidth, h);
    visit->widgets.push_back(seen);
  }
  visit->answer(dialog);
}

int RunWithVisit(DialogVisit& visit, NativeWindow owner, const std::string& text, unsigned flags) {
  Fl::add_timeout(0.05, VisitDialog, &visit);
  const int answer = RunMessageDialog(owner, text, visit.caption, flags);
  Fl::remove_timeout(VisitDialog, &visit);
  return answer;
}

std::function<void(Fl_Window*)> Click(const char* label) {
  return [label](Fl_Window* dialog) {
    Fl_Button* button = ButtonLabelled(dialog, label);
    ASSERT_NE(button, nullptr) << label;
    button->do_callback();
  };
}

std::function<void(Fl_Window*)> Press(int key) {
  return [key](Fl_Window* dialog) {
    static char noText[] = "";
    Fl::e_keysym = key;
    Fl::e_text = noText;
    Fl::e_length = 0;
    Fl::e_state = 0;
    Fl::handle(FL_KEYBOARD, dialog);
  };
}

// The window manager's close box sends the window's callback.
void CloseBox(Fl_Window* dialog) { dialog->do_callback(); }

TEST(MessageDialog, OkBoxShowsCaptionTextAndOneOkButtonWithoutIcon) {
  DialogVisit visit{"Kestrelmoor", Click("OK")};
  EXPECT_EQ(RunWithVisit(visit, nullptr, "Please select a job first.", box::kOk), box::kIdOk);
  ASSERT_TRUE(visit.found);
  EXPECT_TRUE(visit.modal);
  EXPECT_EQ(visit.Labels("button"), std::vector<std::string>{"OK"});
  EXPECT_EQ(visit.Labels("box"), std::vector<std::string>{"Please select a job first."});
  EXPECT_FALSE(ShownWindowTitled("Kestrelmoor")) << "closed once answered";
}

TEST(MessageDialog, IconShowsTheKindOfBox) {
  const struct {
    unsigned flags;
    const char* glyph;
    const char* kind;
  } kinds[] = {{box::kOk | box::kIconError, "X", "Error"},
               {box::kYesNo | box::kIconWarning, "!", "Warning"},
               {box::kOk | box::kIconInformation, "i", "Information"}};
  std::set<Fl_Color> discs;
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.kind);
    DialogVisit visit{"Kestrelmoor", CloseBox};
    RunWithVisit(visit, nullptr, "Something happened.", kind.flags);
    ASSERT_TRUE(visit.found);
    const SeenWidget* icon = visit.Find(kind.glyph);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->tooltip, kind.kind);
    discs.insert(icon->color);
    EXPECT_LT(icon->x, visit.Find("Something happened.")->x)
        << "the icon stands before the text";
  }
  EXPECT_EQ(discs.size(), 3u) << "each kind has a disc of its own colour";
}

TEST(MessageDialog, AnswersYesOnlyWhenYesIsChosenAndOkHoweverAnOkBoxCloses) {
  const unsigned yesNo = box::kYesNo | box::kIconWarning;
  const struct {
    const char* how;
    unsigned flags;
    std::function<void(Fl_Window*)> answer;
    int expected;
  } cases[] = {{"Yes clicked", yesNo, Click("Yes"), box::kIdYes},
               {"No clicked", yesNo, Click("No"), box::kIdNo},
               {"Yes/No closed", yesNo, CloseBox, box::kIdNo},
               {"Yes/No Escape", yesNo, Press(FL_Escape), box::kIdNo},
               {"Yes/No Enter", yesNo, Press(FL_Enter), box::kIdYes},
               {"OK closed", box::kIconError, CloseBox, box::kIdOk},
               {"OK Escape", box::kIconError, Press(FL_Escape), box::kIdOk}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    DialogVisit visit{"Kestrelmoor", c.answer};
    const int answer = RunWithVisit(visit, nullptr, "Are you sure?", c.flags);
    ASSERT_TRUE(visit.found);
    EXPECT_EQ(answer, c.expected);
    EXPECT_EQ(visit.Labels("button"), c.flags == yesNo ? (std::vector<std::string>{"Yes", "No"})
                                                        : std::vector<std::string>{"OK"});
  }
}

TEST(MessageDialog, StandsModallyOverItsOwner) {
  Fl_Window owner(120, 90, 650, 400, "Kestrelmoor");
  owner.end();
  owner.show();
  for (int i = 0; i < 10; ++i) Fl::wait(0.01);
  DialogVisit visit{"Owned box", Click("OK")};
  RunWithVisit(visit, &owner, "Job completed successfully.", box::kIconInformation);
  ASSERT_TRUE(visit.found);
  EXPECT_TRUE(visit.wasModalWindow) << "the owner takes no input meanwhile";
  EXPECT_NEAR(visit.x + visit.w / 2, owner.x() + owner.w() / 2, 2);
  EXPECT_NEAR(visit.y + visit.h / 2, owner.y() + owner.h() / 2, 2);
  owner.hide();
}

TEST(MessageDialog, TextIsShownAsWrittenWithoutSymbolsOrFormatting) {
  // A file name or a dialog's reason may hold the at sign or a percent sign; drawn as a toolkit
  // label the first would become an arrow and a square, formatted the second would be expanded.
  const std::string text = "@-> Unable to write /tmp/a@square 100% %s%n";
  DialogVisit visit{"Error", CloseBox};
  RunWithVisit(visit, nullptr, text, box::kIconError);
  ASSERT_TRUE(visit.found);
  const std::vector<std::string> boxes = visit.Labels("box");
  ASSERT_EQ(boxes.size(), 2u) << "the icon and the text";
  const SeenWidget* message = visit.Find(boxes[0] == "X" ? boxes[1] : boxes[0]);
  fl_font(FL_HELVETICA, 14);
  EXPECT_NEAR(message->labelWidth, fl_width(text.c_str()), 2);
}

}  // namespace
