#include "views/wordlistcolumns.h"

#include <cstring>

namespace {
using S = WordStatisticsSort;
using C = WordListColumns;

// The widest texts follow the cells' formats (WordListModel::cellText): percentages "%.6f" of at most 100,
// counts of up to ten million words, a word in two levels.
const C::Column COLUMNS[C::COUNT] = {
    {"RowColumn", "#", 45, "99999", C::Unsorted, S::FrequencyDescending, S::FrequencyDescending},
    {"WordColumn", "Word", 70, "中国人民", C::Ascending, S::WordAscending, S::WordDescending},
    {"FrequencyColumn", "Frequency", 60, "9999999", C::Descending, S::FrequencyAscending,
     S::FrequencyDescending},
    {"%FrequencyColumn", "%Frequency", 60, "100.000000", C::Descending, S::FrequencyAscending,
     S::FrequencyDescending},
    {"Cumulative%FrequencyColumn", "Cumulative %Frequency", 60, "100.000000", C::Ascending,
     S::FrequencyAscending, S::FrequencyDescending},
    {"FirstOccurrence", "First Occurrence", 60, "9999999", C::Ascending, S::FirstOccurrenceAscending,
     S::FirstOccurrenceDescending},
    {"HSKLevel", "HSK Level", 40, "1, 2", C::Ascending, S::HSKLevelAscending, S::HSKLevelDescending},
    {"TOCFLLevel", "TOCFL Level", 40, "1, 2", C::Ascending, S::TOCFLLevelAscending, S::TOCFLLevelDescending},
    {"WordLengthColumn", "Length", 40, "99", C::Ascending, S::LengthAscending, S::LengthDescending},
};
} // namespace

WordListColumns::Column const& WordListColumns::column(int index) {
  return COLUMNS[index >= 0 && index < COUNT ? index : 0];
}

int WordListColumns::indexOf(const char* identifier) {
  for (int i = 0; identifier && i < COUNT; ++i)
    if (std::strcmp(COLUMNS[i].identifier, identifier) == 0) return i;
  return -1;
}

WordStatisticsSort::Type WordListColumns::sortType(int index, Direction direction,
                                                   WordStatisticsSort::Type current) {
  if (index <= 0 || index >= COUNT || direction == Unsorted) return current;
  return direction == Ascending ? COLUMNS[index].ascending : COLUMNS[index].descending;
}
