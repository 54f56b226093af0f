// The dictionary as its users see it (definition popup, exporters, controller, scripts): headwords map to
// items, an item lists its entries, and an entry's text is read on request. CEDictionary implements it.
#pragma once

#include "utils/span.h"

#include <string>

// One definition of a headword; only the dictionary that made it can read it.
class DictionaryEntry {
public:
  virtual ~DictionaryEntry();
};

// The entries of one headword, in file order. first() and next() move a cursor kept in the item, so one
// thread at a time walks it.
class DictionaryItem {
public:
  virtual ~DictionaryItem();
  virtual unsigned long size() const = 0;
  // Null when the item is empty.
  virtual DictionaryEntry const* first() const = 0;
  // The entry after the cursor; null past the last one, and null again until first().
  virtual DictionaryEntry const* next() const = 0;
  // Null when i >= size().
  virtual DictionaryEntry const* elementAt(unsigned long i) const = 0;
};

class Dictionary {
public:
  struct Info {
    std::string simplified;
    std::string traditional;
    std::string pinyin;  // numbered, as in the file
    std::string english; // numbered senses, pinyin in brackets with tone marks
  };

  virtual ~Dictionary();
  // Null when the word is not a headword. The item lives as long as the dictionary.
  virtual DictionaryItem const* item(Span const& word) const = 0;
  // Fills info from the entry's file. False, with info cleared, when the entry could not be read back
  // (its file is gone or no longer holds the line).
  virtual bool getInfo(DictionaryEntry const& entry, Info& info) const = 0;
};
