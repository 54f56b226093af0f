// The word-list pane's rows: fetching them in each of the twelve orders (every header, both directions),
// the known/unknown tabs, narrowing by a filter text, the cell texts a scrolled table asks for, and the
// widest-looking words a refresh measures. Two sets: the words of a 50 MB document made from the PKU corpus
// (about 12,000 unique words) and a synthetic set of 100,000 unique words with Zipf-like frequencies and
// levels. Counters: rows, and allocs_per_row for the cell texts of a visible page (the table's own QString
// per painted cell is Qt's and not counted here).
#include "documents/documentprocessor.h"
#include "documents/documentstatistics.h"
#include "support/countingnew.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/token.h"
#include "text/wordhash.h"
#include "utils/utf8.h"
#include "views/wordlistdelegate.h"
#include "views/wordlistmodel.h"
#include "wordlists/wordlistmanager.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

constexpr size_t TARGET_BYTES = 50u << 20;

std::string resourcesDir() {
  const char* env = std::getenv("QUILLMERE_RESOURCES");
  return env ? env : QM_RESOURCES_DIR;
}

std::string temporaryPath(std::string const& name) {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp ? tmp : "/tmp") + "/qm-bench-" + std::to_string(getpid()) + "-" + name;
}

// A statistics set with the word lists its rows are split by: half of the words are known.
struct WordSet {
  explicit WordSet(const char* masterFile) : master(20, masterFile, true) {}
  WordHash master;
  ProficiencyLevelHash levels;
  std::unique_ptr<SegmentEngine> engine;
  std::unique_ptr<DocumentStatistics> statistics;
  std::string root = temporaryPath("lists");
  std::unique_ptr<WordListManager> lists;

  void knowEverySecondWord() {
    lists = std::make_unique<WordListManager>(root.c_str());
    std::vector<WordStatistics*> rows;
    statistics->wordStatisticsList(rows, WordStatisticsSort::FirstOccurrenceAscending);
    for (size_t i = 0; i < rows.size(); i += 2)
      lists->current().add(rows[i]->word);
  }
  ~WordSet() { std::filesystem::remove_all(root); }
};

void addLevels(ProficiencyLevelHash& levels) {
  for (unsigned short l = 1; l <= 6; ++l)
    levels.addFileWithLevel(ProficiencyLevelHash::HSK,
                            (resourcesDir() + "/wordlists/hsk-" + std::to_string(l) + ".txt").c_str(),
                            static_cast<unsigned short>(1 << (l - 1)));
  for (unsigned short l = 1; l <= 5; ++l)
    levels.addFileWithLevel(ProficiencyLevelHash::TOCFL,
                            (resourcesDir() + "/wordlists/tocfl-" + std::to_string(l) + ".txt").c_str(),
                            static_cast<unsigned short>(1 << (l - 1)));
}

// The PKU corpus repeated to 50 MB and processed once.
WordSet& pkuSet() {
  static WordSet* set = [] {
    auto* s = new WordSet((resourcesDir() + "/data/words.u8").c_str());
    s->engine = std::make_unique<SegmentEngine>(SegmentEngine::ChineseAndAlpha, s->master);
    addLevels(s->levels);
    std::ifstream in(std::string(QM_SHARED_DATA_DIR) + "/corpus/pku_test.utf8", std::ios::binary);
    std::ostringstream source;
    source << in.rdbuf();
    const std::string path = temporaryPath("pku.txt");
    {
      std::ofstream out(path, std::ios::binary);
      for (size_t written = 0; written < TARGET_BYTES; written += source.str().size())
        out << source.str();
    }
    s->statistics = std::make_unique<DocumentStatistics>(s->levels, *s->engine);
    DocumentProcessor(path.c_str(), s->master, *s->statistics).beginProcessing(false);
    std::filesystem::remove(path);
    s->knowEverySecondWord();
    return s;
  }();
  return *set;
}

