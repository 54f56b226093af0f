// Breaks one paragraph of UTF-16 text into the lines of a wrap width. The measuring is the platform's: a
// subclass hands out a Typesetter per chunk of text (a QTextLayout on the desktop, fixed advances in tests).
// This class cuts a paragraph into chunks of at most CHUNK units, never between the two units of a surrogate
// pair, and typesets a chunk's unfinished last line again at the head of the next chunk, so that the breaks
// are those of one layout of the whole paragraph. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class Line;

class LineBreaker {
public:
  static constexpr size_t CHUNK = 1024;

  // One row as the platform laid it out. Indexes count from the start of the chunk that made it.
  class TypesetLine {
  public:
    virtual ~TypesetLine() = default;
    virtual double ascent() const = 0;
    virtual double descent() const = 0;
    virtual double leading() const = 0;
    // The x of the caret before the unit at index (from the line's left edge, margins not included).
    virtual double positionOfIndex(size_t index) const = 0;
    // boundary: the caret position nearest to x; otherwise the unit whose glyph lies at or left of x (the
    // line's first unit for an x left of it, its last for one right of its text).
    virtual size_t indexAtPosition(double x, bool boundary) const = 0;
  };

  // One chunk, typeset. Lines are taken in order: each suggestLineBreak starts a line where the last one
  // ended, and createLine fixes that line's length.
  class Typesetter {
  public:
    virtual ~Typesetter() = default;
    // How many units from `from` fit in width; may be 0 when not even one does.
    virtual size_t suggestLineBreak(size_t from, double width) = 0;
    // The line just suggested, fixed at length units (never more than the chunk holds).
    virtual std::shared_ptr<TypesetLine> createLine(size_t from, size_t length) = 0;
  };

  // A paragraph of the display map's window; every array is indexed from the paragraph's first unit.
  struct Paragraph {
    const uint16_t* text;
    const uint64_t* attributes;
    const uint64_t* byteOffsets; // length + 1 entries: the last one is where the line end begins
    size_t length;               // units of text, the line end (LF, CR LF) left out
  };
  // The units of a paragraph that one call lays out, as if they were all its text: the first line begins
  // at begin and the last one ends at end (a long paragraph is laid out in pieces).
  struct Piece {
    size_t begin;
    size_t end;
  };

  // What one call lays out; kept across the paragraphs of a page.
  struct Request {
    double width;
    uint64_t top;  // a line that ends at or before it is made but not kept
    uint64_t stop; // no line that begins at or after it is made
    double limit;  // no line is begun once y reaches it
    bool
        extraLine; // the first line kept raises the limit by its height (the page's line for pixel scrolling)
  };

  LineBreaker();
  virtual ~LineBreaker();
  LineBreaker(LineBreaker const&) = delete;
  LineBreaker& operator=(LineBreaker const&) = delete;

  // A line's height is (ascent + descent + leading) times this (1.5 at first).
  void setLineSpacing(double multiplier);
  double lineSpacing() const;

  // Appends the kept lines of the paragraph's piece, the first at y; returns y below the last one. Their
  // indexes count from the paragraph's first unit. An empty piece (a paragraph with no text) still makes
  // one (empty) line. Every line takes at least one character, whatever the width.
  double breakLines(Paragraph const& paragraph, Piece piece, Request& request, double y,
                    std::vector<Line>& lines);

protected:
  virtual std::unique_ptr<Typesetter> typeset(const uint16_t* text, size_t length) = 0;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
