#include "views/definitionentry.h"

#include "dictionary/toneconverter.h"
#include "utils/textbuffer.h"
#include "views/definitionconfig.h"

std::vector<Dictionary::Info> DefinitionEntry::lookUp(Dictionary const* dictionary, Span const& word) {
  std::vector<Dictionary::Info> records;
  DictionaryItem const* item = dictionary ? dictionary->item(word) : nullptr;
  if (!item) return records;
  for (unsigned long i = 0; i < item->size(); ++i) {
    DictionaryEntry const* entry = item->elementAt(i);
    Dictionary::Info info;
    if (entry && dictionary->getInfo(*entry, info)) records.push_back(std::move(info));
  }
  return records;
}

std::vector<DefinitionEntry> DefinitionEntry::build(Span const& word,
                                                    std::vector<Dictionary::Info> const& records,
                                                    DefinitionConfig const& config) {
  std::vector<DefinitionEntry> entries;
  if (records.empty()) {
    entries.emplace_back();
    entries.back().english = NO_DEFINITION;
    return entries;
  }
  const std::string_view looked = word.view();
  std::string previousOther, previousPinyin;
  TextBuffer<0> toned;
  for (size_t i = 0; i < records.size(); ++i) {
    Dictionary::Info const& record = records[i];
    DefinitionEntry entry;
    const bool traditional = looked == record.traditional;
    entry.headwordFont = traditional ? DefinitionConfig::Traditional : DefinitionConfig::Simplified;
    entry.otherFont = traditional ? DefinitionConfig::Simplified : DefinitionConfig::Traditional;
    std::string const& other = traditional ? record.simplified : record.traditional;
    std::string_view compareWith;
    if (i > 0 && other == previousOther) {
      compareWith = previousPinyin;
    } else {
      entry.headword = looked;
      if (other != looked)
        entry.other = "[ " + other + " ]";
      else
        entry.headwordFont = config.headwordCharacterSet;
    }
    if (record.pinyin != compareWith) {
      if (config.useToneMarks) {
        ToneConverter::numbersToTones(Span(record.pinyin), toned);
        entry.pinyin = toned.view();
      } else {
        entry.pinyin = record.pinyin;
      }
    }
    entry.english = record.english;
    if (entry.headword.empty() && entry.pinyin.empty() && entry.english.empty())
      entry.english = NO_DEFINITION;
    previousOther = other;
    previousPinyin = record.pinyin;
    entries.push_back(std::move(entry));
  }
  return entries;
}
