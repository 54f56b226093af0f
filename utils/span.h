// Non-owning views of UTF-8 bytes: the key type of every table, word and search term.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

struct Span {
  const char* data = nullptr;
  size_t length = 0;

  constexpr Span() = default;
  constexpr Span(const char* d, size_t n) : data(d), length(n) {}
  // A NUL-terminated string; null gives the empty span.
  Span(const char* s) : data(s), length(s ? std::strlen(s) : 0) {}
  constexpr Span(std::string_view v) : data(v.data()), length(v.size()) {}

  bool empty() const { return length == 0; }
  const char* begin() const { return data; }
  const char* end() const { return data + length; }
  std::string_view view() const { return data ? std::string_view(data, length) : std::string_view(); }

  // Writes the bytes and a NUL into out[size], cut so that no multi-byte character is split; a null
  // source writes "". Nothing is written when out is null or size is 0.
  void copyTo(char* out, size_t size) const;

  // Byte-wise order, the shorter first on a tie.
  int compare(Span const& other) const;
  bool operator==(Span const& o) const {
    return length == o.length && (length == 0 || std::memcmp(data, o.data, length) == 0);
  }
  bool operator<(Span const& o) const { return compare(o) < 0; }
};

// The input handed to a tokenizer or parser.
struct Utf8Range {
  const char* data = nullptr;
  size_t length = 0;

  constexpr Utf8Range() = default;
  constexpr Utf8Range(const char* d, size_t n) : data(d), length(n) {}
  constexpr Utf8Range(Span s) : data(s.data), length(s.length) {}
  const char* end() const { return data + length; }
  operator Span() const { return Span(data, length); }
};

namespace System {
extern const Span NEWLINE;
}
