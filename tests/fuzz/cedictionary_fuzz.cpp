// CC-CEDICT files, as the user's own dictionary. A reference reader takes each line apart by the format
// ("traditional simplified [pinyin] /sense/sense/", "#" comments, a byte-order mark at the start skipped);
// every headword must list exactly its entries in file order, each read back field by field, and senses
// numbered as the definition gives them.
#include "fuzz.h"

#include "dictionary/cedictionary.h"
#include "utils/filesystem.h"

#include <map>

namespace {

struct Entry {
  std::string_view traditional, simplified, pinyin, definition;
};

// The entries of the text; lines whose fields do not fit the 4,096 bytes read back are left out.
std::vector<Entry> readReference(std::string_view text) {
  std::vector<Entry> entries;
  for (std::string_view line : fuzz::lines(fuzz::withoutMark(text))) {
    if (line.empty() || line[0] == '#' || line.size() > 4096) continue;
    const size_t first = line.find(' ');
    const size_t second = first == line.npos ? line.npos : line.find(' ', first + 1);
    const size_t open = second == line.npos ? line.npos : line.find('[', second + 1);
    const size_t close = open == line.npos ? line.npos : line.find(']', open + 1);
    const size_t slash = close == line.npos ? line.npos : line.find('/', close + 1);
    if (slash == line.npos || first == 0 || second == first + 1) continue;
    entries.push_back(Entry{line.substr(0, first), line.substr(first + 1, second - first - 1),
                            line.substr(open + 1, close - open - 1), line.substr(slash)});
  }
  return entries;
}

// "/a/b/" is "1. a; 2. b": the senses between the first and the last "/".
std::string senses(std::string_view definition) {
  const size_t last = definition.rfind('/');
  if (last == 0 || last == definition.npos) return "";
  std::string out;
  size_t start = 1;
  for (int n = 1; start <= last; ++n) {
    const size_t end = definition.find('/', start);
    if (n > 1) out += "; ";
    out += std::to_string(n) + ". " + std::string(definition.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

void check(CEDictionary const& dictionary, std::string_view text) {
  std::map<std::string_view, std::vector<Entry const*>> byHeadword;
  const std::vector<Entry> entries = readReference(text);
  for (Entry const& e : entries) {
    byHeadword[e.traditional].push_back(&e);
    if (e.simplified != e.traditional) byHeadword[e.simplified].push_back(&e);
  }
  for (auto const& [headword, list] : byHeadword) {
    DictionaryItem const* item = dictionary.item(Span(headword));
    const std::string where = "headword " + fuzz::show(headword) + " in " + fuzz::show(text, 400);
    FUZZ_CHECK("cedict: a headword lists its entries", item && item->size() == list.size(),
               where + " has " + std::to_string(item ? item->size() : 0) + " entries, want " +
                   std::to_string(list.size()));
    for (size_t i = 0; i < list.size(); ++i) {
      Dictionary::Info info;
      Entry const& e = *list[i];
      FUZZ_CHECK("cedict: an entry reads back", dictionary.getInfo(*item->elementAt(i), info), where);
      FUZZ_CHECK("cedict: an entry's fields are its line's",
                 info.traditional == e.traditional && info.simplified == e.simplified &&
                     info.pinyin == e.pinyin,
                 where + " entry " + std::to_string(i) + " read " + fuzz::show(info.traditional) + " " +
                     fuzz::show(info.simplified) + " " + fuzz::show(info.pinyin));
      if (e.definition.find('[') == std::string_view::npos)
        FUZZ_CHECK("cedict: senses are numbered as the definition gives them",
                   info.english == senses(e.definition),
                   where + " definition " + fuzz::show(e.definition) + " gave " + fuzz::show(info.english));
    }
  }
  for (Entry const& e : entries)
    if (!byHeadword.count(e.pinyin))
      FUZZ_CHECK("cedict: only headwords have items", !dictionary.item(Span(e.pinyin)), fuzz::show(e.pinyin));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const std::string path = [] {
    FileSystem::instance().privateEnsurePath(FileSystem::instance().userPath("data/").c_str());
    return std::string(FileSystem::instance().userPath("data/fuzz.u8").c_str());
  }();
  fuzz::writeFile(path, text);
  const CEDictionary dictionary("data/fuzz.u8", true);
  check(dictionary, text);
  return 0;
}
