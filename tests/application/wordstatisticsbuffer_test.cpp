#include "application/wordstatisticsbuffer.h"

#include <gtest/gtest.h>

#include <string>

TEST(WordStatisticsBufferTest, CountsOccurrences) {
  WordStatisticsBuffer b;
  std::string word = "\xE4\xB8\xAD\xE5\x9B\xBD"; // 中国
  b.addOccurrence(Span(word.data(), word.size()), 10, 1, 2);
  word[0] = 'X'; // the buffer keeps its own copy of the bytes
  b.addOccurrence(Span("\xE4\xB8\xAD\xE5\x9B\xBD"), 50, 0, 0);
  b.addOccurrence(Span("a"), 60, 0, 0);
  ASSERT_EQ(b.records().size(), 2u);
  const WordStatistics* r = b.find(Span("\xE4\xB8\xAD\xE5\x9B\xBD"));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r, b.records()[0]);
  EXPECT_EQ(r->frequency, 2u);
  EXPECT_EQ(r->firstOccurrence, 10u);
  EXPECT_EQ(r->lastOccurrence, 50u);
  EXPECT_EQ(r->hskLevel, 1); // the levels of the first occurrence
  EXPECT_EQ(r->tocflLevel, 2);
  EXPECT_EQ(b.totalWords, 3u);
  EXPECT_EQ(b.find(Span("b")), nullptr);
}

TEST(WordStatisticsBufferTest, ClearKeepsMemoryForTheNextRun) {
  WordStatisticsBuffer b;
  auto fill = [&] {
    for (int i = 0; i < 25000; ++i) {
      const std::string w = "w" + std::to_string(i);
      b.addOccurrence(Span(w.data(), w.size()), uint64_t(i), 0, 0);
    }
  };
  fill();
  EXPECT_EQ(b.blockCount(), 3u);
  EXPECT_EQ(b.records().size(), 25000u);
  b.clear();
  EXPECT_EQ(b.records().size(), 0u);
  EXPECT_EQ(b.totalWords, 0u);
  EXPECT_EQ(b.find(Span("w1")), nullptr);
  fill();
  EXPECT_EQ(b.blockCount(), 3u); // no new blocks for the same vocabulary
  EXPECT_EQ(b.find(Span("w24999"))->firstOccurrence, 24999u);
}

TEST(WordStatisticsBufferTest, CharacterSetRanges) {
  const struct {
    uint32_t c;
    bool counted;
  } cases[] = {{0x4DFF, false}, {0x4E00, true},  {0x9FCF, true},   {0x9FD0, false},
               {0x33FF, false}, {0x3400, true},  {0x4DBF, true},   {0x1FFFF, false},
               {0x20000, true}, {0x2A6DF, true}, {0x2A6E0, false}, {'a', false}};
  WordStatisticsBuffer b;
  uint64_t expected = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.c);
    EXPECT_EQ(WordStatisticsBuffer::isCountedCharacter(c.c), c.counted);
    b.markCharacter(c.c);
    b.markCharacter(c.c);
    expected += c.counted;
    EXPECT_EQ(b.uniqueCharacters(), expected);
  }
  b.clearCharacters();
  EXPECT_EQ(b.uniqueCharacters(), 0u);
}
