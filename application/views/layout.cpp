// The page is laid out from the start of the paragraph that holds the requested top, skipping the lines
// above it, so a paragraph always breaks the same way wherever the page begins in it. A paragraph too long to
// lay out from its start each time is broken in pieces at fixed places in the file, each piece as if it were
// a paragraph of its own, and laid out from the start of the piece: where the display map's window or the
// document's reader happened to begin it never moves a break. Going up (lines or pixels, the last page) lays
// out the paragraph (or piece) before an offset in the scratch map up to that offset: the lines just above
// the top are then the right ones, and the end of a last paragraph taller than the view is reachable.
#include "views/layout.h"

#include "display/documentmap.h"
#include "documents/textdocument.h"
#include "views/linebreaker.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <string_view>

namespace {
constexpr uint64_t NO_STOP = std::numeric_limits<uint64_t>::max();
constexpr double NO_LIMIT = std::numeric_limits<double>::infinity();
constexpr int SCROLL_STEP = 3;
constexpr int MAX_ROUNDS = 999;
// How far past the bottom edge a line may end and still count as wholly shown: heights summed in another
// order differ in their last bits, and a page of whole lines must stay one.
constexpr double EDGE = 1e-6;
// A piece of a long paragraph begins near every multiple of PIECE bytes that lies at least RUN bytes past the
// paragraph's start, so paragraphs shorter than RUN are one piece: after the first full stop in the SENTENCE
// bytes from the multiple on (and the closing marks after it), so that the line that a piece's end cuts
// short ends a sentence; without one, at the first unit from the multiple. A layout begins at most
// RUN + PIECE + SENTENCE bytes before its top.
constexpr uint64_t PIECE = 8192;
constexpr uint64_t RUN = 10240;
constexpr size_t SENTENCE = 512;
// A piece that begins this far before an offset begins on text at or before the offset's character, even
// when the offset lies on the line feed after a CR: a character takes at most 4 bytes.
constexpr uint64_t SLACK = 5;
// Full stops (。！？) and the closing marks that stay with them (” ’ 」 』 ） 》), in UTF-8.
constexpr std::string_view STOPS[] = {"\xE3\x80\x82", "\xEF\xBC\x81", "\xEF\xBC\x9F"};
constexpr std::string_view CLOSERS[] = {"\xE2\x80\x9D", "\xE2\x80\x99", "\xE3\x80\x8D",
                                        "\xE3\x80\x8F", "\xEF\xBC\x89", "\xE3\x80\x8B"};

// Paragraph k of a window, its line end (LF or CR LF) left out: that is not text to lay out.
LineBreaker::Paragraph paragraphOf(DocumentMap::LineInfo const& window, size_t k) {
  const uint64_t first = window.lines[k] - window.firstIndex;
  const uint64_t next = window.lines[k + 1] - window.firstIndex;
  const uint16_t* text = static_cast<const uint16_t*>(window.text) + first;
  size_t length = size_t(next - first);
  if (length > 0 && text[length - 1] == '\n') --length;
  if (length > 0 && text[length - 1] == '\r') --length;
  return {text, window.attributes + first, window.offsets + first, length};
}

// The first unit of p whose byte offset reaches offset (its length when none does).
size_t unitAt(LineBreaker::Paragraph const& p, uint64_t offset) {
  return size_t(std::lower_bound(p.byteOffsets, p.byteOffsets + p.length, offset) - p.byteOffsets);
}

// The length of whichever of marks text holds at i, 0 for none.
template <size_t N> size_t markAt(std::string_view text, size_t i, std::string_view const (&marks)[N]) {
  for (std::string_view mark : marks)
    if (text.substr(i, mark.size()) == mark) return mark.size();
  return 0;
}

// Where the piece at grid, a multiple of PIECE, begins: after the first full stop from grid on within
// SENTENCE bytes and its closing marks, unless its paragraph ends there; else at grid.
uint64_t pieceAt(TextDocument const& document, uint64_t grid) {
  char buffer[SENTENCE];
  const std::string_view text(buffer, document.copyToBuffer(grid, buffer, SENTENCE));
  for (size_t i = 0; i < text.size() && text[i] != '\n'; ++i) {
    size_t at = i + markAt(text, i, STOPS);
    if (at == i) continue;
    while (size_t closer = markAt(text, at, CLOSERS))
      at += closer;
    if (at < text.size() && text[at] != '\r' && text[at] != '\n') return grid + at;
    break;
  }
  return grid;
}

// Where the piece of p that begins at unit begin ends: where the next piece begins, at the next multiple of
// PIECE (at least RUN past anchor), or at the paragraph's end.
size_t pieceEnd(TextDocument const& document, LineBreaker::Paragraph const& p, size_t begin,
                uint64_t anchor) {
  const uint64_t grid =
      std::max(p.byteOffsets[begin] / PIECE + 1, (anchor + RUN + PIECE - 1) / PIECE) * PIECE;
  if (grid >= p.byteOffsets[p.length]) return p.length;
  const uint64_t next = pieceAt(document, grid);
  return size_t(std::lower_bound(p.byteOffsets + begin, p.byteOffsets + p.length, next) - p.byteOffsets);
}

bool startsWord(Line const& line, uint64_t index) {
  const uint64_t a = line.attributes[index];
  return (a & Line::WORD) && (a & Line::TOKEN_START);
}
} // namespace

