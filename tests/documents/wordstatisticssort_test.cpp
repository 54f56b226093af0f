#include "documents/wordstatisticssort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace {

using S = WordStatisticsSort;

struct Records {
  std::deque<std::string> words; // stable addresses for the spans
  std::deque<WordStatistics> records;

  WordStatistics* add(std::string word, uint64_t frequency, uint64_t first, uint16_t hsk = 0,
                      uint16_t tocfl = 0) {
    words.push_back(std::move(word));
    records.push_back(
        {Span(words.back().data(), words.back().size()), frequency, first, first, 0, 0, hsk, tocfl});
    return &records.back();
  }
  std::vector<WordStatistics*> all() {
    std::vector<WordStatistics*> out;
    for (auto& r : records)
      out.push_back(&r);
    return out;
  }
};

std::vector<std::string> sorted(std::vector<WordStatistics*> list, S::Type type) {
  std::sort(list.begin(), list.end(), S::compare(type));
  std::vector<std::string> out;
  for (auto* r : list)
    out.emplace_back(r->word.view());
  return out;
}

} // namespace

TEST(WordStatisticsSortTest, TextsAndOutOfRangeTypes) {
  EXPECT_STREQ(S::text(S::FrequencyAscending), "Frequency (Ascending)");
  EXPECT_STREQ(S::text(S::HSKLevelDescending), "HSK Level (Descending)");
  EXPECT_STREQ(S::text(S::LengthDescending), "Word Length (Descending)");
  for (int bad : {12, 13, -1, 1000}) {
    SCOPED_TRACE(bad);
    EXPECT_STREQ(S::text(S::Type(bad)), "");
    // A stale value from a settings file still sorts, by the default order.
    EXPECT_EQ(S::compare(S::Type(bad)), &S::compareFrequencyDescending);
  }
}

TEST(WordStatisticsSortTest, LevelOrder) {
  const struct {
    uint16_t a, b;
    int expected;
  } cases[] = {
      {0b10, 0b1010, -1},                                            // {2} runs out of levels before {2, 4}
      {0b101, 0b10, -1},                                             // {1, 3} has level 1
      {0b100, 0b100, 0},  {0, 0, 0},       {0, 1, 1}, {0x20, 0, -1}, // no level sorts last
      {0b11, 0b10, -1},   {0b1, 0b11, -1},                           // {1} before {1, 2}
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.a) + " vs " + std::to_string(c.b));
    EXPECT_EQ(S::compareLevels(c.a, c.b), c.expected);
    EXPECT_EQ(S::compareLevels(c.b, c.a), -c.expected);
  }
}

TEST(WordStatisticsSortTest, TieBreaks) {
  Records r;
  r.add("\xE4\xB8\x80", 3, 100); // 一
  r.add("\xE4\xBA\x8C", 3, 40);  // 二
  EXPECT_EQ(sorted(r.all(), S::FrequencyDescending),
            (std::vector<std::string>{"\xE4\xBA\x8C", "\xE4\xB8\x80"}));
  EXPECT_EQ(sorted(r.all(), S::FrequencyAscending),
            (std::vector<std::string>{"\xE4\xB8\x80", "\xE4\xBA\x8C"}));

  Records levels;
  levels.add("a", 1, 0, 0b1000);
  levels.add("b", 1, 1, 0);
  levels.add("c", 1, 2, 0b1);
  EXPECT_EQ(sorted(levels.all(), S::HSKLevelAscending), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(sorted(levels.all(), S::HSKLevelDescending), (std::vector<std::string>{"b", "a", "c"}));

  Records same; // equal level sets: the frequency decides
  same.add("x", 2, 0, 0b100, 0b100);
  same.add("y", 7, 1, 0b100, 0b100);
  EXPECT_EQ(sorted(same.all(), S::HSKLevelAscending), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(sorted(same.all(), S::TOCFLLevelAscending), (std::vector<std::string>{"x", "y"}));

  Records length; // equal length: the more frequent first, counted in characters not bytes
  length.add("ab", 1, 0);
  length.add("\xE4\xB8\x80\xE4\xBA\x8C", 9, 1);
  length.add("z", 1, 2);
  EXPECT_EQ(sorted(length.all(), S::LengthAscending),
            (std::vector<std::string>{"z", "\xE4\xB8\x80\xE4\xBA\x8C", "ab"}));
}

// Every descending order is the exact reverse of its ascending twin, and every order is total, on records
// full of ties (few distinct frequencies, offsets and level sets).
TEST(WordStatisticsSortTest, DescendingIsExactReverse) {
  std::mt19937 rng(7);
  Records r;
  for (int i = 0; i < 400; ++i) {
    std::string word;
    const int length = 1 + int(rng() % 3);
    for (int k = 0; k < length; ++k)
      word += (rng() % 2) ? std::string("\xE4\xB8\x80") : std::string(1, 'a' + rng() % 3);
    word += std::to_string(i); // words are unique in a document
    r.add(word, rng() % 4, rng() % 5, uint16_t(rng() % 8), uint16_t(rng() % 4));
  }
  for (int t = 0; t < S::TYPE_COUNT; t += 2) {
    SCOPED_TRACE(S::text(S::Type(t)));
    std::vector<std::string> asc = sorted(r.all(), S::Type(t));
    const std::vector<std::string> desc = sorted(r.all(), S::Type(t + 1));
    std::reverse(asc.begin(), asc.end());
    EXPECT_EQ(asc, desc);
    auto all = r.all();
    for (auto* a : all) {
      EXPECT_FALSE(S::compare(S::Type(t))(a, a));
      for (auto* b : {all[0], all[1], all[2]}) {
        if (a == b) continue;
        EXPECT_NE(S::compare(S::Type(t))(a, b), S::compare(S::Type(t))(b, a));
      }
    }
  }
}

// The keyed sort gives every order exactly as the comparators do, also for words sharing their first eight
// bytes, words that are a prefix of others, any level sets, and keys full of ties.
TEST(WordStatisticsSortTest, KeyedSortMatchesTheComparators) {
  std::mt19937 rng(11);
  Records r;
  const std::string stems[] = {"", "\xE4\xB8\x80\xE4\xBA\x8C\xE4\xB8\x89", "abcdefgh", "\xFF"};
  for (int i = 0; i < 600; ++i) {
    std::string word = stems[rng() % 4];
    for (int k = int(rng() % 4); k > 0; --k)
      word += (rng() % 2) ? std::string("\xE4\xB8\x80") : std::string(1, char('a' + rng() % 2));
    word += std::to_string(i % 7 == 0 ? i : i * 13); // unique, and some a prefix of others
    r.add(word, rng() % 3, rng() % 4, uint16_t(rng() % 64), uint16_t(rng() % 4 ? rng() % 32 : rng()));
  }
  for (int t = 0; t < S::TYPE_COUNT; ++t) {
    SCOPED_TRACE(S::text(S::Type(t)));
    std::vector<WordStatistics*> keyed = r.all(), plain = r.all();
    std::shuffle(keyed.begin(), keyed.end(), rng);
    S::sort(keyed, S::Type(t));
    std::sort(plain.begin(), plain.end(), S::compare(S::Type(t)));
    EXPECT_EQ(keyed, plain);
  }
}
