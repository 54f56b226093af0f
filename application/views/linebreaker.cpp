// A paragraph is typeset a chunk at a time so that no typesetter ever sees more than CHUNK units, however
// long the paragraph. Cutting a chunk short at a fixed length would end a line there that a whole layout
// would not end, so the last line of a chunk that does not end the piece is dropped unless it is the chunk's
// only line, and the next chunk begins with it.
#include "views/linebreaker.h"

#include "views/line.h"

#include <algorithm>

namespace {
bool isLowSurrogate(uint16_t unit) {
  return (unit & 0xfc00) == 0xdc00;
}
} // namespace

struct LineBreaker::Impl {
  double lineSpacing = 1.5;
};

LineBreaker::LineBreaker() : impl(std::make_unique<Impl>()) {}
LineBreaker::~LineBreaker() = default;

void LineBreaker::setLineSpacing(double multiplier) {
  impl->lineSpacing = multiplier;
}

double LineBreaker::lineSpacing() const {
  return impl->lineSpacing;
}

double LineBreaker::breakLines(Paragraph const& p, Piece piece, Request& request, double y,
                               std::vector<Line>& lines) {
  const double width = std::max(request.width, 0.0);
  size_t chunkStart = piece.begin;
  do {
    size_t chunkLength = std::min(CHUNK, piece.end - chunkStart);
    if (chunkStart + chunkLength < piece.end && isLowSurrogate(p.text[chunkStart + chunkLength]))
      --chunkLength;
    const bool lastChunk = chunkStart + chunkLength == piece.end;
    const std::unique_ptr<Typesetter> typesetter = typeset(p.text + chunkStart, chunkLength);
    size_t at = 0;
    do {
      if (y >= request.limit || p.byteOffsets[chunkStart + at] >= request.stop) return y;
      size_t n = std::min(typesetter->suggestLineBreak(at, width), chunkLength - at);
      if (at + n == chunkLength && !lastChunk && at != 0) break;
      if (n == 0 && chunkLength > 0) n = 1; // narrower than one character: one per line, never none
      // Never between a high and a low surrogate: one unit less, or the whole pair when only its half fit.
      if (at + n < chunkLength && isLowSurrogate(p.text[chunkStart + at + n])) n = n > 1 ? n - 1 : n + 1;
      std::shared_ptr<TypesetLine> made = typesetter->createLine(at, n);
      const uint64_t first = chunkStart + at;
      if (p.byteOffsets[first] >= request.top || p.byteOffsets[first + n] > request.top) {
        Line& line = lines.emplace_back();
        line.text = p.text;
        line.attributes = p.attributes;
        line.byteOffsets = p.byteOffsets;
        line.byteOffset = p.byteOffsets[first];
        line.start = first;
        line.paragraphEnd = p.length;
        line.chunkStart = chunkStart;
        line.length = n;
        line.y = y;
        line.width = width;
        line.height = (made->ascent() + made->descent() + made->leading()) * impl->lineSpacing;
        line.info = std::move(made);
        y += line.height;
        if (request.extraLine) {
          request.limit += line.height;
          request.extraLine = false;
        }
      }
      at += n;
    } while (at < chunkLength);
    chunkStart += at;
  } while (chunkStart < piece.end);
  return y;
}
