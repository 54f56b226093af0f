#include "documents/documentstatistics.h"

#include "documents/documentprocessor.h"
#include "support/tempdir.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

#define ZHONGGUO "中国"
#define RENMIN "人民"
#define WOMEN "我们"
#define DE "的"

// Tokens and their offsets: 中国 0, 人民 6, LF 12, 我们 13, 的 19, 中国 22, 。28, abc 31, LF 34.
const std::string TEXT = ZHONGGUO RENMIN "\n" WOMEN DE ZHONGGUO "。abc\n";

using Words = std::vector<std::string>;
using Counts = std::vector<uint64_t>;

class DocumentStatisticsTest : public ::testing::Test {
protected:
  DocumentStatisticsTest() {
    for (const char* w : {ZHONGGUO, RENMIN, WOMEN, DE})
      master.add(Span(w));
    // 中国 and 的 HSK 1, 人民 HSK 2 and 4; 的 TOCFL 1, 我们 TOCFL 4.
    for (auto [scale, text, level] : {std::tuple(ProficiencyLevelHash::HSK, ZHONGGUO "\n" DE "\n", 1),
                                      std::tuple(ProficiencyLevelHash::HSK, RENMIN "\n", 2),
                                      std::tuple(ProficiencyLevelHash::HSK, RENMIN "\n", 8),
                                      std::tuple(ProficiencyLevelHash::TOCFL, DE "\n", 1),
                                      std::tuple(ProficiencyLevelHash::TOCFL, WOMEN "\n", 4)})
      levels.addTextWithLevel(scale, Utf8Range(text, std::strlen(text)), level);
  }
  void process(DocumentStatistics& stats, std::string const& text) {
    qmtest::writeFile(dir / "doc.txt", text);
    DocumentProcessor processor((dir / "doc.txt").c_str(), master, stats);
    processor.beginProcessing(false);
  }
  Words list(WordStatisticsSort::Type type,
             DocumentStatistics::FilterType filter = DocumentStatistics::AllWords,
             WordHash const* set = nullptr) {
    std::vector<WordStatistics*> records{nullptr};
    stats.wordStatisticsList(records, type, filter, set);
    Words out;
    for (auto* r : records)
      out.emplace_back(r->word.view());
    return out;
  }
  qmtest::TempDir dir;
  WordHash master{12, nullptr, true};
  ProficiencyLevelHash levels;
  SegmentEngine engine{SegmentEngine::ChineseAndAlpha, master};
  DocumentStatistics stats{levels, engine};
  WordHash known{10};
};

} // namespace

TEST_F(DocumentStatisticsTest, RecordsAndSummaryByHand) {
  EXPECT_FALSE(stats.ready());
  EXPECT_EQ(stats.info(known).totalWords, 0u);
  EXPECT_EQ(stats.statisticsForWord(Span(ZHONGGUO)), nullptr);
  EXPECT_TRUE(list(WordStatisticsSort::WordAscending).empty());
  process(stats, TEXT);
  ASSERT_TRUE(stats.ready());
  const WordStatistics* zg = stats.statisticsForWord(Span(ZHONGGUO));
  ASSERT_NE(zg, nullptr);
  EXPECT_EQ(std::tuple(zg->frequency, zg->firstOccurrence, zg->lastOccurrence), std::tuple(2u, 0u, 22u));
  EXPECT_EQ(stats.statisticsForWord(Span(RENMIN))->hskLevel, 0b1010);
  EXPECT_EQ(stats.statisticsForWord(Span("。")), nullptr); // punctuation is no word
  EXPECT_EQ(list(WordStatisticsSort::FirstOccurrenceDescending), (Words{"abc", DE, WOMEN, RENMIN, ZHONGGUO}));
  known.add(Span(RENMIN));
  known.add(Span("abc"));
  EXPECT_EQ(list(WordStatisticsSort::WordAscending, DocumentStatistics::KnownWords, &known),
            (Words{"abc", RENMIN}));
  EXPECT_EQ(list(WordStatisticsSort::FrequencyDescending, DocumentStatistics::UnknownWords, &known),
            (Words{ZHONGGUO, WOMEN, DE}));
  EXPECT_EQ(list(WordStatisticsSort::WordAscending, DocumentStatistics::KnownWords).size(), 5u);

  DocumentInfo const& info = stats.info(known);
  EXPECT_EQ(Counts({info.uniqueWords, info.totalWords, info.knownUniqueWords, info.knownWords}),
            Counts({5, 6, 2, 2}));
  // Characters: 中国 twice, 人民, 我们, 的; code points of every token.
  EXPECT_EQ(Counts({info.chineseCharacters, info.uniqueCharacters, info.codepoints, info.lines, info.bytes}),
            Counts({9, 7, 15, 2, TEXT.size()}));
  EXPECT_EQ(info.sha1, OpenSSL::SHA1::of(TEXT.data(), TEXT.size()));
  // Cumulative from a word's lowest level: 中国 and 的 from 1, 人民 (levels 2 and 4) from 2; the last entry
  // counts the words of no level.
  EXPECT_EQ(Counts(info.hskUniqueWords, info.hskUniqueWords + 7), Counts({2, 3, 3, 3, 3, 3, 2}));
  EXPECT_EQ(Counts(info.hskWords, info.hskWords + 7), Counts({3, 4, 4, 4, 4, 4, 2}));
  EXPECT_EQ(Counts(info.tocflUniqueWords, info.tocflUniqueWords + 6), Counts({1, 1, 2, 2, 2, 3}));
  EXPECT_EQ(Counts(info.tocflWords, info.tocflWords + 6), Counts({1, 1, 2, 2, 2, 4}));

  // A text of no words under an engine that takes only Chinese.
  SegmentEngine chineseOnly(SegmentEngine::ChineseOnly, master);
  DocumentStatistics none(levels, chineseOnly);
  process(none, "abc 123\n");
  DocumentInfo const& empty = none.info(known);
  EXPECT_EQ(
      Counts({empty.uniqueWords, empty.hskWords[6], empty.tocflWords[5], empty.codepoints, empty.lines}),
      Counts({0, 0, 0, 8, 1}));
}

