#include "utils/memoryoutputstream.h"

#include <cstring>

MemoryOutputStream::MemoryOutputStream(size_t initialCapacity) {
  reserve(initialCapacity ? initialCapacity : 4096, false);
}

MemoryOutputStream::~MemoryOutputStream() {
  delete[] m_data;
}

size_t MemoryOutputStream::write(const void* data, size_t n) {
  if (!n) return 0;
  if (m_size + n > m_capacity) reserve(size_t(double(m_size + n) * 1.5), true);
  std::memcpy(m_data + m_size, data, n);
  m_size += n;
  return n;
}

void MemoryOutputStream::reserve(size_t n, bool keep) {
  if (m_capacity >= n) return;
  char* bigger = new char[n];
  if (keep && m_size)
    std::memcpy(bigger, m_data, m_size);
  else if (!keep)
    m_size = 0;
  delete[] m_data;
  m_data = bigger;
  m_capacity = n;
}
