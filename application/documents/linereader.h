// Lines of the small text files the engine keeps for the reader (search history, recent files): LF, CR or
// CR LF ends, an optional UTF-8 byte-order mark at the start, and files read whole into memory of their own.
#pragma once

#include "utils/span.h"

#include <functional>

class LineReader {
public:
  // The text after a leading EF BB BF, when there is one.
  static Utf8Range skipBOM(Utf8Range const& text);

  // Reads the file at path and hands its text, BOM skipped, to load. An empty file is empty text; a file that
  // cannot be opened or read throws the file layer's error.
  static void readFile(const char* path, std::function<void(Utf8Range const&)> const& load);

  explicit LineReader(Utf8Range const& text) : m_next(text.data), m_end(text.end()) {}

  // The next line without its end; false once the text is used up. A last line without an end counts, an
  // empty text has no lines, and one CR then one LF end one line.
  bool next(Span& line);

private:
  const char* m_next;
  const char* m_end;
};
