// The text view's page: the part of a document that is on screen, as wrapped lines. It never lays out the
// whole document: it takes the display map's window from the paragraph holding an offset and breaks lines
// until the view's height is filled (plus one line for pixel scrolling), and answers the questions the text
// view and its controller ask about the page: what lies under a point, where the next word in each direction
// is, how to scroll by lines or pixels, where the last page begins. Paragraphs above the page (scrolling
// back, the last page) are laid out in a scratch map, so the page's window stays as it is. A paragraph longer
// than 10 KB is broken in pieces of about 8 KB at fixed places of the file (after a full stop where one is
// near), the last line of each ending the piece, so that it breaks the same wherever a page begins in it.
//
// The display map must count UTF-16 units (Lexoscope::Utf16). Offsets are document byte offsets; x and y are
// view coordinates unless a Hit says otherwise. Main thread only.
#pragma once

#include "views/line.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class DocumentMap;
class LineBreaker;
class TextDocument;

class Layout {
public:
  // A hit test or a caret: the token under the point or the caret word. start and end index the line's
  // paragraph; the offsets are 0 on no token. x is from the left margin; y and height are the line's.
  struct Hit {
    uint64_t line = 0; // the page's line; lineCount() when the point is on no line
    uint64_t start = 0;
    uint64_t end = 0;
    uint64_t startOffset = 0;
    uint64_t endOffset = 0;
    double x = 0;
    double y = 0;
    double height = 0;
  };

  // Neither is owned; both must outlive the layout.
  Layout(DocumentMap& documentMap, LineBreaker& lineBreaker);
  ~Layout();
  Layout(Layout const&) = delete;
  Layout& operator=(Layout const&) = delete;

  // Lays out the page whose first line holds offset (or begins after it).
  void layoutFrom(TextDocument const& document, uint64_t offset);
  // Drops the page and empties both maps' windows (a new document, another mode).
  void reset();
  // The view's size; the margins are taken off it.
  void setViewSize(double width, double height);
  void setMargins(double left, double top, double right, double bottom);
  double leftMargin() const;
  // The y at which the first line is drawn: the top margin less the pixel offset.
  double topMargin() const;
  // How much of the first line lies above the top edge.
  double pixelOffset() const;

  size_t lineCount() const;
  Line const& line(size_t index) const;
  LineBreaker& lineBreaker();
  // Restyles the display map's window (word list, looked-up words or find term changed).
  void reanalyse();
  // The first line's byte offset; 0 with no line.
  uint64_t topOffset() const;

  // A point left or right of its line's text (in a margin, or past a short line's end) is on no token.
  Hit hitTest(double x, double y) const;
  // The offset a point stands for: boundary picks the nearest caret position, otherwise the character under
  // the point. Above the text: the page's first unit; below the last line: its end; no page: the document's
  // size.
  uint64_t offsetAt(TextDocument const& document, bool boundary, double x, double y) const;
  // The word of a hit: offset and isWord of its first unit; for a word its bytes into buffer (at most
  // length - 1, cut at a character boundary, NUL-terminated) and length set to their count, otherwise
  // length 0. Returns the word's style id, 0 for anything else.
  int wordSpan(Hit const& hit, uint64_t& offset, bool& isWord, char* buffer, size_t& length) const;
  // The token at offset, laying the page out there first when it is not on the page.
  Hit hitAtOffset(TextDocument const& document, uint64_t offset);

  // The caret word's neighbours; the page scrolls (3 lines) to keep the new caret in view. At either end of
  // the document the caret stays where it is.
  Hit wordLeft(TextDocument const& document, Hit const& caret);
  Hit wordRight(TextDocument const& document, Hit const& caret);
  Hit wordUp(TextDocument const& document, Hit const& caret);
  Hit wordDown(TextDocument const& document, Hit const& caret);

  // Scrolls n lines (n < 0 upwards) and returns the new top offset; never past the last page.
  uint64_t scrollLines(TextDocument const& document, int n);
  // Scrolls n pages (n < 0 upwards) and returns the new top offset. A page down makes the first line below
  // the top that was not wholly shown the new top (at least one line on, however tall); a page up makes the
  // line above the old top (the old top itself when it was partly above the edge) the last line wholly shown,
  // as many whole lines above it as fit. Either way the new top line shows from its start.
  uint64_t scrollPages(TextDocument const& document, int n);
  // Scrolls by pixels (< 0 upwards) and returns the scroll position in bytes, which moves on inside the
  // first line as it slides up.
  uint64_t scrollBy(TextDocument const& document, double pixels);
  // Sets the pixel offset so that the first line shows from offset's place in it.
  void alignToOffset(uint64_t offset);
  // Finds where the last page begins (the furthest the top may go) and returns the document's size + 1 less
  // that offset.
  uint64_t lastPageSize(TextDocument const& document);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
