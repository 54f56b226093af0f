// A dictionary held in memory, for the definition popup's tests: each added record is an entry of both its
// character forms; an entry whose English is "(gone)" cannot be read back (as when the file changed).
#pragma once

#include "dictionary/dictionary.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qmtest {

class MemoryDictionary : public Dictionary {
public:
  struct Entry : DictionaryEntry {
    Dictionary::Info info;
  };
  struct Item : DictionaryItem {
    std::vector<std::unique_ptr<Entry>> entries;
    mutable unsigned long cursor = 0;
    unsigned long size() const override { return entries.size(); }
    DictionaryEntry const* first() const override { return elementAt(cursor = 0); }
    DictionaryEntry const* next() const override { return elementAt(++cursor); }
    DictionaryEntry const* elementAt(unsigned long i) const override {
      return i < entries.size() ? entries[i].get() : nullptr;
    }
  };

  void add(Dictionary::Info const& info) {
    for (std::string const& form : {info.simplified, info.traditional}) {
      auto& item = items[form];
      if (!item.entries.empty() && item.entries.back()->info.english == info.english) continue;
      item.entries.push_back(std::make_unique<Entry>());
      item.entries.back()->info = info;
    }
  }
  DictionaryItem const* item(Span const& word) const override {
    auto found = items.find(std::string(word.view()));
    return found == items.end() ? nullptr : &found->second;
  }
  bool getInfo(DictionaryEntry const& entry, Dictionary::Info& info) const override {
    info = static_cast<Entry const&>(entry).info;
    if (info.english != "(gone)") return true;
    info = Dictionary::Info{};
    return false;
  }

  std::map<std::string, Item> items;
};

} // namespace qmtest
