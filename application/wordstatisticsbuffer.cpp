#include "application/wordstatisticsbuffer.h"

#include "utils/hashtable.h"
#include "utils/spanbackingstore.h"

namespace {

constexpr uint32_t TABLE_BITS = 15;
constexpr size_t STORE_BLOCK = 65536;

// The counted character ranges, laid end to end in one bit set.
struct Range {
  uint32_t first, last;
};
constexpr Range RANGES[] = {{0x4E00, 0x9FCF}, {0x3400, 0x4DBF}, {0x20000, 0x2A6DF}};
constexpr size_t rangeBits() {
  size_t n = 0;
  for (auto r : RANGES)
    n += r.last - r.first + 1;
  return n;
}

// The character's bit, or -1 outside the ranges.
long characterBit(uint32_t c) {
  long base = 0;
  for (auto r : RANGES) {
    if (c >= r.first && c <= r.last) return base + long(c - r.first);
    base += long(r.last - r.first + 1);
  }
  return -1;
}

} // namespace

struct WordStatisticsBuffer::Impl {
  HashTable<WordStatistics*> table{TABLE_BITS};
  SpanBackingStore words{STORE_BLOCK, 1};
  std::vector<std::unique_ptr<WordStatistics[]>> blocks; // records are handed out in order and reused
  size_t used = 0;                                       // records handed out since the last clear
};

WordStatisticsBuffer::WordStatisticsBuffer()
    : impl(std::make_unique<Impl>()), m_characterBits((rangeBits() + 63) / 64) {}

WordStatisticsBuffer::~WordStatisticsBuffer() = default;

WordStatistics* WordStatisticsBuffer::newRecord() {
  const size_t block = impl->used / RECORDS_PER_BLOCK;
  if (block == impl->blocks.size())
    impl->blocks.push_back(std::make_unique_for_overwrite<WordStatistics[]>(RECORDS_PER_BLOCK));
  return &impl->blocks[block][impl->used++ % RECORDS_PER_BLOCK];
}

void WordStatisticsBuffer::addOccurrence(Span const& word, uint64_t offset, uint16_t hsk, uint16_t tocfl) {
  ++totalWords;
  const uint32_t hash = fnv1a::hash(word); // once for the look-up and the insertion
  if (auto* node = impl->table.findHashed(word, hash)) {
    ++node->value->frequency;
    node->value->lastOccurrence = offset;
    return;
  }
  WordStatistics* r = newRecord();
  *r = WordStatistics{impl->words.addSpan(word), 1, offset, offset, 0, 0, hsk, tocfl};
  impl->table.insertHashed(r->word, hash, r);
  m_records.push_back(r);
}

WordStatistics* WordStatisticsBuffer::find(Span const& word) const {
  auto* node = impl->table.find(word);
  return node ? node->value : nullptr;
}

bool WordStatisticsBuffer::isCountedCharacter(uint32_t codePoint) {
  return characterBit(codePoint) >= 0;
}

void WordStatisticsBuffer::markCharacter(uint32_t codePoint) {
  const long bit = characterBit(codePoint);
  if (bit < 0) return;
  uint64_t& word = m_characterBits[size_t(bit) / 64];
  const uint64_t mask = uint64_t(1) << (bit % 64);
  if (!(word & mask)) {
    word |= mask;
    ++m_uniqueCharacters;
  }
}

void WordStatisticsBuffer::clearCharacters() {
  std::fill(m_characterBits.begin(), m_characterBits.end(), 0);
  m_uniqueCharacters = 0;
}

void WordStatisticsBuffer::clear() {
  impl->table.clear();
  impl->words.clear();
  impl->used = 0;
  m_records.clear();
  clearCharacters();
  totalWords = codepoints = bytes = lines = 0;
  loadTime = 0;
}

size_t WordStatisticsBuffer::blockCount() const {
  return impl->blocks.size();
}