struct Layout::Impl {
  // Where a layout begins: at, a byte offset (a piece begins at the first unit from it); the pieces after
  // it begin near the multiples of PIECE at least RUN past anchor.
  struct Start {
    uint64_t at;
    uint64_t anchor;
  };

  Impl(DocumentMap& map, LineBreaker& breaker) : documentMap(&map), lineBreaker(&breaker) {}

  Start startFor(TextDocument const& document, uint64_t offset) const;
  void layoutPage(TextDocument const& document);
  double layoutParagraph(TextDocument const& document, LineBreaker::Paragraph const& p, Start start,
                         LineBreaker::Request& request, double y, std::vector<Line>& out) const;
  uint64_t paragraphBefore(TextDocument const& document, uint64_t offset);
  uint64_t linesBefore(TextDocument const& document, size_t count);
  uint64_t pageEndingAt(TextDocument const& document, uint64_t offset);
  uint64_t position() const;
  size_t lineAtY(double y) const;
  size_t lineHolding(uint64_t offset) const;
  uint64_t indexOf(Line const& line, uint64_t offset) const;
  size_t caretLine(Hit const& caret) const;
  Hit hitOf(size_t lineIndex, uint64_t index) const;
  uint64_t wordIndexNear(Line const& line, double x) const;
  double topOf(size_t i) const { return top - pixelOffset + lines[i].y; }
  double bottomOf(size_t i) const { return topOf(i) + lines[i].height; }
  bool endsInView(size_t i) const { return bottomOf(i) <= height + EDGE; }

  DocumentMap* documentMap;       // the controller's, with its lexoscope
  LineBreaker* lineBreaker;       // font and line spacing
  DocumentMap::LineInfo window{}; // from the paragraph holding the requested top on
  DocumentMap scratchMap;         // paragraphs above the page, without moving the page's window
  std::vector<Line> scratchLines; // made in the scratch map
  double width = 0, height = 0;   // the view's size less the margins
  double pixelOffset = 0;         // how much of the first line lies above the top edge
  uint64_t maxTop = 0;            // where the last page begins (lastPageSize)
  uint64_t requestedTop = 0;      // the offset of the last layoutFrom
  double left = 0, top = 0, right = 0, bottom = 0;
  std::vector<Line> lines; // the page, top to bottom
};

Layout::Layout(DocumentMap& documentMap, LineBreaker& lineBreaker)
    : impl(std::make_unique<Impl>(documentMap, lineBreaker)) {}
Layout::~Layout() = default;