// Percentages and cumulative percentages run in frequency order (the earlier word first on a tie), not in
// the order words first occur.
TEST_F(DocumentStatisticsTest, CumulativePercentagesFollowFrequency) {
  process(stats, DE "\n" RENMIN "\n" ZHONGGUO ZHONGGUO "\n" WOMEN WOMEN WOMEN "\n");
  const std::tuple<const char*, double, double> expected[] = {
      {WOMEN, 3, 3}, {ZHONGGUO, 2, 5}, {DE, 1, 6}, {RENMIN, 1, 7}}; // sevenths
  for (auto const& [word, percentage, cumulative] : expected) {
    SCOPED_TRACE(word);
    const WordStatistics* r = stats.statisticsForWord(Span(word));
    ASSERT_NE(r, nullptr);
    EXPECT_DOUBLE_EQ(r->percentageFrequency, percentage * 100 / 7);
    EXPECT_DOUBLE_EQ(r->cumulativePercentageFrequency, cumulative * 100 / 7);
  }
}

// The summary follows the known words: a changed set, and another set that happens to have the same change
// count and size.
TEST_F(DocumentStatisticsTest, SummaryFollowsKnownWords) {
  process(stats, TEXT);
  WordHash first(10), second(10);
  first.add(Span(RENMIN));
  second.add(Span(ZHONGGUO));
  ASSERT_EQ(first.changeCount(), second.changeCount());
  EXPECT_EQ(stats.info(first).knownWords, 1u);
  EXPECT_EQ(stats.info(second).knownWords, 2u);
  first.add(Span(DE));
  EXPECT_EQ(stats.info(first).knownUniqueWords, 2u);
}

// A rerun fills the back buffer; readers keep the previous run's numbers and records until it finishes.
TEST_F(DocumentStatisticsTest, ReprocessingSwapsAtTheEnd) {
  process(stats, TEXT);
  const WordStatistics* before = stats.statisticsForWord(Span(ZHONGGUO));
  stats.beginProcessing();
  stats.processToken(Token{DE, 3, 1, Token::Chinese}, 0);
  EXPECT_EQ(stats.totalWords(), 6u);
  EXPECT_EQ(stats.info(known).uniqueWords, 5u);
  EXPECT_EQ(stats.statisticsForWord(Span(ZHONGGUO)), before);
  EXPECT_EQ(before->frequency, 2u); // the old records are untouched
  stats.processingFinished(0.5f, false, 1, 3, OpenSSL::SHA1());
  EXPECT_EQ(stats.totalWords(), 1u);
  EXPECT_EQ(stats.info(known).uniqueWords, 1u);
  EXPECT_FLOAT_EQ(stats.info(known).loadTime, 0.5f);
  EXPECT_EQ(stats.statisticsForWord(Span(ZHONGGUO)), nullptr);
  EXPECT_DOUBLE_EQ(stats.statisticsForWord(Span(DE))->cumulativePercentageFrequency, 100.0);
  process(stats, TEXT); // the same vocabulary again
  EXPECT_EQ(stats.info(known).uniqueWords, 5u);
}
