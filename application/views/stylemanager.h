// The nine display styles as colours ready for drawing: per style id a foreground and a background, each red,
// green, blue and alpha in 0..1. Until a colour set is given it holds the light built-ins, with a bluish
// hover background. No Qt; the text view turns a style into QColor::fromRgbF when it paints.
#pragma once

#include "views/colourscheme.h"

#include <memory>

class StyleManager {
public:
  struct Style {
    double foreground[4]; // red, green, blue, alpha
    double background[4];
  };

  StyleManager();
  ~StyleManager();
  StyleManager(StyleManager const&) = delete;
  StyleManager& operator=(StyleManager const&) = delete;

  // An id outside 0-8 gives the normal style.
  Style const& style(int id) const;
  void setColours(ColourScheme::Colours const& colours);
  // Back to the colours it was built with.
  void reset();

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