// Where a layout must begin for the line holding offset to come out as every layout makes it: the start of
// offset's paragraph, or in a long paragraph the last piece whose grid point lies SENTENCE + SLACK bytes or
// more before offset. Only the bytes decide, read back at most RUN + PIECE + SENTENCE + SLACK from offset.
Layout::Impl::Start Layout::Impl::startFor(TextDocument const& document, uint64_t offset) const {
  offset = std::min<uint64_t>(offset, document.totalBytes());
  const uint64_t grid = (offset > SLACK + SENTENCE ? offset - SLACK - SENTENCE : 0) / PIECE * PIECE;
  // A paragraph that begins RUN or more before the grid point has a piece there.
  const uint64_t reach = grid >= RUN ? grid - RUN : 0;
  char buffer[4096];
  for (uint64_t end = offset; end > reach;) {
    const uint64_t from = std::max(reach, end > sizeof buffer ? end - sizeof buffer : 0);
    const std::string_view read(buffer, document.copyToBuffer(from, buffer, end - from));
    const size_t feed = read.rfind('\n');
    if (feed != std::string_view::npos) return {from + feed + 1, from + feed + 1};
    end = from;
  }
  return grid >= RUN ? Start{pieceAt(document, grid), reach} : Start{0, 0};
}

// The page from the requested top: the window from where the layout begins, its paragraphs broken until
// the view is filled.
void Layout::Impl::layoutPage(TextDocument const& document) {
  const Start start = startFor(document, requestedTop);
  window = documentMap->startOfLineAtOffset(document, start.at);
  lines.clear();
  if (window.lineCount < 2 || height <= 0) return;
  LineBreaker::Request request{width, requestedTop, NO_STOP, height, true};
  double y = 0;
  for (size_t k = 0; k + 1 < window.lineCount && y < request.limit; ++k) {
    const LineBreaker::Paragraph p = paragraphOf(window, k);
    const Start from = k == 0 ? start : Start{p.byteOffsets[0], p.byteOffsets[0]};
    y = layoutParagraph(document, p, from, request, y, lines);
  }
}

// The pieces of p from start on, while the request takes lines.
double Layout::Impl::layoutParagraph(TextDocument const& document, LineBreaker::Paragraph const& p,
                                     Start start, LineBreaker::Request& request, double y,
                                     std::vector<Line>& out) const {
  size_t begin = unitAt(p, start.at);
  do {
    const size_t end = pieceEnd(document, p, begin, start.anchor);
    y = lineBreaker->breakLines(p, {begin, end}, request, y, out);
    begin = end;
  } while (begin < p.length && y < request.limit && p.byteOffsets[begin] < request.stop);
  return y;
}

// The lines that begin before offset, laid out in the scratch map from where a layout of the text before
// offset begins (the start of the paragraph holding offset - 1, or of a piece of it); returns that start.
uint64_t Layout::Impl::paragraphBefore(TextDocument const& document, uint64_t offset) {
  scratchLines.clear();
  if (scratchMap.mode() != documentMap->mode()) {
    scratchMap.setMode(documentMap->mode());
    scratchMap.reset();
  }
  const Start start = startFor(document, offset - 1);
  const DocumentMap::LineInfo before = scratchMap.startOfLineAtOffset(document, start.at);
  const LineBreaker::Paragraph p = paragraphOf(before, 0);
  LineBreaker::Request request{width, 0, offset, NO_LIMIT, false};
  layoutParagraph(document, p, start, request, 0, scratchLines);
  return p.byteOffsets[unitAt(p, start.at)];
}

uint64_t Layout::Impl::linesBefore(TextDocument const& document, size_t count) {
  uint64_t at = lines.empty() ? requestedTop : lines.front().byteOffset;
  while (count > 0 && at > 0) {
    const uint64_t paragraph = paragraphBefore(document, at);
    if (scratchLines.size() >= count) return scratchLines[scratchLines.size() - count].byteOffset;
    count -= scratchLines.size();
    at = paragraph;
  }
  return at;
}

// The top of the fullest page whose last line is the last one beginning before offset: lines are added from
// it upwards while they fit in the view, the first however tall it is.
uint64_t Layout::Impl::pageEndingAt(TextDocument const& document, uint64_t offset) {
  double sum = 0;
  while (offset > 0) {
    paragraphBefore(document, offset);
    for (auto line = scratchLines.rbegin(); line != scratchLines.rend(); ++line) {
      if (sum > 0 && sum + line->height > height + EDGE) return offset;
      sum += line->height;
      offset = line->byteOffset;
    }
  }
  return offset;
}

