#include "support/faketextview.h"

#include "views/appearanceconfig.h"
#include "views/fontdescription.h"
#include "views/textviewdelegate.h"

namespace qmtest {

void FakeTextView::resize(double w, double h) {
  width = w;
  height = h;
  if (delegate) delegate->resize(*this, w, h);
}

void FakeTextView::setFont(FontDescription const& font) {
  points = font.size;
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
