// The index is a hash table from headword to a CEDictItem; an entry records the byte offset of its line and
// 16-bit offsets of its fields inside it, so the whole dictionary costs about 48 bytes per entry plus its
// keys. A line whose fields would not fit the 4,096 bytes read back by getInfo is skipped when indexing,
// so a read never has to look past its buffer.
#include "dictionary/cedictionary.h"

#include "dictionary/cedictitem.h"
#include "dictionary/cedicttokenizer.h"
#include "dictionary/toneconverter.h"
#include "utils/filefinder.h"
#include "utils/filesystem.h"
#include "utils/hashtable.h"
#include "utils/log.h"
#include "utils/mappedfile.h"
#include "utils/nodepool.h"
#include "utils/pagedfile.h"
#include "utils/spanbackingstore.h"

#include <cstring>
#include <new>

namespace {
constexpr size_t READ_SIZE = 4096;
constexpr uint32_t INDEX_BITS = 18;
constexpr size_t KEY_BLOCK = 153600;
} // namespace

struct CEDictionary::Impl {
  std::unique_ptr<PagedFile> files[2]; // by CEDictEntry::DictionaryType; null when not indexed
  HashTable<CEDictItem*> index{INDEX_BITS};
  SpanBackingStore keys{KEY_BLOCK, 1};
  NodePool items{sizeof(CEDictItem)};
  NodePool entries{sizeof(CEDictItem::Node)};
  char readBuffer[READ_SIZE + 1];
  TextBuffer<0> pinyin; // tone-mark conversion, reused by every getInfo

  bool open(const char* path, CEDictEntry::DictionaryType type);
  void indexFile(Span const& text, CEDictEntry::DictionaryType type, const char* path);
  void add(Span const& headword, CEDictEntry const& entry);
};

namespace {

struct Line {
  Token traditional, simplified, pinyin;
  bool hasTraditional = false, hasSimplified = false, hasPinyin = false;
};

// False when the line's fields do not fit what an entry and the read buffer can describe.
bool makeEntry(Line const& line, Token const& definition, const char* fileStart,
               CEDictEntry::DictionaryType type, CEDictEntry& e) {
  if (!line.hasTraditional || !line.hasSimplified || !line.hasPinyin) return false;
  if (line.traditional.bytes == 0 || line.simplified.bytes == 0) return false;
  const char* start = line.traditional.text;
  if (size_t(definition.text - start) + definition.bytes > READ_SIZE) return false;
  e.offset = uint64_t(start - fileStart);
  e.type = type;
  e.traditionalLength = uint16_t(line.traditional.bytes);
  e.simplifiedOffset = uint16_t(line.simplified.text - start);
  e.simplifiedLength = uint16_t(line.simplified.bytes);
  e.pinyinOffset = uint16_t(line.pinyin.text - start);
  e.pinyinLength = uint16_t(line.pinyin.bytes);
  e.definitionOffset = uint16_t(definition.text - start);
  e.definitionLength = uint16_t(definition.bytes);
  return true;
}

} // namespace

void CEDictionary::Impl::add(Span const& headword, CEDictEntry const& entry) {
  const uint32_t hash = fnv1a::hash(headword);
  auto* found = index.findHashed(headword, hash);
  if (!found) {
    auto* item = ::new (items.allocate()) CEDictItem();
    found = index.insertHashed(keys.addSpan(headword), hash, item);
  }
  found->value->append(::new (entries.allocate()) CEDictItem::Node{nullptr, entry});
}

void CEDictionary::Impl::indexFile(Span const& text, CEDictEntry::DictionaryType type, const char* path) {
  CEDictTokenizer tokenizer(text);
  Line line;
  unsigned long skipped = 0;
  while (tokenizer.hasTokens()) {
    const Token f = tokenizer.nextToken();
    switch (f.type) {
    case CEDictTokenizer::Traditional:
      line.traditional = f, line.hasTraditional = true;
      break;
    case CEDictTokenizer::Simplified:
      line.simplified = f, line.hasSimplified = true;
      break;
    case CEDictTokenizer::Pinyin:
      line.pinyin = f, line.hasPinyin = true;
      break;
    case CEDictTokenizer::Definition: {
      CEDictEntry entry;
      if (makeEntry(line, f, text.data, type, entry)) {
        add(line.traditional.span(), entry);
        if (!(line.simplified.span() == line.traditional.span())) add(line.simplified.span(), entry);
      } else {
        ++skipped;
      }
      line = Line();
      break;
    }
    default:
      if (f.bytes) ++skipped;
      line = Line();
    }
  }
  if (skipped) Log::print("WARN", "Skipped %lu malformed lines of CC-CEDICT file '%s'\n", skipped, path);
}

