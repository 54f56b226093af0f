// The most recent search terms, newest first, for the find bar's list. Every term the search is given is
// added; the list is loaded from and saved to one UTF-8 text file, a term a line. Main thread only.
#pragma once

#include "utils/span.h"

#include <cstddef>
#include <memory>
#include <vector>

class OutputStream;

class SearchHistory {
public:
  SearchHistory();
  ~SearchHistory();
  SearchHistory(SearchHistory const&) = delete;
  SearchHistory& operator=(SearchHistory const&) = delete;

  // 20 at first. Lowering it drops nothing until the next new term is added.
  void setMaxSearchTerms(size_t max);
  size_t maxSearchTerms() const;

  // Moves a stored term to the front, or inserts a copy there, dropping the oldest terms over the limit (a
  // limit of 0 still keeps the new term). A term is its bytes up to the first NUL; an empty one is ignored.
  void addTerm(Span const& term);
  // Replaces terms with the stored strings, newest first; they stay owned by the history.
  void getTerms(std::vector<const char*>& terms) const;
  void clear();

  // Maps the file (an empty file is an empty list) and loads its lines. The file layer's errors propagate.
  void loadFromFile(const char* path);
  // Replaces the list with the text's lines in order, the first the newest, up to the limit; an empty line
  // is an empty term.
  void loadFromUtf8Range(Utf8Range const& text);
  // Each term, newest first, then "\n". A term holding a CR or LF is not written, since it would come back
  // as several terms. Write errors are the stream's to report.
  void saveToOutputStream(OutputStream& out) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