// The scroll position: the top offset, moved on inside the first line by the share of it above the edge.
uint64_t Layout::Impl::position() const {
  if (lines.empty()) return 0;
  Line const& first = lines[0];
  if (first.height <= 0) return first.byteOffset;
  const double inside = std::max(pixelOffset / first.height, 0.0);
  return first.byteOffset + uint64_t(inside * double(first.endOffset() - first.byteOffset));
}

size_t Layout::Impl::lineAtY(double y) const {
  const auto after =
      std::upper_bound(lines.begin(), lines.end(), y, [](double v, Line const& l) { return v < l.y; });
  if (after == lines.begin()) return lines.size();
  const size_t i = size_t(after - lines.begin()) - 1;
  return y < lines[i].y + lines[i].height ? i : lines.size();
}

// The last line beginning at or before offset (the first line for an offset above the page).
size_t Layout::Impl::lineHolding(uint64_t offset) const {
  const auto after = std::upper_bound(lines.begin(), lines.end(), offset,
                                      [](uint64_t o, Line const& l) { return o < l.byteOffset; });
  return after == lines.begin() ? 0 : size_t(after - lines.begin()) - 1;
}

// The line's first unit whose byte offset reaches offset (its end when none does).
uint64_t Layout::Impl::indexOf(Line const& line, uint64_t offset) const {
  uint64_t i = line.start;
  while (i < line.end() && line.byteOffsets[i] < offset)
    ++i;
  return i;
}

// The caret's line on this page: its own while that still holds part of its word, else the one holding the
// word's start; a caret on no word keeps its line index where the page has it.
size_t Layout::Impl::caretLine(Hit const& caret) const {
  const bool onWord = caret.startOffset < caret.endOffset;
  if (!onWord) return std::min<size_t>(size_t(caret.line), lines.size() - 1);
  if (caret.line < lines.size()) {
    Line const& line = lines[caret.line];
    if (line.byteOffset < caret.endOffset && line.endOffset() > caret.startOffset) return size_t(caret.line);
  }
  return lineHolding(caret.startOffset);
}

Layout::Hit Layout::Impl::hitOf(size_t lineIndex, uint64_t index) const {
  Line const& line = lines[lineIndex];
  const auto [first, last] = line.tokenRange(index);
  Hit hit;
  hit.line = lineIndex;
  hit.start = first;
  hit.end = last;
  if (first < last) {
    hit.startOffset = line.byteOffsets[first];
    hit.endOffset = line.byteOffsets[last];
  }
  hit.x = line.positionOfIndex(std::clamp(first, line.start, line.end()) - line.start);
  hit.y = line.y;
  hit.height = line.height;
  return hit;
}

void Layout::layoutFrom(TextDocument const& document, uint64_t offset) {
  Impl& d = *impl;
  assert(d.documentMap->mode() == Lexoscope::Utf16);
  d.requestedTop = offset;
  d.layoutPage(document);
  // Past the last line's text (the document's end, its last line end): the page shows that last line, from
  // the start of its paragraph (or piece).
  if (d.lines.empty() && d.window.lineCount >= 2 && offset > 0 && d.height > 0) {
    d.requestedTop = d.paragraphBefore(document, offset);
    d.layoutPage(document);
  }
}

void Layout::reset() {
  Impl& d = *impl;
  d.lines.clear();
  d.window = {};
  d.documentMap->reset();
  d.scratchMap.setMode(d.documentMap->mode());
  d.scratchMap.reset();
}

void Layout::setViewSize(double width, double height) {
  impl->width = width - impl->left - impl->right;
  impl->height = height - impl->top - impl->bottom;
}

void Layout::setMargins(double left, double top, double right, double bottom) {
  impl->left = left;
  impl->top = top;
  impl->right = right;
  impl->bottom = bottom;
}

double Layout::leftMargin() const {
  return impl->left;
}
double Layout::topMargin() const {
  return impl->top - impl->pixelOffset;
}
double Layout::pixelOffset() const {
  return impl->pixelOffset;
}
size_t Layout::lineCount() const {
  return impl->lines.size();
}
Line const& Layout::line(size_t index) const {
  return impl->lines[index];
}
LineBreaker& Layout::lineBreaker() {
  return *impl->lineBreaker;
}
void Layout::reanalyse() {
  impl->documentMap->reanalyse();
}
uint64_t Layout::topOffset() const {
  return impl->lines.empty() ? 0 : impl->lines.front().byteOffset;
}

