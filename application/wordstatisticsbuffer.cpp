// The table is looked up for every word token of a document, and a lookup that misses the cache costs more
// than the segmentation of the token, so one lookup touches one slot: open addressing over an array that
// holds, besides the hash, the word's length and first eight bytes (enough to tell most Chinese words apart
// without reading the word) and the running counts. The counts reach the records in finish(). At most half
// full; the array grows with the vocabulary, never with the text, and is kept across runs.
#include "application/wordstatisticsbuffer.h"

#include "utils/hashtable.h"
#include "utils/spanbackingstore.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t INITIAL_SLOTS = size_t(1) << 12;
constexpr size_t STORE_BLOCK = 65536;

struct Slot {
  uint64_t head; // the word's first eight bytes, zero-padded
  uint32_t hash;
  uint32_t length;
  uint64_t frequency;
  uint64_t lastOccurrence;
  WordStatistics* record; // null: empty
};

uint64_t headOf(Span const& word) {
  uint64_t head = 0;
  if (word.length) std::memcpy(&head, word.data, std::min<size_t>(word.length, sizeof head));
  return head;
}

// Most words fit in the head, which one multiplication mixes; byte-wise hashing costs more than that.
uint32_t hashOf(Span const& word, uint64_t head) {
  constexpr uint64_t GOLDEN = 0x9E3779B97F4A7C15ull;
  uint64_t h = (head ^ (uint64_t(word.length) << 56)) * GOLDEN;
  if (word.length > sizeof head)
    h = (h ^ fnv1a::hash(word.data + sizeof head, word.length - sizeof head)) * GOLDEN;
  return uint32_t(h >> 32);
}

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
  Slot* findSlot(Span const& word, uint32_t hash, uint64_t head) const;
  void grow();

  std::vector<Slot> slots = std::vector<Slot>(INITIAL_SLOTS);
  size_t mask = INITIAL_SLOTS - 1;
  size_t filled = 0;
  SpanBackingStore words{STORE_BLOCK, 1};
  std::vector<std::unique_ptr<WordStatistics[]>> blocks; // records are handed out in order and reused
  size_t used = 0;                                       // records handed out since the last clear
};

// The word's slot, or the empty slot where it would go.
Slot* WordStatisticsBuffer::Impl::findSlot(Span const& word, uint32_t hash, uint64_t head) const {
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot const& slot = slots[i];
    if (!slot.record) return const_cast<Slot*>(&slot);
    if (slot.hash == hash && slot.head == head && slot.length == word.length &&
        (word.length <= sizeof head || std::memcmp(slot.record->word.data + sizeof head,
                                                   word.data + sizeof head, word.length - sizeof head) == 0))
      return const_cast<Slot*>(&slot);
  }
}

void WordStatisticsBuffer::Impl::grow() {
  std::vector<Slot> old(slots.size() * 2);
  old.swap(slots);
  mask = slots.size() - 1;
  for (Slot const& slot : old)
    if (slot.record) *findSlot(slot.record->word, slot.hash, slot.head) = slot;
}

WordStatisticsBuffer::WordStatisticsBuffer()
    : impl(std::make_unique<Impl>()), m_characterBits((rangeBits() + 63) / 64) {}

WordStatisticsBuffer::~WordStatisticsBuffer() = default;

WordStatistics* WordStatisticsBuffer::newRecord() {
  const size_t block = impl->used / RECORDS_PER_BLOCK;
  if (block == impl->blocks.size())
    impl->blocks.push_back(std::make_unique_for_overwrite<WordStatistics[]>(RECORDS_PER_BLOCK));
  return &impl->blocks[block][impl->used++ % RECORDS_PER_BLOCK];
}

WordStatistics* WordStatisticsBuffer::addOccurrence(Span const& word, uint64_t offset, bool& added) {
  ++totalWords;
  const uint64_t head = headOf(word);
  const uint32_t hash = hashOf(word, head);
  Slot* slot = impl->findSlot(word, hash, head);
  if (slot->record) {
    ++slot->frequency;
    slot->lastOccurrence = offset;
    added = false;
    return slot->record;
  }
  WordStatistics* r = newRecord();
  *r = WordStatistics{impl->words.addSpan(word), 1, offset, offset, 0, 0, 0, 0};
  *slot = Slot{head, hash, uint32_t(word.length), 1, offset, r};
  if (++impl->filled * 2 > impl->slots.size()) impl->grow();
  m_records.push_back(r);
  added = true;
  return r;
}

void WordStatisticsBuffer::finish() {
  for (Slot const& slot : impl->slots) {
    if (!slot.record) continue;
    slot.record->frequency = slot.frequency;
    slot.record->lastOccurrence = slot.lastOccurrence;
  }
}

WordStatistics* WordStatisticsBuffer::find(Span const& word) const {
  const uint64_t head = headOf(word);
  return impl->findSlot(word, hashOf(word, head), head)->record;
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
  std::fill(impl->slots.begin(), impl->slots.end(), Slot{});
  impl->filled = 0;
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
