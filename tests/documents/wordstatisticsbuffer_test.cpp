#include "documents/wordstatisticsbuffer.h"

#include "utils/utf8.h"

#include <gtest/gtest.h>

#include <string>

TEST(WordStatisticsBufferTest, CountsOccurrences) {
  WordStatisticsBuffer b;
  std::string word = "\xE4\xB8\xAD\xE5\x9B\xBD"; // 中国
  bool added = false;
  b.addOccurrence(Span(word.data(), word.size()), 10, added)->hskLevel = 1;
  EXPECT_TRUE(added);
  word[0] = 'X'; // the buffer keeps its own copy of the bytes
  b.addOccurrence(Span("\xE4\xB8\xAD\xE5\x9B\xBD"), 50, added);
  EXPECT_FALSE(added);
  b.addOccurrence(Span("a"), 60, added);
  b.finish();
  ASSERT_EQ(b.records().size(), 2u);
  const WordStatistics* r = b.find(Span("\xE4\xB8\xAD\xE5\x9B\xBD"));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r, b.records()[0]);
  EXPECT_EQ(r->frequency, 2u);
  EXPECT_EQ(r->firstOccurrence, 10u);
  EXPECT_EQ(r->lastOccurrence, 50u);
  EXPECT_EQ(r->hskLevel, 1);
  EXPECT_EQ(b.totalWords, 3u);
  EXPECT_EQ(b.find(Span("b")), nullptr);
}

TEST(WordStatisticsBufferTest, ClearKeepsMemoryForTheNextRun) {
  WordStatisticsBuffer b;
  auto fill = [&] {
    for (int i = 0; i < 25000; ++i) {
      const std::string w = "w" + std::to_string(i);
      bool added;
      b.addOccurrence(Span(w.data(), w.size()), uint64_t(i), added);
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
  b.finish();
  EXPECT_EQ(b.blockCount(), 3u); // no new blocks for the same vocabulary
  EXPECT_EQ(b.find(Span("w24999"))->firstOccurrence, 24999u);
}

// Words that share their first eight bytes, or differ only in length or by a NUL, stay apart, also after
// the table has grown.
TEST(WordStatisticsBufferTest, SimilarWordsStayApart) {
  WordStatisticsBuffer b;
  const std::string words[] = {std::string("abcdefgh"), std::string("abcdefghi"), std::string("abcdefghj"),
                               std::string("abc"),      std::string("abc\0", 4),  std::string(""),
                               std::string(70000, 'x')};
  bool added;
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < std::size(words); ++i) {
      SCOPED_TRACE(i);
      b.addOccurrence(Span(words[i].data(), words[i].size()), i, added);
      EXPECT_EQ(added, round == 0);
    }
    for (int i = 0; i < 40000 && round == 0; ++i) {
      const std::string w = "w" + std::to_string(i);
      b.addOccurrence(Span(w.data(), w.size()), 100, added);
    }
  }
  b.finish();
  for (size_t i = 0; i < std::size(words); ++i) {
    SCOPED_TRACE(i);
    const WordStatistics* r = b.find(Span(words[i].data(), words[i].size()));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->word.view(), words[i]);
    EXPECT_EQ(r->frequency, 3u);
    EXPECT_EQ(r->firstOccurrence, i);
  }
  EXPECT_EQ(b.find(Span("abcdefghk")), nullptr);
}

TEST(WordStatisticsBufferTest, CharacterSetRanges) {
  // The counted characters are those the tokenizer takes for Chinese.
  for (uint32_t c = 0; c <= 0x40000; ++c)
    if (WordStatisticsBuffer::isCountedCharacter(c) != utf8::isChinese(utf8::get_type(c)))
      FAIL() << "U+" << std::hex << c;
  const struct {
    uint32_t c;
    bool counted;
  } cases[] = {{0x4DFF, false}, {0x4E00, true},  {0x9FFF, true},   {0xF900, true},
               {0x33FF, false}, {0x3400, true},  {0x4DBF, true},   {0x1FFFF, false},
               {0x2B740, true}, {0x3FFFF, true}, {0x40000, false}, {'a', false}};
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
