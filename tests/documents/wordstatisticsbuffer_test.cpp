#include "documents/wordstatisticsbuffer.h"

#include "utils/utf8.h"

#include <gtest/gtest.h>

#include <string>

// Words that share their first eight bytes, or differ only in length or by a NUL, stay apart, also once the
// table has grown and after a clear; a record keeps its own copy of the word, whatever the caller's bytes do.
TEST(WordStatisticsBufferTest, CountsEachWordApart) {
  const std::string words[] = {"abcdefgh",
                               "abcdefghi",
                               "abcdefghj",
                               "abc",
                               std::string("abc\0", 4),
                               "",
                               std::string(70000, 'x'),
                               "\xE4\xB8\xAD\xE5\x9B\xBD"};
  WordStatisticsBuffer b;
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    b.clear();
    EXPECT_EQ(b.find(Span(words[0])), nullptr);
    bool added;
    for (uint64_t round = 0; round < 3; ++round) {
      for (size_t i = 0; i < std::size(words); ++i) {
        std::string caller = words[i];
        b.addOccurrence(Span(caller.data(), caller.size()), i + 100 * round, added);
        caller.assign(caller.size(), '#');
        EXPECT_EQ(added, round == 0) << i;
      }
      for (int i = 0; i < 40000 && round == 0; ++i) {
        const std::string w = "w" + std::to_string(i);
        b.addOccurrence(Span(w.data(), w.size()), 1, added);
      }
    }
    b.finish();
    EXPECT_EQ(b.totalWords, 3 * std::size(words) + 40000);
    for (size_t i = 0; i < std::size(words); ++i) {
      SCOPED_TRACE(i);
      const WordStatistics* r = b.find(Span(words[i].data(), words[i].size()));
      ASSERT_NE(r, nullptr);
      EXPECT_EQ(r, b.records()[i]); // records in order of first occurrence
      EXPECT_EQ(r->word.view(), words[i]);
      EXPECT_EQ(r->frequency, 3u);
      EXPECT_EQ(r->firstOccurrence, i);
      EXPECT_EQ(r->lastOccurrence, i + 200);
    }
    EXPECT_EQ(b.find(Span("abcdefghk")), nullptr);
  }
}
