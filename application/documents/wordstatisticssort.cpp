#include "documents/wordstatisticssort.h"

#include "utils/utf8.h"

namespace {

struct Entry {
  const char* text;
  WordStatisticsSort::Comparator compare;
};

using S = WordStatisticsSort;
const Entry ENTRIES[S::TYPE_COUNT] = {
    {"Frequency (Ascending)", &S::compareFrequencyAscending},
    {"Frequency (Descending)", &S::compareFrequencyDescending},
    {"First Occurrence (Ascending)", &S::compareFirstOccurrenceAscending},
    {"First Occurrence (Descending)", &S::compareFirstOccurrenceDescending},
    {"Word (Ascending)", &S::compareWordAscending},
    {"Word (Descending)", &S::compareWordDescending},
    {"HSK Level (Ascending)", &S::compareHSKLevelAscending},
    {"HSK Level (Descending)", &S::compareHSKLevelDescending},
    {"TOCFL Level (Ascending)", &S::compareTOCFLLevelAscending},
    {"TOCFL Level (Descending)", &S::compareTOCFLLevelDescending},
    {"Word Length (Ascending)", &S::compareLengthAscending},
    {"Word Length (Descending)", &S::compareLengthDescending},
};

bool inRange(WordStatisticsSort::Type type) {
  return type >= 0 && type < S::TYPE_COUNT;
}

} // namespace

const char* WordStatisticsSort::text(Type type) {
  return inRange(type) ? ENTRIES[type].text : "";
}

WordStatisticsSort::Comparator WordStatisticsSort::compare(Type type) {
  return inRange(type) ? ENTRIES[type].compare : &compareFrequencyDescending;
}

int WordStatisticsSort::compareLevels(uint16_t a, uint16_t b) {
  if (a == b) return 0;
  if (!a || !b) return a ? -1 : 1;
  while (a && b) {
    if ((a & 1) != (b & 1)) return (a & 1) ? -1 : 1;
    a >>= 1;
    b >>= 1;
  }
  return a ? 1 : -1;
}

bool WordStatisticsSort::compareFrequencyAscending(WordStatistics const* a, WordStatistics const* b) {
  if (a->frequency != b->frequency) return a->frequency < b->frequency;
  if (a->firstOccurrence != b->firstOccurrence) return a->firstOccurrence > b->firstOccurrence;
  return b->word < a->word;
}

bool WordStatisticsSort::compareFrequencyDescending(WordStatistics const* a, WordStatistics const* b) {
  return compareFrequencyAscending(b, a);
}

bool WordStatisticsSort::compareFirstOccurrenceAscending(WordStatistics const* a, WordStatistics const* b) {
  if (a->firstOccurrence != b->firstOccurrence) return a->firstOccurrence < b->firstOccurrence;
  return a->word < b->word;
}

bool WordStatisticsSort::compareFirstOccurrenceDescending(WordStatistics const* a, WordStatistics const* b) {
  return compareFirstOccurrenceAscending(b, a);
}

bool WordStatisticsSort::compareWordAscending(WordStatistics const* a, WordStatistics const* b) {
  return a->word < b->word;
}

bool WordStatisticsSort::compareWordDescending(WordStatistics const* a, WordStatistics const* b) {
  return b->word < a->word;
}

bool WordStatisticsSort::compareHSKLevelAscending(WordStatistics const* a, WordStatistics const* b) {
  const int c = compareLevels(a->hskLevel, b->hskLevel);
  return c ? c < 0 : compareFrequencyAscending(a, b);
}

bool WordStatisticsSort::compareHSKLevelDescending(WordStatistics const* a, WordStatistics const* b) {
  return compareHSKLevelAscending(b, a);
}

bool WordStatisticsSort::compareTOCFLLevelAscending(WordStatistics const* a, WordStatistics const* b) {
  const int c = compareLevels(a->tocflLevel, b->tocflLevel);
  return c ? c < 0 : compareFrequencyAscending(a, b);
}

bool WordStatisticsSort::compareTOCFLLevelDescending(WordStatistics const* a, WordStatistics const* b) {
  return compareTOCFLLevelAscending(b, a);
}

bool WordStatisticsSort::compareLengthAscending(WordStatistics const* a, WordStatistics const* b) {
  const size_t la = utf8::character_count(a->word);
  const size_t lb = utf8::character_count(b->word);
  return la != lb ? la < lb : compareFrequencyAscending(b, a);
}

bool WordStatisticsSort::compareLengthDescending(WordStatistics const* a, WordStatistics const* b) {
  return compareLengthAscending(b, a);
}
