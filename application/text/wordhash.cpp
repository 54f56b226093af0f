// Entries are 1 for a whole word and 2 for a key that is only the prefix of longer words. The word count
// counts the 1s; the change count rises on every change so that owners can tell a set was edited.
#include "text/wordhash.h"

#include "text/wordhashdifftokenizer.h"
#include "text/wordhashtokenizer.h"
#include "text/wordlistfile.h"
#include "text/wordstatistics.h"
#include "utils/atomicfilesaver.h"
#include "utils/exception.h"
#include "utils/log.h"
#include "utils/outputstream.h"
#include "utils/spanbackingstore.h"
#include "utils/textbuffer.h"
#include "utils/utf8.h"

#include <algorithm>
#include <string>

namespace {
unsigned long entry(WordHash::Entry type, uint32_t hash) {
  return type | (uint64_t(hash) << 32);
}
void setType(WordHash::Table::Node& node, WordHash::Entry type) {
  node.value = (node.value & ~0xFFul) | type;
}
} // namespace

struct WordHash::Impl : TokenVisitor {
  // A prefix set is the segmenter's dictionary: its keys (mostly two to four characters) sit behind their
  // nodes, so that a node of 32 bytes and its key fill one cache line.
  Impl(unsigned bits, bool prefixes)
      : table(bits ? bits : 20, prefixes ? INLINE_KEY_BYTES : 0), prefixes(prefixes),
        filterShift(32 - std::min(table.bitCount() + 2, 24u)),
        filter((size_t(1) << (32 - filterShift)) / 64 + 1) {}

  static constexpr size_t INLINE_KEY_BYTES = 64 - sizeof(Table::Node);

  Table table;                      // 2^bits buckets, never rehashed
  SpanBackingStore store{65536, 0}; // owns every key; removed entries leave their bytes here
  uint64_t longest = 0;             // never lowered
  uint64_t changes = 0;
  uint64_t count = 0; // whole-word entries
  bool prefixes = false;
  unsigned filterShift; // the filter is indexed by a hash's top 32 - filterShift bits (at most 24: 2 MB)
  std::vector<uint64_t> filter; // see KeyFilter

  void mark(uint32_t hash) {
    const uint32_t i = hash >> filterShift;
    filter[i >> 6] |= uint64_t(1) << (i & 63);
  }

  // Lines of a word-list file go straight in, without a look-up first.
  void visit(Token const& token) override { insert(keep(token.span())); }
  // A stable copy of a new word: the store's, unless every key it makes is kept behind its node anyway.
  Span keep(Span const& word) {
    return table.inlineKeyBytes() && word.length <= table.inlineKeyBytes() ? word : store.addSpan(word);
  }
  void insert(Span const& stored);
  void insertWithPrefixes(Span const& stored);
};

void WordHash::Impl::insert(Span const& stored) {
  if (!prefixes) {
    const uint64_t before = table.inserts;
    const uint32_t hash = fnv1a::hash(stored);
    table.insertHashed(stored, hash, entry(Word, hash));
    mark(hash);
    if (table.inserts != before) ++count;
  } else if (stored.length) {
    insertWithPrefixes(stored);
  }
  ++changes;
  longest = std::max<uint64_t>(longest, stored.length);
}

void WordHash::Impl::insertWithPrefixes(Span const& stored) {
  // Every cut after a character is a key into the stored word; the hash is extended a byte at a time, the
  // way the segmenter hashes its candidates.
  const char* end = stored.end();
  uint32_t hash = fnv1a::OFFSET;
  for (const char* p = stored.data; p < end;) {
    const char* cut = p + utf8::step(p, end);
    for (; p < cut; ++p)
      hash = fnv1a::extend(hash, static_cast<unsigned char>(*p));
    const Span key(stored.data, size_t(cut - stored.data));
    mark(hash);
    if (cut < end) {
      table.insertHashed(key, hash, entry(PrefixOnly, hash))->value |= EXTENDED;
      continue;
    }
    const uint64_t before = table.inserts;
    Table::Node* node = table.insertHashed(key, hash, entry(Word, hash));
    if (table.inserts != before) {
      ++count;
    } else if (entryType(node->value) == PrefixOnly) {
      setType(*node, Word);
      ++count;
    }
  }
}

