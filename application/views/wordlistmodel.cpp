#include "views/wordlistmodel.h"

#include "documents/searchterm.h"
#include "text/proficiencylevel.h"
#include "utils/textbuffer.h"
#include "utils/utf8.h"
#include "wordlists/wordlistmanager.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// A word's display columns from its bytes alone: every byte that starts a character counts one, and one
// more when it starts a sequence of three or four bytes.
size_t displayColumns(Span const& word) {
  size_t columns = 0;
  for (size_t i = 0; i < word.length; ++i) {
    const auto byte = static_cast<unsigned char>(word.data[i]);
    if ((byte & 0xC0) != 0x80) columns += byte >= 0xE0 ? 2 : 1;
  }
  return columns;
}

} // namespace

struct WordListModel::Impl {
  explicit Impl(WordListManager const& lists) : lists(lists) {}

  WordListManager const& lists;                   // its current list decides known and unknown
  DocumentStatistics const* statistics = nullptr; // the current document's; not owned
  std::vector<WordStatistics*> all;               // as last fetched
  std::vector<WordStatistics*> shown;             // the rows: all, narrowed by the filter text
  SearchTerm term;                                // the filter text
  WordStatisticsSort::Type sort = WordStatisticsSort::FrequencyDescending;
  DocumentStatistics::FilterType filter = DocumentStatistics::AllWords;
  bool dirty = true; // all must be fetched again
};

WordListModel::WordListModel(WordListManager const& lists) : impl(std::make_unique<Impl>(lists)) {}

WordListModel::~WordListModel() = default;

void WordListModel::setStatistics(DocumentStatistics const* statistics) {
  impl->statistics = statistics;
  impl->dirty = true;
  if (!statistics) {
    impl->all.clear();
    impl->shown.clear();
  }
}

DocumentStatistics const* WordListModel::statistics() const {
  return impl->statistics;
}

void WordListModel::setSortType(WordStatisticsSort::Type type) {
  impl->sort = type;
  impl->dirty = true;
}

WordStatisticsSort::Type WordListModel::sortType() const {
  return impl->sort;
}

void WordListModel::setFilterType(DocumentStatistics::FilterType type) {
  impl->filter = type;
  impl->dirty = true;
}

DocumentStatistics::FilterType WordListModel::filterType() const {
  return impl->filter;
}

void WordListModel::setSearchText(Span const& text) {
  impl->term.reset(text);
}

void WordListModel::setDirty() {
  impl->dirty = true;
}

void WordListModel::update() {
  Impl& d = *impl;
  if (d.dirty) {
    d.all.clear();
    if (d.statistics) d.statistics->wordStatisticsList(d.all, d.sort, d.filter, &d.lists.current());
    d.dirty = false;
  }
  d.shown.clear();
  d.shown.reserve(d.all.size());
  if (d.term.empty()) {
    d.shown.assign(d.all.begin(), d.all.end());
    return;
  }
  for (WordStatistics* record : d.all)
    if (d.term.match(record->word)) d.shown.push_back(record);
}

size_t WordListModel::rowCount() const {
  return impl->shown.size();
}

WordStatistics* WordListModel::row(size_t index) const {
  return index < impl->shown.size() ? impl->shown[index] : nullptr;
}

std::vector<WordStatistics*> const& WordListModel::rows() const {
  return impl->shown;
}

std::vector<size_t> WordListModel::widestRows(size_t count) const {
  // (columns, row), kept sorted roomiest first; a new row enters only when strictly roomier than the last.
  std::vector<std::pair<size_t, size_t>> widest;
  widest.reserve(count + 1);
  for (size_t row = 0; row < impl->shown.size() && count > 0; ++row) {
    Span const& word = impl->shown[row]->word;
    // A word has no more columns than bytes: most need not be read once the list is full.
    if (widest.size() == count && word.length <= widest.back().first) continue;
    const size_t columns = displayColumns(word);
    if (widest.size() == count && columns <= widest.back().first) continue;
    const auto at =
        std::find_if(widest.begin(), widest.end(), [&](auto const& w) { return w.first < columns; });
    widest.insert(at, {columns, row});
    if (widest.size() > count) widest.pop_back();
  }
  std::vector<size_t> rows;
  for (auto const& w : widest)
    rows.push_back(w.second);
  return rows;
}

size_t WordListModel::cellText(size_t index, int column, char* buffer, size_t size) const {
  if (!buffer || size == 0) return 0;
  WordStatistics const* record = row(index);
  if (!record) {
    buffer[0] = 0;
    return 0;
  }
  TextBuffer<CELL_SIZE> text;
  switch (column) {
  case 0:
    text.format("%zu", index + 1);
    break;
  case 2:
    text.format("%llu", (unsigned long long)record->frequency);
    break;
  case 3:
    text.format("%.6f", record->percentageFrequency);
    break;
  case 4:
    text.format("%.6f", record->cumulativePercentageFrequency);
    break;
  case 5:
    text.format("%llu", (unsigned long long)record->firstOccurrence + 1);
    break;
  case 6:
  case 7: {
    const ProficiencyLevel level{column == 6 ? record->hskLevel : record->tocflLevel, 0};
    char levels[64];
    level.asText(levels, sizeof levels);
    text.assign(Span(levels));
    break;
  }
  case 8:
    text.format("%zu", utf8::character_count(record->word));
    break;
  default: // the word, also for columns past the last
    text.assign(record->word);
    break;
  }
  text.span().copyTo(buffer, size);
  return std::strlen(buffer);
}
