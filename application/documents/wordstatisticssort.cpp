#include "documents/wordstatisticssort.h"

#include "utils/utf8.h"

#include <algorithm>
#include <utility>

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

// The first eight bytes of a word, big-endian and zero-padded: words hold no NUL, so the keys order as the
// words do, and only words sharing eight bytes need their bytes compared. Saves a pointer chase to the
// word's bytes at most comparisons.
uint64_t wordPrefix(WordStatistics const* r) {
  uint64_t key = 0;
  for (size_t i = 0; i < 8; ++i)
    key = key << 8 | (i < r->word.length ? uint8_t(r->word.data[i]) : 0u);
  return key;
}

uint64_t characters(WordStatistics const* r) {
  return utf8::character_count(r->word);
}

// A level set as a number that orders as compareLevels does: from level 1 up to the set's highest level,
// one base-3 digit each, 1 for a level the set has and 2 for one it lacks, then 0s; so having a level sorts
// first, and a set that runs out of levels first sorts first. The empty set sorts last.
uint64_t levelRank(uint16_t levels) {
  if (levels == 0) return ~0ull;
  uint64_t rank = 0;
  for (int bit = 0; bit < 16; ++bit, levels >>= 1)
    rank = rank * 3 + (levels == 0 ? 0 : (levels & 1) ? 1 : 2);
  return rank;
}

uint64_t hskRank(WordStatistics const* r) {
  return levelRank(r->hskLevel);
}

uint64_t tocflRank(WordStatistics const* r) {
  return levelRank(r->tocflLevel);
}

// Sorts by (key(r), r) pairs with less, then writes the records back in that order.
template <class Less>
void sortByKey(std::vector<WordStatistics*>& records, uint64_t (*key)(WordStatistics const*), Less less) {
  std::vector<std::pair<uint64_t, WordStatistics*>> keyed;
  keyed.reserve(records.size());
  for (WordStatistics* r : records)
    keyed.emplace_back(key(r), r);
  std::sort(keyed.begin(), keyed.end(), less);
  for (size_t i = 0; i < keyed.size(); ++i)
    records[i] = keyed[i].second;
}

} // namespace

const char* WordStatisticsSort::text(Type type) {
  return inRange(type) ? ENTRIES[type].text : "";
}

WordStatisticsSort::Comparator WordStatisticsSort::compare(Type type) {
  return inRange(type) ? ENTRIES[type].compare : &compareFrequencyDescending;
}

void WordStatisticsSort::sort(std::vector<WordStatistics*>& records, Type type) {
  using Pair = std::pair<uint64_t, WordStatistics*>;
  // By a key, and on equal keys by what the type's comparator falls back to.
  const auto by = [&records](uint64_t (*key)(WordStatistics const*), bool descending, Comparator tie) {
    sortByKey(records, key, [descending, tie](Pair const& a, Pair const& b) {
      if (a.first != b.first) return descending ? a.first > b.first : a.first < b.first;
      return tie(a.second, b.second);
    });
  };
  switch (type) {
  case WordAscending:
    return by(wordPrefix, false, compareWordAscending);
  case WordDescending:
    return by(wordPrefix, true, compareWordDescending);
  case HSKLevelAscending:
    return by(hskRank, false, compareFrequencyAscending);
  case HSKLevelDescending:
    return by(hskRank, true, compareFrequencyDescending);
  case TOCFLLevelAscending:
    return by(tocflRank, false, compareFrequencyAscending);
  case TOCFLLevelDescending:
    return by(tocflRank, true, compareFrequencyDescending);
  case LengthAscending: // fewer characters first, then the more frequent word
    return by(characters, false, compareFrequencyDescending);
  case LengthDescending:
    return by(characters, true, compareFrequencyAscending);
  default:
    std::sort(records.begin(), records.end(), compare(type));
  }
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
