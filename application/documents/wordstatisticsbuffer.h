// One of the two buffers of DocumentStatistics: the word records of one processing run, the table that
// finds them by word, the store of their bytes, and the run's totals. Memory grows with the number of
// unique words, never with the length of the text, and clear() keeps every block for the next run, so a
// rerun over the same vocabulary allocates nothing. Not thread-safe: its owner locks.
#pragma once

#include "text/wordstatistics.h"

#include <cstdint>
#include <memory>
#include <vector>

class WordStatisticsBuffer {
public:
  static constexpr size_t RECORDS_PER_BLOCK = 10000;

  WordStatisticsBuffer();
  ~WordStatisticsBuffer();
  WordStatisticsBuffer(WordStatisticsBuffer const&) = delete;
  WordStatisticsBuffer& operator=(WordStatisticsBuffer const&) = delete;

  // Counts one occurrence of word at offset: one more on its record, or a new record (without levels, and
  // added set) for a new word. Returns the record. The counts reach the records in finish().
  WordStatistics* addOccurrence(Span const& word, uint64_t offset, bool& added);
  // Brings every record's frequency and last occurrence up to date; call at the end of a run.
  void finish();
  // The word's record, or null.
  WordStatistics* find(Span const& word) const;
  // The records in order of first occurrence.
  std::vector<WordStatistics*> const& records() const { return m_records; }

  // Unique Chinese characters, collected by markCharacter (U+4E00–U+9FCF, U+3400–U+4DBF, U+20000–U+2A6DF).
  static bool isCountedCharacter(uint32_t codePoint);
  // Notes a counted character; others are ignored.
  void markCharacter(uint32_t codePoint);
  uint64_t uniqueCharacters() const { return m_uniqueCharacters; }
  void clearCharacters();

  // Forgets every record, word and total; keeps the memory.
  void clear();
  size_t blockCount() const;

  // The run's totals.
  uint64_t totalWords = 0;
  uint64_t codepoints = 0;
  uint64_t bytes = 0;
  uint64_t lines = 0;
  float loadTime = 0;

private:
  WordStatistics* newRecord();

  struct Impl;
  std::unique_ptr<Impl> impl;
  std::vector<WordStatistics*> m_records;
  std::vector<uint64_t> m_characterBits;
  uint64_t m_uniqueCharacters = 0;
};
