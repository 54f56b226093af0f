// Finds the find bar's term in the current document: reads the file in chunks from the current position,
// wraps to the start once, and tells the listener where the next match is, or that there is none. Every
// new term goes to the search history. Main thread only.
#pragma once

#include "utils/span.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class SearchHistory;

class Search {
public:
  struct Result {
    uint64_t offset = 0;  // of the match in the file
    uint64_t length = 0;  // in bytes
    bool wrapped = false; // the search went back to the start of the file to find it
  };

  class Listener {
  public:
    virtual ~Listener() = default;
    virtual void found(Result const& result) = 0;
    virtual void notFound() = 0;
  };

  // chunk: bytes read per step; 0 or anything from 65,536 up means 65,536. history and listener must
  // outlive the search.
  Search(SearchHistory& history, Listener& listener, size_t chunk = 0);
  ~Search();
  Search(Search const&) = delete;
  Search& operator=(Search const&) = delete;

  // Searches the file at path from offset on; null drops the document (offset 0). The previous document is
  // dropped first, so a file that can't be opened (its error propagates) leaves none.
  void setFilename(const char* path, uint64_t offset);
  // The next search starts here (the caret).
  void setCurrentOffset(uint64_t offset);
  // A new term, added to the history; the next search starts at the current offset.
  void setSearchTerm(Span const& term);
  // The same term again continues after the last match; a new one is set as above. Then searches.
  void find(Span const& term);
  // Searches again after the last match.
  void next();

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
