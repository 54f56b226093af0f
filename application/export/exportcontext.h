// The sentence or line around a word's first occurrence, as the word-list export writes it: read from the
// document around the offset, with "…" where it is cut, and a cloze form with the word blanked out.
#pragma once

#include "utils/span.h"

#include <cstdint>
#include <string>

class TextDocument;

class ExportContext {
public:
  enum Mode { Sentence = 0, Line = 1 };
  static constexpr const char* CLOZE = "[...]";

  // Reads up to 2,000 bytes of the document around offset (where word starts) and fills text and cloze.
  // Both are empty when the word is not found there (the document changed since it was processed).
  static void extract(TextDocument const& document, uint64_t offset, Span const& word, Mode mode,
                      std::string& text, std::string& cloze);

  // The same over bytes already read: bytes[0, length) starts at readStart in a document of totalBytes
  // bytes whose text begins at textStart (after a byte-order mark).
  static void extract(const char* bytes, size_t length, uint64_t readStart, uint64_t textStart,
                      uint64_t totalBytes, uint64_t offset, Span const& word, Mode mode, std::string& text,
                      std::string& cloze);
};