Layout::Hit Layout::hitTest(double x, double y) const {
  Impl const& d = *impl;
  Hit hit;
  hit.line = d.lines.size();
  const size_t i = d.lineAtY(y - (d.top - d.pixelOffset));
  if (i >= d.lines.size()) return hit;
  Line const& line = d.lines[i];
  // Left of the line's first glyph (the margin) no glyph lies at or left of the point: it hits no token.
  const bool onGlyph = x - d.left >= line.positionOfIndex(0);
  const auto [first, last] = onGlyph ? line.tokenAtPosition(x - d.left) : std::pair<uint64_t, uint64_t>{};
  hit = d.hitOf(i, first < last ? first : line.end());
  hit.x = x - d.left;
  return hit;
}

uint64_t Layout::offsetAt(TextDocument const& document, bool boundary, double x, double y) const {
  Impl const& d = *impl;
  if (d.lines.empty()) return document.totalBytes();
  double textY = y - (d.top - d.pixelOffset);
  double lineX = x - d.left;
  if (textY < 0) textY = lineX = 0;
  Line const& last = d.lines.back();
  if (textY >= last.y + last.height) return last.endOffset();
  Line const& line = d.lines[d.lineAtY(textY)];
  return line.byteOffsets[line.indexAtPosition(lineX, boundary)];
}

int Layout::wordSpan(Hit const& hit, uint64_t& offset, bool& isWord, char* buffer, size_t& length) const {
  Impl const& d = *impl;
  const bool onToken =
      hit.line < d.lines.size() && hit.start < hit.end && hit.end <= d.lines[hit.line].paragraphEnd;
  if (!onToken) {
    offset = 0;
    isWord = false;
    length = 0;
    return 0;
  }
  Line const& line = d.lines[hit.line];
  const uint64_t attribute = line.attributes[hit.start];
  offset = line.byteOffsets[hit.start];
  isWord = attribute & Line::WORD;
  if (!isWord || !buffer || length == 0) {
    length = 0;
    return isWord ? int(attribute >> 32) : 0;
  }
  const size_t wanted = size_t(std::min<uint64_t>(hit.endOffset - hit.startOffset, length - 1));
  length = d.documentMap->copyToBuffer(hit.startOffset, buffer, wanted);
  buffer[length] = 0;
  return int(attribute >> 32);
}

Layout::Hit Layout::hitAtOffset(TextDocument const& document, uint64_t offset) {
  Impl& d = *impl;
  const uint64_t size = document.totalBytes();
  offset = size > 0 ? std::min(offset, size - 1) : 0;
  if (d.lines.empty() || offset < d.lines.front().byteOffset || offset > d.lines.back().endOffset())
    layoutFrom(document, offset);
  if (d.lines.empty()) return Hit{};
  const size_t i = d.lineHolding(offset);
  const auto range = d.lines[i].tokenRangeForOffset(offset);
  return d.hitOf(i, range.first < range.second ? range.first : d.lines[i].end());
}

// The word nearest to x on a line: the word under x, else the nearer of the words before and after it (the
// one after on a tie). The line's end when the line holds no word.
uint64_t Layout::Impl::wordIndexNear(Line const& line, double x) const {
  if (line.length == 0) return line.end();
  const uint64_t under = std::clamp(line.indexAtPosition(x, false), line.start, line.end() - 1);
  const auto isWord = [&](uint64_t i) { return (line.attributes[i] & Line::WORD) != 0; };
  uint64_t back = under;
  while (back > line.start && !isWord(back))
    --back;
  uint64_t forward = under;
  while (forward < line.end() && !isWord(forward))
    ++forward;
  if (forward == line.end()) return isWord(back) ? back : forward;
  if (!isWord(back)) return forward;
  const auto backToken = line.tokenRange(back);
  if (under < backToken.second) return back;
  const auto forwardToken = line.tokenRange(forward);
  if (under >= forwardToken.first && under < forwardToken.second) return forward;
  return forward - under <= under - backToken.second ? forward : back;
}

