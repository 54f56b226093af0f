#include "dictionary/cedictitem.h"

DictionaryEntry const* CEDictItem::first() const {
  m_cursor = m_first;
  return m_cursor ? &m_cursor->entry : nullptr;
}

DictionaryEntry const* CEDictItem::next() const {
  if (m_cursor) m_cursor = m_cursor->next;
  return m_cursor ? &m_cursor->entry : nullptr;
}

DictionaryEntry const* CEDictItem::elementAt(unsigned long i) const {
  Node* n = m_first;
  for (; n && i; --i)
    n = n->next;
  return n ? &n->entry : nullptr;
}

void CEDictItem::append(Node* node) {
  node->next = nullptr;
  if (m_last)
    m_last->next = node;
  else
    m_first = node;
  m_last = node;
  ++m_count;
}

void CEDictItem::reset() {
  m_first = m_last = m_cursor = nullptr;
  m_count = 0;
}
