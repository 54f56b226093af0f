// Buffers A and B alternate: the back buffer belongs to the run in progress (processToken writes it without
// a lock), the front buffer to readers. The swap, the percentages written into the new front records and
// every read of the front buffer happen under the statistics mutex.
#include "documents/documentstatistics.h"

#include "documents/wordstatisticsbuffer.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "utils/utf8.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <mutex>

namespace {

// Which known-words set, in which state, the stored summary was computed for. The change count alone
// misses a set replaced by another one, or one refilled by copy() to the same count.
struct KnownKey {
  WordHash const* set = nullptr;
  uint64_t changeCount = 0;
  uint64_t words = 0;
  bool valid = false;
  bool operator==(KnownKey const&) const = default;
};

// Counts a word at every level from its lowest listed level up; a word of no level (or only of levels
// beyond the scale) in the last entry.
void countLevels(uint16_t bits, int levels, uint64_t frequency, uint64_t* words, uint64_t* unique) {
  const int lowest = bits ? std::countr_zero(bits) + 1 : levels + 1;
  if (lowest > levels) {
    words[levels] += frequency;
    ++unique[levels];
    return;
  }
  for (int level = lowest; level <= levels; ++level) {
    words[level - 1] += frequency;
    ++unique[level - 1];
  }
}

} // namespace

struct DocumentStatistics::Impl {
  Impl(ProficiencyLevelHash const& levels, SegmentEngine const& engine) : levels(levels), engine(engine) {}

  void computeInfo(WordHash const& known);

  ProficiencyLevelHash const& levels;
  SegmentEngine const& engine;
  WordStatisticsBuffer a, b;
  WordStatisticsBuffer* front = &a;
  WordStatisticsBuffer* back = &b;
  OpenSSL::SHA1 frontDigest, backDigest;
  mutable std::mutex mutex;                 // guards the front buffer, the swap, the summary and its key
  KnownKey infoKey;                         // what the stored summary was computed for
  std::atomic<bool> ready = false;          // a run has finished
  std::vector<WordStatistics*> byFrequency; // the front records, frequency descending
  DocumentInfo info;
};

DocumentStatistics::DocumentStatistics(ProficiencyLevelHash const& levels, SegmentEngine const& engine)
    : impl(std::make_unique<Impl>(levels, engine)) {}

DocumentStatistics::~DocumentStatistics() = default;

void DocumentStatistics::beginProcessing() {
  std::lock_guard lock(impl->mutex);
  impl->back->clear();
  impl->backDigest = OpenSSL::SHA1();
}

void DocumentStatistics::processToken(Token const& token, unsigned long offset) {
  WordStatisticsBuffer& back = *impl->back;
  back.codepoints += token.characters;
  if (!impl->engine.isWord(int(token.type))) return;
  bool added;
  WordStatistics* r = back.addOccurrence(token.span(), offset, added);
  if (added) {
    const ProficiencyLevel level = impl->levels.level(r->word);
    r->hskLevel = level.hsk;
    r->tocflLevel = level.tocfl;
  }
}

void DocumentStatistics::processingFinished(float seconds, bool, unsigned long maxLine, unsigned long bytes,
                                            OpenSSL::SHA1 const& sha1) {
  WordStatisticsBuffer& back = *impl->back;
  back.finish();
  back.loadTime = seconds;
  back.lines = maxLine;
  back.bytes = bytes;
  impl->backDigest = sha1;
  // Sorting reads only this run's own records; readers see them after the swap.
  std::vector<WordStatistics*> sorted(back.records());
  std::sort(sorted.begin(), sorted.end(), &WordStatisticsSort::compareFrequencyDescending);

  std::lock_guard lock(impl->mutex);
  std::swap(impl->front, impl->back);
  std::swap(impl->frontDigest, impl->backDigest);
  impl->infoKey = KnownKey();
  const double total = double(impl->front->totalWords);
  uint64_t running = 0;
  for (WordStatistics* r : sorted) {
    running += r->frequency;
    r->percentageFrequency = double(r->frequency) / total * 100.0;
    r->cumulativePercentageFrequency = double(running) / total * 100.0;
  }
  impl->byFrequency = std::move(sorted);
  impl->ready = true;
}

bool DocumentStatistics::ready() const {
  return impl->ready;
}

uint64_t DocumentStatistics::totalWords() const {
  std::lock_guard lock(impl->mutex);
  return impl->front->totalWords;
}

void DocumentStatistics::wordStatisticsList(std::vector<WordStatistics*>& out, WordStatisticsSort::Type type,
                                            FilterType filter, WordHash const* known) const {
  out.clear();
  if (!impl->ready) return;
  {
    std::lock_guard lock(impl->mutex);
    auto const& records = impl->front->records();
    out.reserve(records.size());
    for (WordStatistics* r : records) {
      if (filter != AllWords && known) {
        const bool isKnown = known->exists(r->word) == 1;
        if (isKnown != (filter == KnownWords)) continue;
      }
      out.push_back(r);
    }
  }
  WordStatisticsSort::sort(out, type);
}

DocumentInfo const& DocumentStatistics::info(WordHash const& known) const {
  std::lock_guard lock(impl->mutex);
  if (!impl->ready) return impl->info;
  const KnownKey key{&known, known.changeCount(), known.totalWords(), true};
  if (key != impl->infoKey) {
    impl->computeInfo(known);
    impl->infoKey = key;
  }
  return impl->info;
}

// Under the mutex.
void DocumentStatistics::Impl::computeInfo(WordHash const& known) {
  info = DocumentInfo();
  WordStatisticsBuffer& buffer = *front;
  buffer.clearCharacters();
  for (const WordStatistics* r : buffer.records()) {
    if (known.exists(r->word) == 1) {
      ++info.knownUniqueWords;
      info.knownWords += r->frequency;
    }
    countLevels(r->hskLevel, DocumentInfo::HSK_LEVELS, r->frequency, info.hskWords, info.hskUniqueWords);
    countLevels(r->tocflLevel, DocumentInfo::TOCFL_LEVELS, r->frequency, info.tocflWords,
                info.tocflUniqueWords);
    for (const char* p = r->word.begin(); p < r->word.end();) {
      size_t length;
      const uint32_t c = utf8::decode(p, r->word.end(), length);
      p += length;
      if (!WordStatisticsBuffer::isCountedCharacter(c)) continue;
      info.chineseCharacters += r->frequency;
      buffer.markCharacter(c);
    }
  }
  info.uniqueCharacters = buffer.uniqueCharacters();
  info.uniqueWords = buffer.records().size();
  info.totalWords = buffer.totalWords;
  info.lines = buffer.lines;
  info.bytes = buffer.bytes;
  info.sha1 = frontDigest;
  info.codepoints = buffer.codepoints;
  info.loadTime = buffer.loadTime;
}

WordStatistics const* DocumentStatistics::statisticsForWord(Span const& word) const {
  if (!impl->ready) return nullptr;
  std::lock_guard lock(impl->mutex);
  return impl->front->find(word);
}
