#include "documents/documentstatistics.h"

#include "documents/documentprocessor.h"
#include "support/tempdir.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

#define ZHONGGUO "\xE4\xB8\xAD\xE5\x9B\xBD" // 中国
#define RENMIN "\xE4\xBA\xBA\xE6\xB0\x91"   // 人民
#define WOMEN "\xE6\x88\x91\xE4\xBB\xAC"    // 我们
#define DE "\xE7\x9A\x84"                   // 的
#define STOP "\xE3\x80\x82"                 // 。

// Tokens and their offsets: 中国 0, 人民 6, LF 12, 我们 13, 的 19, 中国 22, 。28, abc 31, LF 34.
const std::string TEXT = ZHONGGUO RENMIN "\n" WOMEN DE ZHONGGUO STOP "abc\n";

std::vector<std::string> words(std::vector<WordStatistics*> const& list) {
  std::vector<std::string> out;
  for (auto* r : list)
    out.emplace_back(r->word.view());
  return out;
}

class DocumentStatisticsTest : public ::testing::Test {
protected:
  DocumentStatisticsTest() : master(12, nullptr, true), engine(SegmentEngine::ChineseAndAlpha, master) {
    for (const char* w : {ZHONGGUO, RENMIN, WOMEN, DE})
      master.add(Span(w));
    const std::string hsk1 = ZHONGGUO "\n" DE "\n", hsk2 = RENMIN "\n", hsk4 = RENMIN "\n";
    levels.addTextWithLevel(ProficiencyLevelHash::HSK, Utf8Range(hsk1.data(), hsk1.size()), 1);
    levels.addTextWithLevel(ProficiencyLevelHash::HSK, Utf8Range(hsk2.data(), hsk2.size()), 2);
    levels.addTextWithLevel(ProficiencyLevelHash::HSK, Utf8Range(hsk4.data(), hsk4.size()), 8);
    const std::string tocfl1 = DE "\n", tocfl3 = WOMEN "\n";
    levels.addTextWithLevel(ProficiencyLevelHash::TOCFL, Utf8Range(tocfl1.data(), tocfl1.size()), 1);
    levels.addTextWithLevel(ProficiencyLevelHash::TOCFL, Utf8Range(tocfl3.data(), tocfl3.size()), 4);
  }
  void process(DocumentStatistics& stats, std::string const& text) {
    const auto path = dir / ("doc" + std::to_string(files++) + ".txt");
    qmtest::writeFile(path, text);
    DocumentProcessor processor(path.c_str(), master, stats);
    processor.beginProcessing(false);
  }
  qmtest::TempDir dir;
  WordHash master;
  ProficiencyLevelHash levels;
  SegmentEngine engine;
  WordHash known{10};
  int files = 0;
};

} // namespace

TEST_F(DocumentStatisticsTest, BeforeTheFirstRun) {
  DocumentStatistics stats(levels, engine);
  EXPECT_FALSE(stats.ready());
  EXPECT_EQ(stats.info(known).totalWords, 0u);
  EXPECT_EQ(stats.info(known).codepoints, 0u);
  EXPECT_EQ(stats.statisticsForWord(Span(ZHONGGUO)), nullptr);
  std::vector<WordStatistics*> list{nullptr};
  stats.wordStatisticsList(list, WordStatisticsSort::WordAscending);
  EXPECT_TRUE(list.empty());
}