// True when the file holds a dictionary to index, even an empty one. A file that cannot be read is logged
// and left out, so that one bad file never keeps the program from starting.
bool CEDictionary::Impl::open(const char* path, CEDictEntry::DictionaryType type) {
  try {
    auto file = std::make_unique<PagedFile>(path);
    if (file->totalBytes() == 0) {
      Log::print("WARN", "Empty CC-CEDICT file '%s'\n", path);
      return true;
    }
    const MappedFile<unsigned char> text(path);
    indexFile(Span(text.range()), type, path);
    files[type] = std::move(file);
    return true;
  } catch (zun::exception const& e) {
    TextBuffer<1024> prefix;
    prefix.format("Unable to read CC-CEDICT file '%s':\n", path);
    ZUN_LOG_CAUGHT("ERR", prefix.c_str(), e);
    return false;
  }
}

CEDictionary::CEDictionary(const char* name, bool customDefinitionsOnly) : impl(std::make_unique<Impl>()) {
  bool found = false;
  if (!customDefinitionsOnly) {
    FileFinder finder;
    finder.add(CommonDirectory::Resources);
    finder.add(CommonDirectory::Base);
    if (const char* shipped = finder.find(name)) found = impl->open(shipped, CEDictEntry::Shipped);
  }
  FileSystem& files = FileSystem::instance();
  const Text user = files.userPath(name);
  if (files.privateFileExists(user.c_str()))
    found = impl->open(user.c_str(), CEDictEntry::User) || found;
  else if (customDefinitionsOnly)
    Log::print("WARN", "No custom CC-CEDICT file '%s'\n", user.c_str());
  // With only custom definitions wanted, an absent user file is a choice of the user's, not a failure.
  if (!found && !customDefinitionsOnly) {
    Log::print("ERR", "Missing CC-CEDICT file\n");
    ZUN_THROW(CEDictionary::missing_dictionary);
  }
}

CEDictionary::~CEDictionary() = default;

DictionaryItem const* CEDictionary::item(Span const& word) const {
  const auto* node = impl->index.find(word);
  return node ? node->value : nullptr;
}

bool CEDictionary::getInfo(DictionaryEntry const& base, Info& info) const {
  const auto& e = static_cast<CEDictEntry const&>(base);
  info = Info();
  char* buffer = impl->readBuffer;
  buffer[0] = 0;
  PagedFile* file = e.type < 2 ? impl->files[e.type].get() : nullptr;
  const size_t n = file ? file->read(buffer, e.offset, READ_SIZE) : 0;
  // The file may have changed since it was indexed: never trust the recorded fields beyond what was read,
  // and check the separators are where they were.
  const size_t end = size_t(e.definitionOffset) + e.definitionLength;
  if (end > n || buffer[e.traditionalLength] != ' ' || e.pinyinOffset == 0 ||
      buffer[e.pinyinOffset - 1] != '[' || buffer[e.definitionOffset] != '/')
    return false;
  info.traditional.assign(buffer, e.traditionalLength);
  info.simplified.assign(buffer + e.simplifiedOffset, e.simplifiedLength);
  info.pinyin.assign(buffer + e.pinyinOffset, e.pinyinLength);
  getEnglish(Span(buffer + e.definitionOffset, e.definitionLength), info.english, impl->pinyin);
  return true;
}

void CEDictionary::getEnglish(Span const& d, std::string& out, TextBuffer<0>& pinyin) {
  out.clear();
  size_t last = d.length;
  while (last > 1 && d.data[last - 1] != '/')
    --last;
  if (last <= 1) return;
  --last; // the closing "/"
  out.reserve(d.length + 64);
  const char* p = d.data;
  size_t cut = 0;
  size_t pinyinStart = 0; // 0: no "[" open
  int sense = 0;
  for (size_t i = 0; i < last; ++i) {
    if (p[i] == '/') {
      out.append(p + cut, i - cut);
      if (sense) out.append("; ");
      out.append(std::to_string(++sense)).append(". ");
      cut = i + 1;
      pinyinStart = 0; // a bracket never spans senses
    } else if (p[i] == '[') {
      out.append(p + cut, i + 1 - cut);
      cut = pinyinStart = i + 1;
    } else if (p[i] == ']' && pinyinStart) {
      ToneConverter::numbersToTones(Span(p + pinyinStart, i - pinyinStart), pinyin);
      out.append(pinyin.c_str(), pinyin.length());
      cut = i;
      pinyinStart = 0;
    }
  }
  out.append(p + cut, last - cut);
}
