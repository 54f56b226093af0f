// The glyphs of one laid-out line as the painter draws them: per font, each glyph, its position from the
// line's top-left corner and the unit of the line it belongs to; and the caret x before each unit (and after
// the last), which the backgrounds span. Read once per line from its QTextLine: the glyph positions from its
// glyph runs, the caret x's from them too where the line's characters allow, asking QTextLine::cursorToX
// (which walks the line from its start) only a few times. GUI thread only.
#pragma once

#include "desktop-ui/qtlinebreaker.h"

#include <QPointF>
#include <QRawFont>

#include <cstdint>
#include <vector>

class Line;

struct LineGlyphs {
  struct FontRun {
    QRawFont font;
    std::vector<quint32> glyphs;
    std::vector<QPointF> positions;
    std::vector<uint32_t> units; // the line-relative unit of each glyph
  };

  // line must have been made by a QtLineBreaker (platform is its line).
  static LineGlyphs of(Line const& line, QtLineBreaker::PlatformLine const& platform);

  std::vector<double> unitX; // cursorToX of each unit from the line's start to its end, less the line's x
  std::vector<FontRun> runs;
};
