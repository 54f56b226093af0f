// Random access by line to a UTF-8 document of any size, read through a paged window so that no request
// reads more than a bounded stretch of the file. Lines end at a line feed; a line longer than the reading
// distance is cut at a character boundary. The reader survives the file shrinking under it: reads past the
// new end come back short and the document simply ends there.
//
// One thread at a time (the main thread): the remembered cut of a long line is unguarded mutable state.
#pragma once

#include "utils/text.h"

#include <memory>

class TextDocument {
public:
  static constexpr unsigned long DEFAULT_MAX_READ = 10240;
  static constexpr unsigned long PIECE = 4096;

  // Opens the file; the file layer's open errors propagate.
  explicit TextDocument(const char* path);
  ~TextDocument();
  TextDocument(TextDocument const&) = delete;
  TextDocument& operator=(TextDocument const&) = delete;

  Text const& filename() const;
  // The file's size when it was opened.
  unsigned long totalBytes() const;
  // 3 for offsets inside a leading UTF-8 byte-order mark, otherwise the offset.
  unsigned long skipBOM(unsigned long offset) const;

  void setMaxForwardRead(unsigned long bytes);
  // Also forgets the remembered cut, which was made with the old distance.
  void setMaxBackwardRead(unsigned long bytes);

  // The first byte of the line holding offset; totalBytes() at or past the end.
  unsigned long startOfLine(unsigned long offset) const;
  // Just past the first line feed at or after offset, or where a long line is cut, or the end of the file.
  // The second form reads in pieces of the caller's buffer.
  unsigned long nextLine(unsigned long offset) const;
  unsigned long nextLine(unsigned long offset, char* buffer, unsigned long size) const;
  unsigned long lineLength(unsigned long offset) const;

  // Copies the line beginning at offset (a line start), at most size - 1 bytes, and a NUL; returns the
  // count copied (0 when size is 0).
  unsigned long copyLineToBuffer(unsigned long offset, char* buffer, unsigned long size) const;
  // Reads up to n bytes at offset and returns how many to keep: one trailing sequence cut by the read is
  // dropped, unless the read reached the end of the file. Other bytes are never dropped, so invalid text
  // still reads to its end.
  unsigned long copyToBuffer(unsigned long offset, char* buffer, unsigned long n) const;
  // How many of count bytes read short of the end of the file copyToBuffer keeps: it looks at the last four
  // at most.
  static unsigned long wholeBytes(const char* buffer, unsigned long count);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