Layout::Hit Layout::wordRight(TextDocument const& document, Hit const& caret) {
  Impl& d = *impl;
  if (d.lines.empty()) return caret;
  size_t lineIndex = d.caretLine(caret);
  uint64_t from = caret.end;
  for (int round = 0; round < MAX_ROUNDS; ++round) {
    for (; lineIndex < d.lines.size(); ++lineIndex, from = 0) {
      Line const& line = d.lines[lineIndex];
      for (uint64_t i = std::max(from, line.start); i < line.end(); ++i) {
        if (!startsWord(line, i)) continue;
        if (d.endsInView(lineIndex)) return d.hitOf(lineIndex, i);
        const uint64_t at = line.byteOffsets[i];
        scrollLines(document, SCROLL_STEP);
        return hitAtOffset(document, at);
      }
    }
    // No word after the caret on the page: go on below it, unless the document's end is on the page.
    const size_t last = d.lines.size() - 1;
    if (d.endsInView(last)) return caret;
    const uint64_t at = d.lines[last].endOffset();
    const uint64_t before = d.requestedTop;
    scrollLines(document, SCROLL_STEP);
    if (d.requestedTop == before) return caret;
    hitAtOffset(document, at);
    lineIndex = d.lineHolding(at);
    from = d.indexOf(d.lines[lineIndex], at);
  }
  return caret;
}

Layout::Hit Layout::wordLeft(TextDocument const& document, Hit const& caret) {
  Impl& d = *impl;
  if (d.lines.empty()) return caret;
  size_t lineIndex = d.caretLine(caret);
  uint64_t before = caret.start; // units before it are looked at
  for (int round = 0; round < MAX_ROUNDS; ++round) {
    for (;;) {
      Line const& line = d.lines[lineIndex];
      for (uint64_t i = std::min(before, line.end()); i > line.start;) {
        if (!startsWord(line, --i)) continue;
        if (d.topOf(lineIndex) >= 0) return d.hitOf(lineIndex, i);
        const uint64_t at = line.byteOffsets[i];
        scrollLines(document, -SCROLL_STEP);
        return hitAtOffset(document, at);
      }
      if (lineIndex == 0) break;
      before = d.lines[--lineIndex].end();
    }
    // No word before the caret on the page: go on above it, unless the page begins the document.
    if (d.lines[0].byteOffset == 0 && d.topOf(0) >= 0) return caret;
    const uint64_t at = d.lines[0].byteOffset;
    scrollLines(document, -SCROLL_STEP);
    if (d.lines.empty() || d.lines[0].byteOffset >= at) return caret;
    hitAtOffset(document, at);
    lineIndex = d.lineHolding(at);
    before = d.indexOf(d.lines[lineIndex], at);
  }
  return caret;
}

Layout::Hit Layout::wordDown(TextDocument const& document, Hit const& caret) {
  Impl& d = *impl;
  if (d.lines.empty()) return caret;
  size_t lineIndex = d.caretLine(caret);
  for (int round = 0; round < MAX_ROUNDS; ++round) {
    size_t next = lineIndex + 1;
    if (next >= d.lines.size() || !d.endsInView(next)) {
      const uint64_t anchor = d.lines[lineIndex].byteOffset;
      scrollLines(document, SCROLL_STEP);
      hitAtOffset(document, anchor);
      lineIndex = d.lineHolding(anchor);
      next = lineIndex + 1;
      if (next >= d.lines.size()) return caret;
    }
    Line const& line = d.lines[next];
    const uint64_t i = d.wordIndexNear(line, caret.x);
    if (i < line.end() && (line.attributes[i] & Line::WORD)) return d.hitOf(next, i);
    lineIndex = next;
  }
  return caret;
}

Layout::Hit Layout::wordUp(TextDocument const& document, Hit const& caret) {
  Impl& d = *impl;
  if (d.lines.empty()) return caret;
  size_t lineIndex = d.caretLine(caret);
  for (int round = 0; round < MAX_ROUNDS; ++round) {
    if (lineIndex == 0 || d.topOf(lineIndex - 1) < 0) {
      const uint64_t anchor = d.lines[lineIndex].byteOffset;
      scrollLines(document, -SCROLL_STEP);
      hitAtOffset(document, anchor);
      lineIndex = d.lineHolding(anchor);
      if (lineIndex == 0) return caret;
    }
    Line const& line = d.lines[lineIndex - 1];
    const uint64_t i = d.wordIndexNear(line, caret.x);
    if (i < line.end() && (line.attributes[i] & Line::WORD)) return d.hitOf(lineIndex - 1, i);
    --lineIndex;
  }
  return caret;
}

