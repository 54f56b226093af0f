#include "text/proficiencylevelhash.h"

#include "text/wordhashtokenizer.h"
#include "text/wordlistfile.h"
#include "utils/hashtable.h"
#include "utils/log.h"
#include "utils/spanbackingstore.h"

struct ProficiencyLevelHash::Impl {
  HashTable<ProficiencyLevel> table{16};
  SpanBackingStore store{65536, 0}; // owns the keys
};

ProficiencyLevelHash::ProficiencyLevelHash() : impl(std::make_unique<Impl>()) {}
ProficiencyLevelHash::~ProficiencyLevelHash() = default;

void ProficiencyLevelHash::addTextWithLevel(LevelType type, Utf8Range const& text, unsigned short bit) {
  WordHashTokenizer tokenizer(text);
  while (tokenizer.hasTokens()) {
    const Span word = tokenizer.nextToken().span();
    auto* node = impl->table.find(word);
    if (!node) node = impl->table.insert(impl->store.addSpan(word), ProficiencyLevel{});
    if (type == HSK)
      node->value.hsk |= bit;
    else
      node->value.tocfl |= bit;
  }
}

ProficiencyLevel ProficiencyLevelHash::level(Span const& word) const {
  const auto* node = impl->table.find(word);
  return node ? node->value : ProficiencyLevel{};
}

size_t ProficiencyLevelHash::size() const {
  return impl->table.size();
}

void ProficiencyLevelHash::clear() {
  impl->table.clear();
}

void ProficiencyLevelHash::addFileWithLevel(LevelType type, const char* path, unsigned short bit) {
  if (!path) return;
  try {
    const WordListFile file(path);
    addTextWithLevel(type, file.range(), bit);
  } catch (...) {
    Log::print("WARN", "Unable to load level %d HSK File %s\n", int(bit), path);
  }
}
