// A find term, split into literal pieces at the wildcards "*" and "…" (U+2026), each of which stands for any
// run of characters within a line. Consecutive wildcards act as one; a wildcard at the end of the term adds
// nothing; a term of wildcards only never matches.
//
// A match is the leftmost one: it starts at the earliest possible position and, from there, ends as early
// as possible. A leading wildcard makes the match start where the scan started, or after the last line feed
// before the rest of the term. The scan takes text in pieces, so a match may span any number of pieces;
// the document search, the find highlighter and the word-list filter all use it and so always agree.
#pragma once

#include "utils/span.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class SearchTerm {
public:
  // Where a scan stands between pieces. Offsets count bytes from the start of the whole text.
  struct Scan {
    uint64_t from = 0;  // the earliest position not yet ruled out; the next piece must start at or before it
    uint64_t start = 0; // where the match under way began (valid while inMatch)
    size_t piece = 0;   // the literal piece sought next
    bool inMatch = false; // pieces before `piece` have matched from `start`
  };
  enum class Outcome { Found, NeedMore, NotFound };

  SearchTerm();
  explicit SearchTerm(Span const& term);
  // Null is the empty term.
  explicit SearchTerm(const char* term);
  ~SearchTerm();
  SearchTerm(SearchTerm const&) = delete;
  SearchTerm& operator=(SearchTerm const&) = delete;

  // Copies and splits the term (unchanged when the bytes are the same).
  void reset(Span const& term);

  Span term() const;
  // Bytes, wildcards included.
  size_t size() const;
  bool empty() const;
  bool hasWildcards() const;
  // Whether the text holds a match. An empty text or term gives false.
  bool match(Span const& text) const;

  // Goes on with scan over bytes[0, length), which are the whole text's bytes from base on; base must be at
  // most scan.from. atEnd: the whole text ends with this piece. Found sets matchStart and matchEnd; NeedMore
  // asks for the next piece from scan.from on; NotFound means no match at or after where the scan began.
  Outcome scan(Scan& scan, const char* bytes, size_t length, uint64_t base, bool atEnd, uint64_t& matchStart,
               uint64_t& matchEnd) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
