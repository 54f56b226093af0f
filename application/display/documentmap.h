// The window of the current document that the text view lays out: up to 64 KB of text from a line start,
// its characters numbered as the view counts them (UTF-8 bytes or UTF-16 units), each position's document
// byte offset, where each line starts, and one display attribute per position from the Lexoscope. Requests
// within the window reuse it; scrolling back rebuilds it with 32 KB of earlier text. A rebuild that overlaps
// the old window, or the text that prepare() made ready, reads, numbers and segments only the rest, with the
// same result as a rebuild from nothing. Main thread only.
#pragma once

#include "display/lexoscope.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class TextDocument;

class DocumentMap {
public:
  // The window from one of its lines on. The arrays run to the end of the window.
  struct LineInfo {
    uint64_t const* attributes; // of the line's first position
    uint64_t const* offsets;    // document byte offset of each position, and one past the window's end
    uint64_t const* lines;      // the position where each line starts, then the number of positions
    const void* text;           // the line's first byte (Utf8) or UTF-16 unit (Utf16)
    uint64_t firstIndex;        // the position of the line's first character
    uint64_t lineCount;         // entries of lines from this one on, the final one included
  };

  DocumentMap();
  ~DocumentMap();
  DocumentMap(DocumentMap const&) = delete;
  DocumentMap& operator=(DocumentMap const&) = delete;

  // Not owned; null styles everything plain. Takes the lexoscope's mode and empties the window.
  void setLexoscope(Lexoscope const* lexoscope);
  // Empties the window, so that the next request rebuilds it.
  void reset();
  Lexoscope::Mode mode() const;
  // Takes effect at the next rebuild.
  void setMode(Lexoscope::Mode mode);
  // Window rebuilds so far.
  uint64_t changeCount() const;
  // Styles the window again (the word list, the looked-up words or the find term changed).
  void reanalyse();
  // Idle work, in slices of a fraction of a millisecond: while the requests go forwards (or, going back,
  // once one lies near the window's start), reads and segments the text a move past the window's edge will
  // need, so that the move only copies. What it made is kept until a move uses it. The window itself is
  // left as it is. True when it did a slice (call again when idle); false when there is nothing to do.
  bool prepare(TextDocument const& document);

  // Brings the window up to date for offset and returns the window's line that holds it.
  LineInfo startOfLineAtOffset(TextDocument const& document, uint64_t offset);
  // Copies window bytes from a document offset: min(n, bytes to the window's end), cut after the last
  // whole character. 0 for a null buffer, n of 0, or an offset outside the window.
  size_t copyToBuffer(uint64_t offset, char* buffer, size_t n) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