WordHash::WordHash(unsigned bits) : impl(std::make_unique<Impl>(bits, false)) {}

WordHash::WordHash(unsigned bits, const char* path, bool prefixes)
    : impl(std::make_unique<Impl>(bits, prefixes)) {
  if (!path) return;
  TextBuffer<1024> prefix;
  try {
    const WordListFile file(path);
    WordHashTokenizer tokenizer(file.range());
    tokenizer.processTokens(*impl);
  } catch (zun::exception const& e) {
    prefix.format("Unable to build WordHash from file '%s':\n", path);
    ZUN_LOG_CAUGHT("WARN", prefix.c_str(), e);
  } catch (...) {
    Log::print("WARN", "Unable to build WordHash from file '%s'\n", path);
  }
}

WordHash::~WordHash() = default;

unsigned long WordHash::exists(Span const& key) const {
  return exists(key, fnv1a::hash(key));
}

unsigned long WordHash::exists(Span const& key, uint32_t hash) const {
  if (!keyFilter().mayContain(hash)) return Absent;
  const Table::Node* node = lookup(impl->table, key, hash);
  return node ? entryType(node->value) : Absent;
}

WordHash::Table const& WordHash::table() const {
  return impl->table;
}
WordHash::KeyFilter WordHash::keyFilter() const {
  return KeyFilter{impl->filter.data(), impl->filterShift};
}
bool WordHash::hasPrefixes() const {
  return impl->prefixes;
}
uint64_t WordHash::longestWord() const {
  return impl->longest;
}
uint64_t WordHash::changeCount() const {
  return impl->changes;
}
uint64_t WordHash::totalWords() const {
  return impl->count;
}

std::vector<Span> WordHash::words() const {
  std::vector<Span> out;
  out.reserve(size_t(impl->count));
  impl->table.forEachNode([&](Table::Node const& n) {
    if (entryType(n.value) == Word) out.push_back(n.key);
  });
  return out;
}

WordHash::Iterator WordHash::begin() const {
  Iterator it;
  const size_t buckets = impl->table.bucketCount();
  for (size_t b = 0; b < buckets; ++b)
    if (Table::Node* head = impl->table.head(b)) return Iterator{b, head};
  return it;
}

WordHash::Iterator WordHash::next(Iterator const& it) const {
  if (!it.node) return Iterator();
  if (it.node->next) return Iterator{it.bucket, it.node->next};
  const size_t buckets = impl->table.bucketCount();
  for (size_t b = size_t(it.bucket) + 1; b < buckets; ++b)
    if (Table::Node* head = impl->table.head(b)) return Iterator{b, head};
  return Iterator();
}

void WordHash::add(Span const& word) {
  Table::Node* node = impl->table.find(word);
  if (!node) {
    impl->insert(impl->keep(word));
  } else if (entryType(node->value) == PrefixOnly) {
    setType(*node, Word);
    ++impl->count;
    ++impl->changes;
  }
}

void WordHash::remove(Span const& word) {
  Table::Node* node = impl->table.find(word);
  if (!node) return;
  if (entryType(node->value) == Word && impl->count) {
    if (impl->prefixes)
      setType(*node, PrefixOnly);
    else
      impl->table.remove(word);
    --impl->count;
  }
  ++impl->changes;
}

void WordHash::clear() {
  impl->table.clear();
  std::fill(impl->filter.begin(), impl->filter.end(), 0);
  impl->count = 0;
  ++impl->changes;
}

void WordHash::add(WordHash const& other) {
  if (&other == this) return;
  other.impl->table.forEachNode([this](Table::Node const& n) {
    if (entryType(n.value) == Word) add(n.key);
  });
}

