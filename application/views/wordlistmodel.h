// The word list's rows: the current document's word records, fetched from its statistics in the chosen
// order and restricted to the known or unknown words of the current list, then narrowed by the filter text
// (wildcards as in find). A change of the filter text only narrows again; every other change fetches anew.
//
// Rows point into the statistics' buffers, which a later processing run recycles: the owner attaches the
// statistics again at every document change and whenever a run ends, and attaches null before the
// statistics go; null drops the rows at once. Main thread only.
#pragma once

#include "documents/documentstatistics.h"
#include "documents/wordstatisticssort.h"
#include "utils/span.h"

#include <cstddef>
#include <memory>
#include <vector>

class WordListManager;

class WordListModel {
public:
  static constexpr size_t CELL_SIZE = 1024;

  // lists: its current list decides what is known; not owned.
  explicit WordListModel(WordListManager const& lists);
  ~WordListModel();
  WordListModel(WordListModel const&) = delete;
  WordListModel& operator=(WordListModel const&) = delete;

  // Marks the rows stale; null also drops them now.
  void setStatistics(DocumentStatistics const* statistics);
  DocumentStatistics const* statistics() const;
  void setSortType(WordStatisticsSort::Type type);
  WordStatisticsSort::Type sortType() const;
  void setFilterType(DocumentStatistics::FilterType type);
  DocumentStatistics::FilterType filterType() const;
  void setSearchText(Span const& text);
  // The next update() fetches again (the current list changed).
  void setDirty();

  // Fetches when stale, then narrows by the filter text.
  void update();

  size_t rowCount() const;
  // Null past the end.
  WordStatistics* row(size_t index) const;
  std::vector<WordStatistics*> const& rows() const;
  // The rows of the count words likeliest to need the most room, roomiest first, by display columns (a
  // character of three or more UTF-8 bytes, as the Chinese scripts are, counts two; any other one): a view
  // measures these few with its font rather than every row. Earlier rows win a tie.
  std::vector<size_t> widestRows(size_t count) const;
  // A cell's text (see WordListDelegate::cellText): 0 row number, 1 word, 2 frequency, 3 and 4 the
  // percentages, 5 first occurrence (from 1), 6 HSK and 7 TOCFL levels, 8 length in characters, any other
  // the word.
  size_t cellText(size_t row, int column, char* buffer, size_t size) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
