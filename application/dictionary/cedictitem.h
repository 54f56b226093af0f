// The dictionary's index records: one CEDictEntry per line of a dictionary file (where the line is and
// where its fields lie in it; the text itself stays on disk), and one CEDictItem per headword listing its
// entries. Both live in the dictionary's large node blocks, hundreds of thousands of them, so they keep
// their few fields directly rather than behind an Impl each.
#pragma once

#include "dictionary/dictionary.h"

#include <cstdint>

class CEDictEntry : public DictionaryEntry {
public:
  enum DictionaryType : uint32_t { Shipped = 0, User = 1 };

  uint64_t offset = 0; // of the line (its traditional headword) in its file
  uint32_t type = Shipped;
  uint16_t traditionalLength = 0;
  uint16_t simplifiedOffset = 0; // this and the other offsets count from the line start
  uint16_t simplifiedLength = 0;
  uint16_t pinyinOffset = 0; // the text between "[" and "]"
  uint16_t pinyinLength = 0;
  uint16_t definitionOffset = 0; // from the first "/" to the line end
  uint16_t definitionLength = 0;
};

class CEDictItem : public DictionaryItem {
public:
  struct Node {
    Node* next;
    CEDictEntry entry;
  };

  unsigned long size() const override { return m_count; }
  DictionaryEntry const* first() const override;
  DictionaryEntry const* next() const override;
  DictionaryEntry const* elementAt(unsigned long i) const override;

  // Links the node (not owned) at the end of the list.
  void append(Node* node);
  void reset();

private:
  Node* m_first = nullptr;
  Node* m_last = nullptr;
  mutable Node* m_cursor = nullptr; // the entry first()/next() returned last; null before and past the end
  unsigned long m_count = 0;
};
