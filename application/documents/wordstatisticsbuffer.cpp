// The table is looked up for every word token of a document, and its misses cost more than the
// segmentation of the token. So the open-addressing array (at most half full) holds only a hash and a
// record number, eight bytes a slot, and the running counts sit in a dense array in record order, which is
// the order of first occurrence: the frequent words come first and their counts stay in the cache. A count
// holds the word's length and first eight bytes, enough to tell most words apart without reading the word.
// The counts reach the records in finish(). Both arrays grow with the vocabulary, never with the text, and
// are kept across runs.
#include "documents/wordstatisticsbuffer.h"

#include "utils/hashtable.h"
#include "utils/spanbackingstore.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr size_t INITIAL_SLOTS = size_t(1) << 12;
constexpr size_t STORE_BLOCK = 65536;

struct Slot {
  uint32_t hash;
  uint32_t number; // the record's number + 1; 0: empty
};

struct Count {
  uint64_t head; // the word's first eight bytes, zero-padded
  uint64_t frequency;
  uint64_t lastOccurrence;
  uint64_t length;
};

template <typename W> W load(const char* p) {
  W w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Built in registers from loads of fixed size: a copy of a variable length through memory would stall the
// load that reads it back.
uint64_t headOf(Span const& word) {
  static_assert(std::endian::native == std::endian::little);
  const char* p = word.data;
  const size_t n = word.length;
  if (n >= 8) return load<uint64_t>(p);
  if (n >= 4) return uint64_t(load<uint32_t>(p)) | (uint64_t(load<uint32_t>(p + n - 4)) << (8 * (n - 4)));
  if (n == 0) return 0;
  const auto byte = [&](size_t i) { return uint64_t(static_cast<unsigned char>(p[i])) << (8 * i); };
  return byte(0) | byte(n / 2) | byte(n - 1);
}

// Most words fit in the head, which one multiplication mixes; byte-wise hashing costs more than that.
uint32_t hashOf(Span const& word, uint64_t head) {
  constexpr uint64_t GOLDEN = 0x9E3779B97F4A7C15ull;
  uint64_t h = (head ^ (uint64_t(word.length) << 56)) * GOLDEN;
  if (word.length > sizeof head)
    h = (h ^ fnv1a::hash(word.data + sizeof head, word.length - sizeof head)) * GOLDEN;
  return uint32_t(h >> 32);
}

// The counted character ranges, the ideographs that utf8::get_type calls Chinese, laid end to end in one
// bit set.
struct Range {
  uint32_t first, last;
};
constexpr Range RANGES[] = {{0x4E00, 0x9FFF}, {0x3400, 0x4DBF}, {0xF900, 0xFAFF}, {0x20000, 0x3FFFF}};
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
  Slot* findSlot(Span const& word, uint32_t hash, uint64_t head,
                 std::vector<WordStatistics*> const& records) const;
  void grow();

  std::vector<Slot> slots = std::vector<Slot>(INITIAL_SLOTS);
  size_t mask = INITIAL_SLOTS - 1;
  std::vector<Count> counts; // by record number
  SpanBackingStore words{STORE_BLOCK, 1};
  std::vector<std::unique_ptr<WordStatistics[]>> blocks; // records are handed out in order and reused
  size_t used = 0;                                       // records handed out since the last clear
};

// The word's slot, or the empty slot where it would go.
Slot* WordStatisticsBuffer::Impl::findSlot(Span const& word, uint32_t hash, uint64_t head,
                                           std::vector<WordStatistics*> const& records) const {
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot const& slot = slots[i];
    if (!slot.number) return const_cast<Slot*>(&slot);
    if (slot.hash != hash) continue;
    Count const& c = counts[slot.number - 1];
    if (c.head == head && c.length == word.length &&
        (word.length <= sizeof head || std::memcmp(records[slot.number - 1]->word.data + sizeof head,
                                                   word.data + sizeof head, word.length - sizeof head) == 0))
      return const_cast<Slot*>(&slot);
  }
}

void WordStatisticsBuffer::Impl::grow() {
  std::vector<Slot> old(slots.size() * 2);
  old.swap(slots);
  mask = slots.size() - 1;
  // Numbers are unique, so a slot only needs a free place.
  for (Slot const& slot : old) {
    if (!slot.number) continue;
    size_t i = slot.hash & mask;
    while (slots[i].number)
      i = (i + 1) & mask;
    slots[i] = slot;
  }
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
  Slot* slot = impl->findSlot(word, hash, head, m_records);
  if (slot->number) {
    Count& c = impl->counts[slot->number - 1];
    ++c.frequency;
    c.lastOccurrence = offset;
    added = false;
    return m_records[slot->number - 1];
  }
  WordStatistics* r = newRecord();
  *r = WordStatistics{impl->words.addSpan(word), 1, offset, offset, 0, 0, 0, 0};
  m_records.push_back(r);
  impl->counts.push_back(Count{head, 1, offset, word.length});
  *slot = Slot{hash, uint32_t(m_records.size())};
  if (m_records.size() * 2 > impl->slots.size()) impl->grow();
  added = true;
  return r;
}

void WordStatisticsBuffer::finish() {
  for (size_t i = 0; i < m_records.size(); ++i) {
    m_records[i]->frequency = impl->counts[i].frequency;
    m_records[i]->lastOccurrence = impl->counts[i].lastOccurrence;
  }
}

WordStatistics* WordStatisticsBuffer::find(Span const& word) const {
  const uint64_t head = headOf(word);
  const Slot* slot = impl->findSlot(word, hashOf(word, head), head, m_records);
  return slot->number ? m_records[slot->number - 1] : nullptr;
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
  impl->counts.clear();
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
