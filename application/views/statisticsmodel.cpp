// Rows of the level groups (HSK, TOCFL) come in two sections, word occurrences then unique words: a
// heading, one row per level and "Other". The summary's level entries are cumulative, so a level's own
// share is the difference of two neighbouring entries.
#include "views/statisticsmodel.h"

#include "documents/documentinfo.h"
#include "documents/documentstatistics.h"
#include "utils/number.h"
#include "utils/textbuffer.h"
#include "wordlists/wordlistmanager.h"

#include <algorithm>
#include <iterator>

namespace {

const char* const GROUP_NAMES[] = {"Word Statistics", "HSK Statistics", "TOCFL Statistics",
                                   "Character Statistics", "File Statistics"};
const char* const PROCESSING = "Processing...";
const char* const NOT_AVAILABLE = "N/A";

const char* const WORD_ROWS[] = {"Total",  "Known", "Percent Known", "Unknown", "Percent Unknown",
                                 "Unique", "Known", "Percent Known", "Unknown", "Percent Unknown"};
const char* const LEVEL_NAMES[] = {"Level 1", "Level 2", "Level 3", "Level 4", "Level 5", "Level 6"};
const char* const CHARACTER_ROWS[] = {"Total", "Unique"};
const char* const FILE_ROWS[] = {"Total Bytes", "Total Unicode Codepoints", "Total Lines", "SHA1 Hash",
                                 "Processing Time"};

// Rows of a level group with `levels` levels: two sections of a heading, the levels and "Other".
uint64_t levelRows(int levels) {
  return 2 * uint64_t(levels + 2);
}

int levelsOf(uint64_t group) {
  return group == 1 ? DocumentInfo::HSK_LEVELS : DocumentInfo::TOCFL_LEVELS;
}

uint64_t rowsOf(uint64_t group) {
  switch (group) {
  case 0:
    return std::size(WORD_ROWS);
  case 1:
  case 2:
    return levelRows(levelsOf(group));
  case 3:
    return std::size(CHARACTER_ROWS);
  case 4:
    return std::size(FILE_ROWS);
  default:
    return 0;
  }
}

const char* levelRowName(int levels, uint64_t row) {
  const uint64_t section = uint64_t(levels + 2), k = row % section;
  if (k == 0) return row < section ? "Total Words" : "Unique Words";
  return k <= uint64_t(levels) ? LEVEL_NAMES[k - 1] : "Other";
}

// part × 100 / whole in single precision; 0 for a whole of 0.
double percent(uint64_t part, uint64_t whole) {
  if (whole == 0) return 0;
  return double(float(part) * 100.0f / float(whole));
}

} // namespace

struct StatisticsModel::Impl {
  DocumentStatistics const* statistics = nullptr; // the current document's; not owned
  WordListManager const* lists = nullptr;         // its current list decides what is known; not owned
  TextBuffer<1024> text;                          // the last value()
  Number first;                                   // the two halves of a two-part value
  Number second;

  const char* count(uint64_t n);
  const char* share(uint64_t part, uint64_t whole);
  const char* levelValue(DocumentInfo const& info, uint64_t group, uint64_t row);
  const char* value(DocumentInfo const& info, uint64_t group, uint64_t row);
};

const char* StatisticsModel::Impl::count(uint64_t n) {
  first.reset((unsigned long)n);
  text.format("%s", first.text());
  return text.c_str();
}

const char* StatisticsModel::Impl::share(uint64_t part, uint64_t whole) {
  first.reset(percent(part, whole), 2);
  text.format("%s%%", first.text());
  return text.c_str();
}

const char* StatisticsModel::Impl::levelValue(DocumentInfo const& info, uint64_t group, uint64_t row) {
  const int levels = levelsOf(group);
  const uint64_t section = uint64_t(levels + 2), k = row % section;
  if (k == 0) return ""; // a sub-heading
  const bool unique = row >= section;
  const uint64_t* words = group == 1 ? (unique ? info.hskUniqueWords : info.hskWords)
                                     : (unique ? info.tocflUniqueWords : info.tocflWords);
  const uint64_t whole = unique ? info.uniqueWords : info.totalWords;
  if (k == 1 || k > uint64_t(levels)) return share(words[k - 1], whole); // level 1, or "Other"
  const uint64_t below = words[k - 2], upTo = words[k - 1];
  first.reset(percent(upTo >= below ? upTo - below : 0, whole), 2);
  second.reset(percent(upTo, whole), 2);
  text.format("%s%% (%s%%)", first.text(), second.text());
  return text.c_str();
}

const char* StatisticsModel::Impl::value(DocumentInfo const& info, uint64_t group, uint64_t row) {
  const uint64_t unknown = info.totalWords - std::min(info.knownWords, info.totalWords);
  const uint64_t unknownUnique = info.uniqueWords - std::min(info.knownUniqueWords, info.uniqueWords);
  switch (group) {
  case 0: {
    const uint64_t counts[] = {info.totalWords,  info.knownWords,       0, unknown,       0,
                               info.uniqueWords, info.knownUniqueWords, 0, unknownUnique, 0};
    if (row == 2) return share(info.knownWords, info.totalWords);
    if (row == 4) return share(unknown, info.totalWords);
    if (row == 7) return share(info.knownUniqueWords, info.uniqueWords);
    if (row == 9) return share(unknownUnique, info.uniqueWords);
    return count(counts[row]);
  }
  case 1:
  case 2:
    return levelValue(info, group, row);
  case 3:
    return count(row == 0 ? info.chineseCharacters : info.uniqueCharacters);
  default:
    break;
  }
  switch (row) {
  case 0:
    return count(info.bytes);
  case 1:
    return count(info.codepoints);
  case 2:
    return count(info.lines);
  case 3:
    text.assign(info.sha1.hex().span());
    return text.c_str();
  default:
    first.reset(double(info.loadTime), 3);
    text.format("%s seconds", first.text());
    return text.c_str();
  }
}

StatisticsModel::StatisticsModel() : impl(std::make_unique<Impl>()) {}

StatisticsModel::~StatisticsModel() = default;

void StatisticsModel::setStatistics(DocumentStatistics const* statistics, WordListManager const* lists) {
  impl->statistics = statistics;
  impl->lists = lists;
}

bool StatisticsModel::hasStatistics() const {
  return impl->statistics != nullptr;
}

uint64_t StatisticsModel::groupCount() const {
  return hasStatistics() ? GROUPS : 1;
}

uint64_t StatisticsModel::rowCount(uint64_t group) const {
  return hasStatistics() ? rowsOf(group) : 0;
}

const char* StatisticsModel::groupName(uint64_t group) const {
  return hasStatistics() && group < GROUPS ? GROUP_NAMES[group] : PROCESSING;
}

const char* StatisticsModel::rowName(uint64_t group, uint64_t row) const {
  if (row >= rowCount(group)) return nullptr;
  switch (group) {
  case 0:
    return WORD_ROWS[row];
  case 1:
  case 2:
    return levelRowName(levelsOf(group), row);
  case 3:
    return CHARACTER_ROWS[row];
  default:
    return FILE_ROWS[row];
  }
}

const char* StatisticsModel::value(uint64_t group, uint64_t row) const {
  if (!impl->lists || row >= rowCount(group)) return NOT_AVAILABLE;
  return impl->value(impl->statistics->info(impl->lists->current()), group, row);
}
