#include "text/wordlistfile.h"

WordListFile::WordListFile(const char* path) : m_mapping(path), m_size(m_mapping.fileSize()) {
  if (m_size == 0) return;
  m_address = m_mapping.map(0, 0);
  if (!m_address) ZUN_THROW(WordListFile::mapping_error);
}

WordListFile::~WordListFile() {
  if (m_address) m_mapping.unmap(m_address, m_size);
}
