#include "documents/wordstatisticssort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace {

using S = WordStatisticsSort;
using Words = std::vector<std::string>;

struct Records {
  std::deque<std::string> words; // stable addresses for the spans
  std::deque<WordStatistics> records;

  void add(std::string word, uint64_t frequency, uint64_t first, uint16_t hsk = 0, uint16_t tocfl = 0) {
    words.push_back(std::move(word));
    records.push_back(
        {Span(words.back().data(), words.back().size()), frequency, first, first, 0, 0, hsk, tocfl});
  }
  std::vector<WordStatistics*> all() {
    std::vector<WordStatistics*> list;
    for (auto& r : records)
      list.push_back(&r);
    return list;
  }
  Words sorted(S::Type type) {
    std::vector<WordStatistics*> list = all();
    std::sort(list.begin(), list.end(), S::compare(type));
    Words out;
    for (auto* r : list)
      out.emplace_back(r->word.view());
    return out;
  }
};

} // namespace

TEST(WordStatisticsSortTest, LevelOrderAndTieBreaks) {
  const struct {
    uint16_t a, b;
    int expected;
  } levels[] = {
      {0b10, 0b1010, -1}, // {2} runs out of levels before {2, 4}
      {0b101, 0b10, -1},  // {1, 3} has level 1
      {0b100, 0b100, 0},  {0, 0, 0}, {0, 1, 1}, {0x20, 0, -1}, {0b11, 0b10, -1}, {0b1, 0b11, -1},
  };
  for (const auto& c : levels) {
    EXPECT_EQ(S::compareLevels(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(S::compareLevels(c.b, c.a), -c.expected) << c.a << " vs " << c.b;
  }
  Records r; // equal frequencies: the earlier first; equal level sets: the less frequent first; no level last
  r.add("\xE4\xB8\x80", 3, 100, 0b1000);
  r.add("\xE4\xBA\x8C", 3, 40, 0b1000);
  r.add("ab", 2, 7, 0b1000);
  r.add("z", 1, 9, 0);
  EXPECT_EQ(r.sorted(S::FrequencyDescending), (Words{"\xE4\xBA\x8C", "\xE4\xB8\x80", "ab", "z"}));
  EXPECT_EQ(r.sorted(S::FrequencyAscending), (Words{"z", "ab", "\xE4\xB8\x80", "\xE4\xBA\x8C"}));
  EXPECT_EQ(r.sorted(S::HSKLevelAscending), (Words{"ab", "\xE4\xB8\x80", "\xE4\xBA\x8C", "z"}));
  // Length in characters, not bytes; equal length: the more frequent first.
  EXPECT_EQ(r.sorted(S::LengthAscending), (Words{"\xE4\xBA\x8C", "\xE4\xB8\x80", "z", "ab"}));
  for (int bad : {12, -1, 1000}) {
    EXPECT_STREQ(S::text(S::Type(bad)), "");
    // A stale value from a settings file still sorts, by the default order.
    EXPECT_EQ(S::compare(S::Type(bad)), &S::compareFrequencyDescending);
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
