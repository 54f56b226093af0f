// A set of words: a fixed power-of-two chained table (it never grows) keyed by the words' UTF-8 bytes, with
// an arena that owns a copy of every word. A set made with prefix entries also stores every prefix of every
// word (value 2), so the segmenter can ask whether a text is a word or could still become one.
//
// Not thread-safe: any number of readers, or one writer. Not copyable; use copy().
#pragma once

#include "utils/hashtable.h"
#include "utils/span.h"
#include "utils/text.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

class OutputStream;
struct WordStatistics;

class WordHash {
public:
  enum Entry : unsigned long { Absent = 0, Word = 1, PrefixOnly = 2 };
  using Table = HashTable<unsigned long>;

  struct Iterator {
    uint64_t bucket = ~uint64_t(0); // all ones at the end
    Table::Node const* node = nullptr;

    Span key() const { return node ? node->key : Span(); }
    // The entry's value (1 word, 2 prefix only); 0 at the end.
    unsigned long exists() const { return node ? entryType(node->value) : 0; }
    bool atEnd() const { return node == nullptr; }
  };

  // 2^bits buckets; 0 means 20. No prefix entries.
  explicit WordHash(unsigned bits = 0);
  // As above, then reads the word-list file at path when it is not null. Errors are logged under "WARN"
  // and the set keeps what was read before them.
  WordHash(unsigned bits, const char* path, bool prefixes);
  ~WordHash();
  WordHash(WordHash const&) = delete;
  WordHash& operator=(WordHash const&) = delete;

  // Absent (0), Word (1; it may also be the prefix of longer words) or PrefixOnly (2).
  unsigned long exists(Span const& key) const;
  // The same with the key's FNV-1a hash already computed (the segmenter extends it a character at a time).
  unsigned long exists(Span const& key, uint32_t hash) const;

  // The table itself, for the segmenter's hot loop. Entry values keep the key's FNV-1a hash in their upper
  // 32 bits, so a chain is walked without reading the bytes of keys that cannot match; the low byte is the
  // entry (Word or PrefixOnly), and EXTENDED marks keys that are the prefix of a longer one.
  Table const& table() const;
  static unsigned long entryType(unsigned long value) { return value & 0xFF; }
  // Set in a prefix set's entries that longer keys start with: a word without it ends every match.
  static constexpr unsigned long EXTENDED = 0x100;
  static uint32_t entryHash(unsigned long value) { return uint32_t(value >> 32); }

  // Four bits per bucket (at most 2^24), one set for each key's hash (its top bits), never cleared by
  // removal: a clear bit proves a key absent without reading the table, whose buckets are too many to stay in
  // the cache.
  struct KeyFilter {
    const uint64_t* bits;
    unsigned shift;
    bool mayContain(uint32_t hash) const {
      const uint32_t i = hash >> shift;
      return (bits[i >> 6] >> (i & 63)) & 1;
    }
    void prefetch(uint32_t hash) const { __builtin_prefetch(&bits[(hash >> shift) >> 6]); }
  };
  KeyFilter keyFilter() const;

  static Table::Node const* lookup(Table const& table, Span const& key, uint32_t hash) {
    for (Table::Node const* n = table.headFor(hash); n; n = n->next)
      if (entryHash(n->value) == hash && n->key.length == key.length &&
          (key.length == 0 || std::memcmp(n->key.data, key.data, key.length) == 0))
        return n;
    return nullptr;
  }

  bool hasPrefixes() const;
  // The greatest byte length of any word ever inserted; removal and clear() never lower it.
  uint64_t longestWord() const;
  // Raised on every change; callers compare it to see whether a set changed.
  uint64_t changeCount() const;
  uint64_t totalWords() const;
  // Every whole word, in table order; the spans point into the set and live until it is destroyed (in a
  // set with prefix entries, the spans of words of up to 32 bytes only until clear(): they point into the
  // entries, which later words reuse).
  std::vector<Span> words() const;

  Iterator begin() const;
  Iterator next(Iterator const& it) const;

  // An absent word is copied in (with its prefixes in a prefix set); a prefix-only entry becomes a word.
  void add(Span const& word);
  // A whole word stops being one. In a prefix set its entry stays as a prefix, so that longer words that
  // start with it are still found.
  void remove(Span const& word);
  void clear();
  // add/remove every whole word of other. The change count moves as the single adds and removes move it,
  // never back: caches keyed on it (the document summary) must see every change.
  void add(WordHash const& other);
  void remove(WordHash const& other);
  void copy(WordHash const& other);
  // add/remove of each statistic's word.
  void addList(std::vector<WordStatistics*> const& statistics);
  void removeList(std::vector<WordStatistics*> const& statistics);

  // Every line of word-list text through add().
  void readFromUtf8Range(Utf8Range const& range);
  // Reads a word-list file through add(); false (logged under "WARN") for a null path or on an error, in
  // which case the words read before the error stay.
  bool addFromFile(const char* path);
  // The whole words in ascending byte order, each followed by "\n"; behind a byte-order mark when the first
  // word begins with U+FEFF, so that it reads back whole.
  void writeToStream(OutputStream& out) const;
  // Writes the word-list text to a temporary file beside path that then replaces it in one step, so that
  // path holds either its old or its new words. False, logged under "ERR", when anything fails; path is
  // then unchanged. prefix is kept for callers that name their temporary files.
  bool save(const char* prefix, const char* path) const;

  // "-" + word lines for the words of this set missing from other, then "+" + word lines for the words of
  // other missing from this one. A word that is only a prefix in a set counts as missing from it.
  Text diff(WordHash const& other) const;
  // "+" lines are added and "-" lines removed; the reverse form undoes a diff.
  void applyDiff(Span const& diff);
  void applyDiffReverse(Span const& diff);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