void WordHash::remove(WordHash const& other) {
  // Removing a set from itself would change the chains while they are walked.
  std::vector<Span> gone = other.words();
  for (Span const& w : gone)
    remove(w);
}

void WordHash::copy(WordHash const& other) {
  if (&other == this) return;
  clear();
  add(other);
}

void WordHash::addList(std::vector<WordStatistics*> const& statistics) {
  for (WordStatistics const* s : statistics)
    add(s->word);
}

void WordHash::removeList(std::vector<WordStatistics*> const& statistics) {
  for (WordStatistics const* s : statistics)
    remove(s->word);
}

void WordHash::readFromUtf8Range(Utf8Range const& range) {
  WordHashTokenizer tokenizer(range);
  while (tokenizer.hasTokens())
    add(tokenizer.nextToken().span());
}

bool WordHash::addFromFile(const char* path) {
  if (!path) return false;
  TextBuffer<1024> prefix;
  try {
    const WordListFile file(path);
    readFromUtf8Range(file.range());
    return true;
  } catch (zun::exception const& e) {
    prefix.format("Unable to add words from file '%s':\n", path);
    ZUN_LOG_CAUGHT("WARN", prefix.c_str(), e);
  } catch (...) {
    Log::print("WARN", "Unable to add words from file '%s'\n", path);
  }
  return false;
}

void WordHash::writeToStream(OutputStream& out) const {
  std::vector<Span> sorted = words();
  std::sort(sorted.begin(), sorted.end());
  // A first word that begins with U+FEFF would be taken for a byte-order mark when read back: a mark of
  // our own goes first then, which the reader skips.
  static const Span MARK("\xEF\xBB\xBF", 3);
  if (!sorted.empty() && sorted.front().view().starts_with(MARK.view())) out << MARK;
  for (Span const& w : sorted) {
    out << w;
    out << System::NEWLINE;
  }
}

bool WordHash::save(const char* prefix, const char* path) const {
  (void)prefix; // temporary names are always hidden names beside the target
  return AtomicFileSaver::save(path, [this](OutputStream& out) { writeToStream(out); });
}

Text WordHash::diff(WordHash const& other) const {
  // Collected first so the text is reserved once at its exact size: an estimate from the longest word
  // explodes when one very long line sits in either set.
  std::vector<Span> removed, added;
  size_t bytes = 0;
  impl->table.forEachNode([&](Table::Node const& n) {
    if (entryType(n.value) == Word && other.exists(n.key) != Word) {
      removed.push_back(n.key);
      bytes += n.key.length + 2;
    }
  });
  other.impl->table.forEachNode([&](Table::Node const& n) {
    if (entryType(n.value) == Word && exists(n.key) != Word) {
      added.push_back(n.key);
      bytes += n.key.length + 2;
    }
  });
  std::string text;
  text.reserve(bytes);
  for (Span const& w : removed)
    text.append("-").append(w.data, w.length).append("\n");
  for (Span const& w : added)
    text.append("+").append(w.data, w.length).append("\n");
  return Text(text.data(), text.size());
}

void WordHash::applyDiff(Span const& diff) {
  WordHashDiffTokenizer tokenizer(diff);
  while (tokenizer.hasTokens()) {
    const Token line = tokenizer.nextToken();
    if (line.type == WordHashDiffTokenizer::Added)
      add(line.span());
    else if (line.type == WordHashDiffTokenizer::Removed)
      remove(line.span());
  }
}

void WordHash::applyDiffReverse(Span const& diff) {
  WordHashDiffTokenizer tokenizer(diff);
  while (tokenizer.hasTokens()) {
    const Token line = tokenizer.nextToken();
    if (line.type == WordHashDiffTokenizer::Added)
      remove(line.span());
    else if (line.type == WordHashDiffTokenizer::Removed)
      add(line.span());
  }
}
