#include "utils/text.h"

#include <cstring>
#include <utility>

Text::Text(const char* s) : Text(s, s ? std::strlen(s) : 0) {}

Text::Text(const char* data, size_t length) {
  if (!data) return;
  m_string = new char[length + 1];
  if (length) std::memcpy(m_string, data, length);
  m_string[length] = 0;
  m_length = length;
}

Text& Text::operator=(Text const& other) {
  if (this != &other) {
    Text copy(other);
    swap(copy);
  }
  return *this;
}

Text& Text::operator=(Text&& other) noexcept {
  if (this != &other) {
    Text taken(std::move(other));
    swap(taken);
  }
  return *this;
}

Text& Text::operator=(const char* s) {
  Text copy(s);
  swap(copy);
  return *this;
}

Text& Text::operator=(Span const& s) {
  Text copy(s.data, s.length);
  swap(copy);
  return *this;
}

void Text::clear() {
  delete[] m_string;
  m_string = nullptr;
  m_length = 0;
}

void Text::swap(Text& other) noexcept {
  std::swap(m_string, other.m_string);
  std::swap(m_length, other.m_length);
}