// 100,000 distinct words of one to four common characters, word i occurring about 200,000 / (i + 1) times,
// fed to the statistics as tokens.
WordSet& syntheticSet() {
  static WordSet* set = [] {
    auto* s = new WordSet(nullptr);
    s->engine = std::make_unique<SegmentEngine>(SegmentEngine::ChineseOnly, s->master);
    addLevels(s->levels);
    std::mt19937 random(21);
    std::unordered_set<std::string> seen;
    std::vector<std::string> words;
    while (words.size() < 100000) {
      std::string word;
      const int characters = 1 + int(random() % 4);
      for (int c = 0; c < characters; ++c) {
        char bytes[4];
        word.append(bytes, utf8::encode(0x4E00 + random() % 0x1000, bytes));
      }
      if (seen.insert(word).second) words.push_back(std::move(word));
    }
    s->statistics = std::make_unique<DocumentStatistics>(s->levels, *s->engine);
    s->statistics->beginProcessing();
    uint64_t offset = 0;
    for (size_t i = 0; i < words.size(); ++i)
      for (size_t n = std::max<size_t>(1, 200000 / (i + 1)); n > 0; --n) {
        const Token token{words[i].data(), words[i].size(), utf8::character_count(Span(words[i])),
                          Token::Chinese};
        s->statistics->processToken(token, offset);
        offset += words[i].size();
      }
    s->statistics->processingFinished(1.0f, false, 1, offset, OpenSSL::SHA1());
    s->knowEverySecondWord();
    return s;
  }();
  return *set;
}

WordSet& wordSet(benchmark::State const& state) {
  return state.range(0) == 0 ? pkuSet() : syntheticSet();
}

// Repeats change(model) and update() on the set's rows: each change marks the rows stale, so each update
// fetches and sorts them again.
template <class Change> void fetch(benchmark::State& state, Change change) {
  WordSet& set = wordSet(state);
  WordListModel model(*set.lists);
  model.setStatistics(set.statistics.get());
  for (auto _ : state) {
    change(model);
    model.update();
    benchmark::DoNotOptimize(model.rowCount());
  }
  state.counters["rows"] = double(model.rowCount());
}

// Every header's order, as a header click makes the model fetch it.
void BM_FetchSorted(benchmark::State& state) {
  const auto type = WordStatisticsSort::Type(state.range(1));
  fetch(state, [type](WordListModel& model) { model.setSortType(type); });
  state.SetLabel(WordStatisticsSort::text(type));
}

// The "Known" and "Unknown" tabs: fetching against the current list.
void BM_FetchTab(benchmark::State& state) {
  const auto tab = DocumentStatistics::FilterType(state.range(1));
  fetch(state, [tab](WordListModel& model) { model.setFilterType(tab); });
}

// A keystroke in the filter field: narrowing the fetched rows again, without fetching.
void BM_Filter(benchmark::State& state) {
  WordSet& set = wordSet(state);
  WordListModel model(*set.lists);
  model.setStatistics(set.statistics.get());
  model.update();
  const char* terms[] = {"中", "中*国", "一"};
  const char* term = terms[state.range(1)];
  for (auto _ : state) {
    model.setSearchText(Span(term));
    model.update();
    benchmark::DoNotOptimize(model.rowCount());
  }
  state.SetLabel(term);
  state.counters["rows"] = double(model.rowCount());
}

// Scrolling: the nine cell texts of a visible page of 40 rows, at pages spread over the list.
void BM_ScrollCells(benchmark::State& state) {
  WordSet& set = wordSet(state);
  WordListModel model(*set.lists);
  model.setStatistics(set.statistics.get());
  model.update();
  const size_t rows = model.rowCount(), page = 40;
  size_t top = 0;
  uint64_t cells = 0;
  const uint64_t before = allocationCount();
  for (auto _ : state) {
    char cell[WordListDelegate::CELL_SIZE];
    for (size_t row = top; row < top + page && row < rows; ++row)
      for (int column = 0; column < 9; ++column)
        cells += model.cellText(row, column, cell, sizeof cell);
    top = (top + 7919) % rows;
  }
  benchmark::DoNotOptimize(cells);
  state.counters["allocs_per_row"] = double(allocationCount() - before) / double(state.iterations() * page);
  state.SetItemsProcessed(int64_t(state.iterations() * page));
}

// A refresh of the table: the few rows whose words the view measures to fit its word column, out of every
// row shown.
void BM_WidestRows(benchmark::State& state) {
  WordSet& set = wordSet(state);
  WordListModel model(*set.lists);
  model.setStatistics(set.statistics.get());
  model.update();
  for (auto _ : state)
    benchmark::DoNotOptimize(model.widestRows(8));
  state.counters["rows"] = double(model.rowCount());
  state.SetItemsProcessed(int64_t(state.iterations() * model.rowCount()));
}

void orders(benchmark::internal::Benchmark* b) {
  for (int set : {0, 1})
    for (int type = 0; type < WordStatisticsSort::TYPE_COUNT; ++type)
      b->Args({set, type});
}

} // namespace

BENCHMARK(BM_FetchSorted)->Apply(orders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchTab)->ArgsProduct({{0, 1}, {1, 2}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Filter)->ArgsProduct({{0, 1}, {0, 1, 2}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollCells)->Args({0})->Args({1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WidestRows)->Args({0})->Args({1})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