TEST_F(DocumentStatisticsTest, RecordsAndPercentagesByHand) {
  DocumentStatistics stats(levels, engine);
  process(stats, TEXT);
  ASSERT_TRUE(stats.ready());
  EXPECT_EQ(stats.totalWords(), 6u);
  const WordStatistics* zg = stats.statisticsForWord(Span(ZHONGGUO));
  ASSERT_NE(zg, nullptr);
  EXPECT_EQ(zg->frequency, 2u);
  EXPECT_EQ(zg->firstOccurrence, 0u);
  EXPECT_EQ(zg->lastOccurrence, 22u);
  EXPECT_EQ(zg->hskLevel, 1);
  EXPECT_EQ(stats.statisticsForWord(Span(RENMIN))->hskLevel, 0b1010);
  EXPECT_EQ(stats.statisticsForWord(Span(STOP)), nullptr); // punctuation is no word

  std::vector<WordStatistics*> list;
  stats.wordStatisticsList(list, WordStatisticsSort::FrequencyDescending);
  ASSERT_EQ(words(list), (std::vector<std::string>{ZHONGGUO, RENMIN, WOMEN, DE, "abc"}));
  const double percentages[] = {100.0 / 3, 100.0 / 6, 100.0 / 6, 100.0 / 6, 100.0 / 6};
  const double cumulative[] = {100.0 / 3, 50, 200.0 / 3, 500.0 / 6, 100};
  for (size_t i = 0; i < list.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_DOUBLE_EQ(list[i]->percentageFrequency, percentages[i]);
    EXPECT_DOUBLE_EQ(list[i]->cumulativePercentageFrequency, cumulative[i]);
  }
  stats.wordStatisticsList(list, WordStatisticsSort::FirstOccurrenceDescending);
  EXPECT_EQ(words(list), (std::vector<std::string>{"abc", DE, WOMEN, RENMIN, ZHONGGUO}));
}

// Cumulative percentages run in frequency order, not in the order the words first occur.
TEST_F(DocumentStatisticsTest, CumulativePercentagesFollowFrequency) {
  DocumentStatistics stats(levels, engine);
  process(stats, RENMIN "\n" ZHONGGUO ZHONGGUO "\n" WOMEN WOMEN WOMEN "\n");
  const struct {
    const char* word;
    double percentage, cumulative;
  } expected[] = {
      {WOMEN, 50, 50},
      {ZHONGGUO, 100.0 / 3, 500.0 / 6},
      {RENMIN, 100.0 / 6, 100},
  };
  for (auto const& e : expected) {
    SCOPED_TRACE(e.word);
    const WordStatistics* r = stats.statisticsForWord(Span(e.word));
    ASSERT_NE(r, nullptr);
    EXPECT_DOUBLE_EQ(r->percentageFrequency, e.percentage);
    EXPECT_DOUBLE_EQ(r->cumulativePercentageFrequency, e.cumulative);
  }
}

TEST_F(DocumentStatisticsTest, SummaryByHand) {
  DocumentStatistics stats(levels, engine);
  process(stats, TEXT);
  known.add(Span(RENMIN));
  known.add(Span("abc"));
  DocumentInfo const& info = stats.info(known);
  EXPECT_EQ(info.uniqueWords, 5u);
  EXPECT_EQ(info.totalWords, 6u);
  EXPECT_EQ(info.knownUniqueWords, 2u);
  EXPECT_EQ(info.knownWords, 2u);
  EXPECT_EQ(info.chineseCharacters, 9u); // 中国 twice, 人民, 我们, 的
  EXPECT_EQ(info.uniqueCharacters, 7u);
  EXPECT_EQ(info.codepoints, 15u);
  EXPECT_EQ(info.lines, 2u);
  EXPECT_EQ(info.bytes, TEXT.size());
  EXPECT_EQ(info.sha1, OpenSSL::SHA1::of(TEXT.data(), TEXT.size()));
  // Cumulative from a word's lowest level: 中国 and 的 from 1, 人民 (levels 2 and 4) from 2.
  const uint64_t hskUnique[] = {2, 3, 3, 3, 3, 3, 2}, hskWords[] = {3, 4, 4, 4, 4, 4, 2};
  const uint64_t tocflUnique[] = {1, 1, 2, 2, 2, 3}, tocflWords[] = {1, 1, 2, 2, 2, 4};
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE("HSK entry " + std::to_string(i));
    EXPECT_EQ(info.hskUniqueWords[i], hskUnique[i]);
    EXPECT_EQ(info.hskWords[i], hskWords[i]);
  }
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE("TOCFL entry " + std::to_string(i));
    EXPECT_EQ(info.tocflUniqueWords[i], tocflUnique[i]);
    EXPECT_EQ(info.tocflWords[i], tocflWords[i]);
  }
}

