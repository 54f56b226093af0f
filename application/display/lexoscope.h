// Styles a window of a document's text for the text view: segments it, gives every character the display
// attribute of its word (known, unknown, looked up, or not a word) against the current word list, and marks
// the find term's matches, the current one apart. One attribute per character position: per UTF-8 byte, or
// per UTF-16 unit for a text engine that counts those. The attribute packs the style id in its upper 32 bits,
// 0x100 for Chinese, letter and digit tokens, and TOKEN_START on the first position of each token only (the
// view's words and caret stops). Main thread only; it drives a tokenizer of its own, so scripts may use the
// segment engine's shared one meanwhile.
#pragma once

#include "utils/span.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class SegmentEngine;
class WordListManager;

class Lexoscope {
public:
  enum Mode { Utf8 = 0, Utf16 = 1 };
  static constexpr uint64_t TOKEN_START = 0x10000;
  static constexpr uint64_t PLAIN = TOKEN_START; // style 0 at the start of a token
  static constexpr uint64_t CURRENT_MATCH = 5;
  static constexpr uint64_t OTHER_MATCH = 6;

  // Both must outlive the lexoscope.
  Lexoscope(WordListManager const& lists, SegmentEngine const& engine, Mode mode);
  ~Lexoscope();
  Lexoscope(Lexoscope const&) = delete;
  Lexoscope& operator=(Lexoscope const&) = delete;

  Mode mode() const;
  // Styling runs so far.
  uint64_t changeCount() const;
  // The find term; an empty one marks nothing.
  void setSearchTerm(Span const& term);
  // The document offset where the current find match starts.
  void setCurrentMatch(uint64_t offset);

  // Replaces attributes with one per position of bytes[0, length), which start at documentOffset: words()
  // from 0, then markMatches().
  void analyse(const char* bytes, size_t length, uint64_t documentOffset, bool endOfText,
               std::vector<uint64_t>& attributes) const;

  // Where words() may stop early: before the first token that starts at or after byte `from` and at which
  // `at` holds (where an earlier styling of the same text has the same tokens from there on). None: to the
  // end.
  struct Resume {
    size_t from = SIZE_MAX;
    std::function<bool(size_t)> at;
  };
  // Appends the attributes of the words of bytes[from, length), without the find term's marks, to words,
  // which hold those of bytes[0, from); from is where a token starts. endOfText: the text ends with these
  // bytes, so the last word is styled too; otherwise characters that may still grow into a word past the
  // end are plain, each its own token. Returns where it stopped: length, or the token start resume chose.
  size_t words(const char* bytes, size_t length, size_t from, bool endOfText, std::vector<uint64_t>& words,
               Resume const* resume = nullptr) const;
  // Marks the find term's matches in attributes, the words of bytes[0, length), which start at
  // documentOffset: the current match CURRENT_MATCH, the others OTHER_MATCH. Ends a styling run.
  void markMatches(const char* bytes, size_t length, uint64_t documentOffset,
                   std::vector<uint64_t>& attributes) const;
  // How many bytes from a token's start decide the token: a token that starts at least this far before the
  // end of a range is the one a pass over the whole text makes, if the pass has a token start there too.
  size_t lookahead() const;
  // Changes whenever the words' attributes may change for the same text: another current word list or
  // looked-up words, a change to them or to the dictionary, another word policy.
  uint64_t stamp() const;

  // The character at p as the text view sees it: a bad, cut or out-of-range sequence is U+FFFD. length
  // becomes its byte count (never past end).
  static uint32_t character(const char* p, const char* end, size_t& length);
  // words() for text styled without a lexoscope: each character a plain token of its own.
  static size_t plainWords(const char* bytes, size_t length, size_t from, Mode mode,
                           std::vector<uint64_t>& words, Resume const* resume = nullptr);
  // The positions one character takes in a mode.
  static size_t positions(Mode mode, uint32_t codePoint, size_t length) {
    return mode == Utf8 ? length : (codePoint >= 0x10000 ? 2 : 1);
  }

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
