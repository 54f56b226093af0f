// An output stream into a growing array (exports built in memory, tests).
#pragma once

#include "utils/outputstream.h"

#include <string_view>

class MemoryOutputStream : public OutputStream {
public:
  // 0 means 4,096 bytes.
  explicit MemoryOutputStream(size_t initialCapacity = 0);
  ~MemoryOutputStream() override;
  MemoryOutputStream(MemoryOutputStream const&) = delete;
  MemoryOutputStream& operator=(MemoryOutputStream const&) = delete;

  size_t write(const void* data, size_t n) override;
  // Makes the capacity at least n, copying the contents when keep is set.
  void reserve(size_t n, bool keep);
  void clear() { m_size = 0; }

  const char* data() const { return m_data; }
  size_t size() const { return m_size; }
  size_t capacity() const { return m_capacity; }
  std::string_view view() const { return std::string_view(m_data, m_size); }

private:
  char* m_data = nullptr;
  size_t m_capacity = 0;
  size_t m_size = 0;
};
