// One record per unique word of a processed document. Records live in the statistics buffer that made them
// and are handed out as pointers; they stay valid until the buffer is recycled by the run after next.
#pragma once

#include "utils/span.h"

#include <cstdint>

struct WordStatistics {
  Span word;                            // the word's bytes, in the buffer's own store
  uint64_t frequency;                   // occurrences
  uint64_t firstOccurrence;             // byte offset of the first occurrence
  uint64_t lastOccurrence;              // byte offset of the latest occurrence
  double percentageFrequency;           // frequency / total words × 100
  double cumulativePercentageFrequency; // running sum in frequency-descending order, / total words × 100
  uint16_t hskLevel;                    // bit n-1 for HSK level n; 0 for none
  uint16_t tocflLevel;                  // bit n-1 for TOCFL level n; 0 for none
};

static_assert(sizeof(WordStatistics) == 64, "word records are 64 bytes, so a pool block holds 10,000");
