#include "views/line.h"

#include <algorithm>

uint64_t Line::indexAtPosition(double x, bool boundary) const {
  if (x > width || !info || length == 0) return end();
  // No glyph lies right of the row's text either: the caret's place there is the row's end, and a hit test
  // finds no token, as beyond the wrap width.
  if (x >= positionOfIndex(length)) return end();
  const uint64_t index = chunkStart + info->indexAtPosition(x, boundary);
  return std::clamp(index, start, end());
}

double Line::positionOfIndex(uint64_t index) const {
  return info ? info->positionOfIndex(start + index - chunkStart) : 0.0;
}

std::pair<uint64_t, uint64_t> Line::tokenRange(uint64_t index) const {
  if (index >= end()) return {paragraphEnd, paragraphEnd};
  uint64_t first = index;
  while (!(attributes[first] & TOKEN_START)) {
    if (first == 0) return {paragraphEnd, paragraphEnd};
    --first;
  }
  uint64_t last = index + 1;
  while (last < paragraphEnd && !(attributes[last] & TOKEN_START))
    ++last;
  return {first, last};
}

std::pair<uint64_t, uint64_t> Line::tokenAtPosition(double x) const {
  return tokenRange(indexAtPosition(x, false));
}

std::pair<uint64_t, uint64_t> Line::tokenRangeForOffset(uint64_t offset) const {
  if (length == 0) return {paragraphEnd, paragraphEnd};
  uint64_t index = start;
  while (index + 1 < end() && byteOffsets[index + 1] <= offset)
    ++index;
  return tokenRange(index);
}
