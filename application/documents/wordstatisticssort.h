// The twelve orders in which word records are listed, with their display names and comparators. Each
// comparator is a strict weak order ending in a total tie-break on the word, and each descending order is
// the exact reverse of its ascending twin.
#pragma once

#include "text/wordstatistics.h"

#include <cstdint>
#include <vector>

class WordStatisticsSort {
public:
  enum Type : int {
    FrequencyAscending = 0,
    FrequencyDescending = 1,
    FirstOccurrenceAscending = 2,
    FirstOccurrenceDescending = 3,
    WordAscending = 4,
    WordDescending = 5,
    HSKLevelAscending = 6,
    HSKLevelDescending = 7,
    TOCFLLevelAscending = 8,
    TOCFLLevelDescending = 9,
    LengthAscending = 10,
    LengthDescending = 11,
  };
  static constexpr int TYPE_COUNT = 12;

  using Comparator = bool (*)(WordStatistics const* a, WordStatistics const* b);

  // The name the user interface shows; "" for a value outside the twelve.
  static const char* text(Type type);
  // A value outside the twelve (say, from an old settings file) gets the frequency-descending order.
  static Comparator compare(Type type);
  // Sorts records into the order of type: the order std::sort with compare(type) gives (every order is
  // total), but the word and length orders take each record's key once instead of at every comparison.
  static void sort(std::vector<WordStatistics*>& records, Type type);

  // Level sets (bit n-1 for level n): negative when a sorts first, 0 on a tie. A set without levels
  // sorts last; otherwise the lowest differing level decides, the set that has it first, and a set that
  // runs out of levels first sorts first.
  static int compareLevels(uint16_t a, uint16_t b);

  static bool compareFrequencyAscending(WordStatistics const* a, WordStatistics const* b);
  static bool compareFrequencyDescending(WordStatistics const* a, WordStatistics const* b);
  static bool compareFirstOccurrenceAscending(WordStatistics const* a, WordStatistics const* b);
  static bool compareFirstOccurrenceDescending(WordStatistics const* a, WordStatistics const* b);
  static bool compareWordAscending(WordStatistics const* a, WordStatistics const* b);
  static bool compareWordDescending(WordStatistics const* a, WordStatistics const* b);
  static bool compareHSKLevelAscending(WordStatistics const* a, WordStatistics const* b);
  static bool compareHSKLevelDescending(WordStatistics const* a, WordStatistics const* b);
  static bool compareTOCFLLevelAscending(WordStatistics const* a, WordStatistics const* b);
  static bool compareTOCFLLevelDescending(WordStatistics const* a, WordStatistics const* b);
  static bool compareLengthAscending(WordStatistics const* a, WordStatistics const* b);
  static bool compareLengthDescending(WordStatistics const* a, WordStatistics const* b);
};
