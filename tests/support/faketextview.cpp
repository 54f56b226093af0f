#include "support/faketextview.h"

#include "views/appearanceconfig.h"
#include "views/fontdescription.h"
#include "views/textviewdelegate.h"

#include <cstdio>

namespace qmtest {

void FakeTextView::resize(double w, double h) {
  width = w;
  height = h;
  if (delegate) delegate->resize(*this, w, h);
}

void FakeTextView::showPopupMenu(int state, double x, double y) {
  menuState = state;
  char line[96];
  std::snprintf(line, sizeof line, "showPopupMenu %d %g,%g", state, x, y);
  calls.push_back(line);
}

void FakeTextView::setFont(FontDescription const& font) {
  points = font.size;
  char size[32];
  std::snprintf(size, sizeof size, " %g", font.size);
  calls.push_back("setFont " + std::string(font.name.c_str()) + size);
  if (delegate) delegate->relayout(*this);
}

void FakeTextView::increaseFont() {
  points = AppearanceConfig::clampFontSize(points + 1);
}

void FakeTextView::decreaseFont() {
  points = AppearanceConfig::clampFontSize(points - 1);
}

void FakeTextView::resetFont() {
  points = 16;
}

void FakeTextView::formatFont(FontDescription& font) {
  font.size = AppearanceConfig::clampFontSize(font.size);
  setFont(font);
}

} // namespace qmtest
