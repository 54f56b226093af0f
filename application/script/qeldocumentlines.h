// The lines of a document file, one after another, through a reader of its own: scripts never share the
// reader that a view pages with. A line is read whole into a buffer that grows to the longest line, up to
// MAX_LINE bytes (a longer line comes in pieces cut at character boundaries). A UTF-8 byte-order mark is
// not part of the first line. Every read moves forward, so a walk over the lines always ends.
#pragma once

#include "utils/span.h"

#include <memory>

namespace qelLua {

class DocumentLines {
public:
  static constexpr unsigned long MAX_LINE = 16ul << 20;

  // Opens path at its first line; the file layer's open errors propagate.
  explicit DocumentLines(const char* path);
  ~DocumentLines();
  DocumentLines(DocumentLines const&) = delete;
  DocumentLines& operator=(DocumentLines const&) = delete;

  // Reads from the start of the line that holds offset from now on (the end of the text at or past it).
  void seekLineOf(unsigned long offset);
  // Reads the next line into the buffer; false once the last line was read. A document that is empty (or
  // ends right at the place read from) has one empty line there; a final line feed starts no further line.
  bool next();
  // The line last read, its line end included; valid until the next call.
  Span line() const;
  // The same without its trailing CR and LF bytes.
  Span lineWithoutEnd() const;
  // The byte offset of the line last read.
  unsigned long lineStart() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

} // namespace qelLua
