// One wrapped row of the text view's page. Indexes are counted from the first unit of the row's paragraph;
// the pointers are the display map's window arrays from that unit on, so a Line is valid until the window
// is rebuilt or the page laid out again.
#pragma once

#include "display/lexoscope.h"
#include "views/highlighter.h"
#include "views/linebreaker.h"

#include <cstdint>
#include <memory>
#include <utility>

class Line {
public:
  // Of a display attribute: the unit belongs to a word / starts a token.
  static constexpr uint64_t WORD = Highlighter::WORD;
  static constexpr uint64_t TOKEN_START = Lexoscope::TOKEN_START;

  const uint16_t* text = nullptr;
  const uint64_t* attributes = nullptr;  // one per unit of the paragraph
  const uint64_t* byteOffsets = nullptr; // per unit its document byte offset, up to paragraphEnd included
  uint64_t byteOffset = 0;               // of the row's first unit
  uint64_t start = 0;                    // index of the row's first unit
  uint64_t paragraphEnd = 0;             // the paragraph's laid-out units end here (its line end after)
  uint64_t chunkStart = 0; // where the chunk that made the row begins: info's indexes count from it
  uint64_t length = 0;     // units in the row
  double x = 0;
  double y = 0;      // top of the row below the text's top
  double width = 0;  // the wrap width
  double height = 0; // (ascent + descent + leading) times the line spacing
  std::shared_ptr<LineBreaker::TypesetLine> info;

  uint64_t end() const { return start + length; }
  // The byte offset just after the row's last unit.
  uint64_t endOffset() const { return byteOffsets[end()]; }

  // The unit at x (from the row's left edge), paragraph-relative; see TypesetLine::indexAtPosition. An x
  // right of the row's text (or beyond the wrap width) gives the row's end.
  uint64_t indexAtPosition(double x, bool boundary) const;
  // The x of the row-relative index.
  double positionOfIndex(uint64_t index) const;
  // [start, end) of the token holding unit index: back to the nearest token start, on to the next (at most
  // the paragraph's end). An index at or past the row's end, or one with no token start before it, gives
  // (paragraphEnd, paragraphEnd).
  std::pair<uint64_t, uint64_t> tokenRange(uint64_t index) const;
  std::pair<uint64_t, uint64_t> tokenAtPosition(double x) const;
  // The token of the row's last unit whose byte offset is at most offset.
  std::pair<uint64_t, uint64_t> tokenRangeForOffset(uint64_t offset) const;
};