TEST_F(DocumentStatisticsTest, FiltersByKnownWords) {
  DocumentStatistics stats(levels, engine);
  process(stats, TEXT);
  known.add(Span(RENMIN));
  known.add(Span("abc"));
  std::vector<WordStatistics*> list;
  stats.wordStatisticsList(list, WordStatisticsSort::WordAscending, DocumentStatistics::KnownWords, &known);
  EXPECT_EQ(words(list), (std::vector<std::string>{"abc", RENMIN}));
  stats.wordStatisticsList(list, WordStatisticsSort::FrequencyDescending, DocumentStatistics::UnknownWords,
                           &known);
  EXPECT_EQ(words(list), (std::vector<std::string>{ZHONGGUO, WOMEN, DE}));
  stats.wordStatisticsList(list, WordStatisticsSort::WordAscending, DocumentStatistics::KnownWords, nullptr);
  EXPECT_EQ(list.size(), 5u);
}

// The summary follows the known words: a changed set, and another set that happens to have the same
// change count and size.
TEST_F(DocumentStatisticsTest, SummaryFollowsKnownWords) {
  DocumentStatistics stats(levels, engine);
  process(stats, TEXT);
  WordHash first(10), second(10);
  first.add(Span(RENMIN));
  second.add(Span(ZHONGGUO));
  ASSERT_EQ(first.changeCount(), second.changeCount());
  EXPECT_EQ(stats.info(first).knownWords, 1u);
  EXPECT_EQ(stats.info(second).knownWords, 2u);
  first.add(Span(DE));
  EXPECT_EQ(stats.info(first).knownUniqueWords, 2u);
  DocumentInfo const* stored = &stats.info(first);
  EXPECT_EQ(&stats.info(first), stored);
  EXPECT_EQ(stored->knownUniqueWords, 2u);
}

TEST_F(DocumentStatisticsTest, TextWithoutChineseWords) {
  SegmentEngine chineseOnly(SegmentEngine::ChineseOnly, master);
  DocumentStatistics stats(levels, chineseOnly);
  process(stats, "abc 123\n");
  DocumentInfo const& info = stats.info(known);
  EXPECT_EQ(info.uniqueWords, 0u);
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(info.hskUniqueWords[i], 0u);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(info.tocflWords[i], 0u);
  EXPECT_EQ(info.codepoints, 8u);
  EXPECT_EQ(info.lines, 1u);
  EXPECT_EQ(info.bytes, 8u);
  std::vector<WordStatistics*> list;
  stats.wordStatisticsList(list, WordStatisticsSort::FrequencyAscending);
  EXPECT_TRUE(list.empty());
}

// A rerun fills the back buffer; readers keep the previous run's numbers and records until it finishes.
TEST_F(DocumentStatisticsTest, ReprocessingSwapsAtTheEnd) {
  DocumentStatistics stats(levels, engine);
  process(stats, TEXT);
  std::vector<WordStatistics*> before;
  stats.wordStatisticsList(before, WordStatisticsSort::FrequencyDescending);
  stats.beginProcessing();
  const Token token{DE, 3, 1, Token::Chinese};
  stats.processToken(token, 0);
  EXPECT_EQ(stats.totalWords(), 6u);
  EXPECT_EQ(stats.info(known).uniqueWords, 5u);
  EXPECT_EQ(stats.statisticsForWord(Span(ZHONGGUO))->frequency, 2u);
  EXPECT_EQ(before[0]->frequency, 2u); // the old records are untouched
  stats.processingFinished(0.5f, false, 1, 3, OpenSSL::SHA1());
  EXPECT_EQ(stats.totalWords(), 1u);
  EXPECT_EQ(stats.info(known).uniqueWords, 1u);
  EXPECT_FLOAT_EQ(stats.info(known).loadTime, 0.5f);
  EXPECT_EQ(stats.statisticsForWord(Span(ZHONGGUO)), nullptr);
  EXPECT_DOUBLE_EQ(stats.statisticsForWord(Span(DE))->cumulativePercentageFrequency, 100.0);
  process(stats, TEXT); // the same vocabulary again
  EXPECT_EQ(stats.info(known).uniqueWords, 5u);
}
