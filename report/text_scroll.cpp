#include "report/text_scroll.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Input_.H>
#include <FL/fl_draw.H>

namespace {

// FLTK 1.4 renamed the cursor's calls and keeps the old names only as deprecated ones.
int CursorIndex(const Fl_Input_& text) {
#if FL_API_VERSION >= 10400
  return text.insert_position();
#else
  return text.position();
#endif
}

void PlaceCursor(Fl_Input_& text, int index) {
#if FL_API_VERSION >= 10400
  text.insert_position(index);
#else
  text.position(index);
#endif
}

// Where each line starts: without word wrap the widget breaks lines only after a line feed.
std::vector<int> LineStarts(const Fl_Input_& text) {
  std::vector<int> starts{0};
  const char* value = text.value();
  for (int i = 0; i < text.size(); ++i) {
    if (value[i] == '\n') starts.push_back(i + 1);
  }
  return starts;
}

int LineOf(const std::vector<int>& starts, int index) {
  return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), index) - starts.begin()) -
         1;
}

// The lines the widget shows in full.
int LinesShown(const Fl_Input_& text) {
  fl_font(text.textfont(), text.textsize());
  const int lineHeight = std::max(1, fl_height());
  return std::max(1, (text.h() - Fl::box_dh(text.box())) / lineHeight);
}

}  // namespace

void ScrollTextByLines(Fl_Input_& text, int lines) {
  if (lines == 0 || text.size() == 0) return;
  const std::vector<int> starts = LineStarts(text);
  const int count = static_cast<int>(starts.size());
  const int shown = LinesShown(text);
  const int cursorLine = LineOf(starts, CursorIndex(text));
  // Since the last call the widget has moved its first line only as far as its cursor needed.
  const int kept = static_cast<int>(reinterpret_cast<std::intptr_t>(text.user_data()));
  const int first = std::clamp(kept, std::max(0, cursorLine - shown + 1), cursorLine);
  const int wanted = std::clamp(first + lines, 0, std::max(0, count - shown));
  text.user_data(reinterpret_cast<void*>(static_cast<std::intptr_t>(wanted)));
  if (wanted == first) return;
  const int cursorTo = lines > 0 ? std::min(wanted + shown - 1, count - 1) : wanted;
  PlaceCursor(text, starts[static_cast<size_t>(cursorTo)]);
  text.redraw();
}