uint64_t Layout::scrollLines(TextDocument const& document, int n) {
  Impl& d = *impl;
  if (d.lines.empty()) return d.requestedTop;
  uint64_t top = 0;
  if (n >= 1) {
    if (size_t(n) >= d.lines.size()) return d.requestedTop;
    top = d.lines[size_t(n)].byteOffset;
  } else {
    top = d.linesBefore(document, size_t(-int64_t(n)));
  }
  if (top == 0 && d.requestedTop == 0) {
    d.pixelOffset = 0;
  } else {
    top = std::min(top, d.maxTop);
  }
  layoutFrom(document, top);
  return top;
}

uint64_t Layout::scrollBy(TextDocument const& document, double pixels) {
  Impl& d = *impl;
  if (d.lines.empty()) return 0;
  d.pixelOffset += pixels;
  if (pixels >= 0 && d.maxTop == 0) {
    d.pixelOffset = 0;
  } else if (pixels >= 0) {
    // Whole lines that have slid above the top edge, but never a top past the last page's.
    while (!d.lines.empty() && d.pixelOffset > d.lines[0].height) {
      size_t whole = 0;
      double passed = 0;
      while (whole + 1 < d.lines.size() && d.pixelOffset - passed > d.lines[whole].height &&
             d.lines[whole + 1].byteOffset <= d.maxTop)
        passed += d.lines[whole++].height;
      if (whole == 0) {
        d.pixelOffset = std::min(d.pixelOffset, d.lines.back().height);
        break;
      }
      d.pixelOffset -= passed;
      scrollLines(document, int(whole));
    }
  } else if (d.pixelOffset < 0) {
    uint64_t top = topOffset();
    while (d.pixelOffset < 0 && top > 0) {
      d.paragraphBefore(document, top);
      for (auto line = d.scratchLines.rbegin(); line != d.scratchLines.rend() && d.pixelOffset < 0; ++line) {
        d.pixelOffset += line->height;
        top = line->byteOffset;
      }
    }
    d.pixelOffset = std::max(d.pixelOffset, 0.0);
    layoutFrom(document, top);
  }
  return d.position();
}

uint64_t Layout::scrollPages(TextDocument const& document, int n) {
  Impl& d = *impl;
  for (; n != 0 && !d.lines.empty(); n += n < 0 ? 1 : -1) {
    const uint64_t top = d.lines[0].byteOffset;
    uint64_t next = top;
    if (n > 0) {
      size_t cut = 1; // the first line below the top not wholly shown
      while (cut < d.lines.size() && d.endsInView(cut))
        ++cut;
      next = std::min(cut < d.lines.size() ? d.lines[cut].byteOffset : d.lines.back().endOffset(), d.maxTop);
      if (next <= top) break;
    } else {
      // The top line partly above the edge is the one to show whole at the bottom.
      next = d.pageEndingAt(document, d.pixelOffset > 0 ? d.lines[0].endOffset() : top);
      if (next == top && d.pixelOffset <= 0) break;
    }
    d.pixelOffset = 0;
    layoutFrom(document, next);
  }
  return d.position();
}

void Layout::alignToOffset(uint64_t offset) {
  Impl& d = *impl;
  d.pixelOffset = 0;
  if (d.lines.empty()) return;
  Line const& first = d.lines[0];
  if (offset < first.byteOffset || offset >= first.endOffset()) return;
  const double part = double(offset - first.byteOffset) / double(first.endOffset() - first.byteOffset);
  d.pixelOffset = std::max(part, 0.0) * first.height;
}

uint64_t Layout::lastPageSize(TextDocument const& document) {
  Impl& d = *impl;
  const uint64_t size = document.totalBytes();
  // The document's last line counts even when it alone is taller than the view.
  d.maxTop = d.pageEndingAt(document, size);
  return size + 1 - d.maxTop;
}
