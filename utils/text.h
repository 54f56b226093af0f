// An owned, NUL-terminated string with its length.
#pragma once

#include "utils/span.h"

#include <string_view>

class Text {
public:
  Text() = default;
  Text(const char* s);
  Text(const char* data, size_t length);
  explicit Text(Span const& s) : Text(s.data, s.length) {}
  Text(Text const& other) : Text(other.m_string, other.m_length) {}
  Text(Text&& other) noexcept : m_string(other.m_string), m_length(other.m_length) {
    other.m_string = nullptr;
    other.m_length = 0;
  }
  ~Text() { delete[] m_string; }

  Text& operator=(Text const& other);
  Text& operator=(Text&& other) noexcept;
  Text& operator=(const char* s);
  Text& operator=(Span const& s);

  void clear();
  void swap(Text& other) noexcept;

  // Never null: an empty Text reads as "".
  const char* c_str() const { return m_string ? m_string : ""; }
  // Null for an empty Text.
  const char* data() const { return m_string; }
  size_t length() const { return m_length; }
  bool empty() const { return m_length == 0; }
  Span span() const { return Span(m_string, m_length); }
  operator Span() const { return span(); }
  std::string_view view() const { return span().view(); }
  void copyTo(char* out, size_t size) const { span().copyTo(out, size); }

  bool operator==(Text const& o) const { return span() == o.span(); }
  bool operator==(const char* s) const { return span() == Span(s); }

private:
  char* m_string = nullptr;
  size_t m_length = 0;
};
