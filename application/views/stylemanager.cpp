#include "views/stylemanager.h"

namespace {

void toUnit(Colour const& c, double (&out)[4]) {
  out[0] = c.r / 255.0;
  out[1] = c.g / 255.0;
  out[2] = c.b / 255.0;
  out[3] = c.a / 255.0;
}

} // namespace

struct StyleManager::Impl {
  Style styles[StyleId::COUNT]; // by style id
};

StyleManager::StyleManager() : impl(std::make_unique<Impl>()) {
  reset();
}

StyleManager::~StyleManager() = default;

StyleManager::Style const& StyleManager::style(int id) const {
  return impl->styles[id >= 0 && id < StyleId::COUNT ? id : StyleId::Normal];
}

void StyleManager::setColours(ColourScheme::Colours const& colours) {
  for (int id = 0; id < StyleId::COUNT; ++id) {
    toUnit(colours.foreground(id), impl->styles[id].foreground);
    toUnit(colours.background(id), impl->styles[id].background);
  }
}

void StyleManager::reset() {
  ColourScheme::Colours colours = ColourScheme::builtIn(ColourScheme::Light);
  colours.background(StyleId::Hover) = Colour(239, 239, 255);
  setColours(colours);
}
