// The nine columns of the word-list table and the sort orders their headers choose. A header's first click
// sorts in its first direction, the next click on it reverses; the three frequency columns all sort by
// frequency, and the row-number column does not sort.
#pragma once

#include "documents/wordstatisticssort.h"

class WordListColumns {
public:
  enum Direction { Unsorted = 0, Ascending = 1, Descending = 2 };
  struct Column {
    const char* identifier;
    const char* title;
    int width;          // points: the least the column is given
    const char* widest; // UTF-8: the widest text its cells show in practice (the word column: the least it
                        // fits, a four-character word; it fits the longest word shown as well)
    Direction firstDirection;
    WordStatisticsSort::Type ascending;
    WordStatisticsSort::Type descending;
  };
  static constexpr int COUNT = 9;

  // index 0-8; any other index gives the row-number column.
  static Column const& column(int index);
  // The column of an identifier; -1 for none.
  static int indexOf(const char* identifier);
  // The order a header click chooses: the column's order in that direction; current for the row-number
  // column, an unknown column or Unsorted.
  static WordStatisticsSort::Type sortType(int index, Direction direction, WordStatisticsSort::Type current);
};
