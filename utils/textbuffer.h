// Character buffers with printf-style formatting. TextBuffer<N> holds at most N bytes and cuts what does not
// fit; TextBuffer<0> grows by a factor of 1.5 and never cuts.
#pragma once

#include "utils/span.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#define QM_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

template <size_t N> class TextBuffer {
  static_assert(N > 0);

public:
  TextBuffer() = default;
  explicit TextBuffer(Span const& s) { assign(s); }

  // Replaces the content; the result is cut at N bytes. The arguments may be this buffer's own text
  // (path.format("%s/%s", path.c_str(), name)).
  void format(const char* fmt, ...) QM_PRINTF(2, 3) {
    va_list args;
    va_start(args, fmt);
    m_length = 0; // the old bytes stay readable until the result is copied in
    appendFormatV(fmt, args);
    m_text[m_length] = 0;
    va_end(args);
  }
  void appendFormat(const char* fmt, ...) QM_PRINTF(2, 3) {
    va_list args;
    va_start(args, fmt);
    appendFormatV(fmt, args);
    va_end(args);
  }
  void appendFormatV(const char* fmt, va_list args) {
    if (!fmt) return;
    // Formatted apart, then copied: an argument may point into m_text.
    char scratch[N + 1];
    const int produced = std::vsnprintf(scratch, N + 1 - m_length, fmt, args);
    if (produced < 0) return; // an encoding error leaves the old content
    const size_t n = std::min(size_t(produced), N - m_length);
    std::memcpy(m_text + m_length, scratch, n);
    m_length += n;
    m_text[m_length] = 0;
  }

  // Appends, cut so that the length stays at most N.
  void append(const char* s) {
    if (s) append(Span(s));
  }
  void append(Span const& s) {
    if (!s.data) return;
    const size_t n = std::min(s.length, N - m_length);
    std::memcpy(m_text + m_length, s.data, n);
    m_length += n;
    m_text[m_length] = 0;
  }
  // Replaces the content, cut at a character boundary.
  void assign(Span const& s) {
    s.copyTo(m_text, N + 1);
    m_length = s.data ? std::strlen(m_text) : 0;
    if (!s.data) m_text[0] = 0;
  }
  void clear() {
    m_length = 0;
    m_text[0] = 0;
  }
  // Shortens to n bytes (no-op when already shorter).
  void truncate(size_t n) {
    if (n < m_length) {
      m_length = n;
      m_text[n] = 0;
    }
  }

  // True when the content fills the whole capacity, so something may have been cut.
  bool full() const { return m_length == N; }
  static constexpr size_t capacity() { return N; }
  const char* c_str() const { return m_text; }
  char* buffer() { return m_text; }
  size_t length() const { return m_length; }
  bool empty() const { return m_length == 0; }
  Span span() const { return Span(m_text, m_length); }
  operator Span() const { return span(); }
  std::string_view view() const { return std::string_view(m_text, m_length); }

private:
  size_t m_length = 0;
  char m_text[N + 1] = {0};
};

template <> class TextBuffer<0> {
public:
  TextBuffer() : m_buffer(new char[101]), m_bufferSize(100) { m_buffer[0] = 0; }
  explicit TextBuffer(const char* s) : TextBuffer() { assign(s); }
  explicit TextBuffer(Span const& s) : TextBuffer() { assign(s.data, s.length); }
  TextBuffer(TextBuffer const& o) : TextBuffer() {
    m_growFactor = o.m_growFactor;
    assign(o.m_buffer, o.m_size);
  }
  TextBuffer(TextBuffer&& o) noexcept
      : m_buffer(std::exchange(o.m_buffer, nullptr)), m_size(std::exchange(o.m_size, 0)),
        m_bufferSize(std::exchange(o.m_bufferSize, 0)), m_growFactor(o.m_growFactor) {}
  TextBuffer& operator=(TextBuffer const& o) {
    if (this != &o) assign(o.m_buffer, o.m_size);
    return *this;
  }
  TextBuffer& operator=(TextBuffer&& o) noexcept {
    if (this != &o) {
      std::swap(m_buffer, o.m_buffer);
      std::swap(m_size, o.m_size);
      std::swap(m_bufferSize, o.m_bufferSize);
      std::swap(m_growFactor, o.m_growFactor);
    }
    return *this;
  }
  ~TextBuffer() { delete[] m_buffer; }

  // Makes room for n bytes plus a NUL; grows to n x the growth factor. Returns n.
  size_t reserve(size_t n, bool keep) {
    delete[] grow(n, keep);
    return n;
  }

  void assign(const char* s) { assign(s, s ? std::strlen(s) : 0); }
  void assign(const char* data, size_t length) {
    if (!data) {
      clear();
      return;
    }
    if (data >= m_buffer && m_buffer && data < m_buffer + m_bufferSize + 1) {
      TextBuffer copy(Span(data, length)); // assigning from our own bytes
      *this = std::move(copy);
      return;
    }
    reserve(length, false);
    std::memcpy(m_buffer, data, length);
    m_size = length;
    m_buffer[m_size] = 0;
  }
  void append(const char* s) {
    if (s) append(Span(s));
  }
  void append(Span const& s) {
    if (!s.data || !s.length) return;
    if (m_buffer && s.data >= m_buffer && s.data < m_buffer + m_bufferSize + 1) {
      TextBuffer copy(s);
      append(copy.span());
      return;
    }
    reserve(m_size + s.length, true);
    std::memcpy(m_buffer + m_size, s.data, s.length);
    m_size += s.length;
    m_buffer[m_size] = 0;
  }
  void append(char c) { append(Span(&c, 1)); }

  void appendFormat(const char* fmt, ...) QM_PRINTF(2, 3) {
    va_list args;
    va_start(args, fmt);
    appendFormatV(fmt, args);
    va_end(args);
  }
  void appendFormatV(const char* fmt, va_list args) {
    if (!fmt) return;
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    if (needed <= 0) return;
    // Formatted apart, then appended: an argument may point into our own bytes, which formatting in place
    // would overwrite while it reads them.
    char small[256];
    std::unique_ptr<char[]> large(size_t(needed) < sizeof small ? nullptr : new char[size_t(needed) + 1]);
    char* scratch = large ? large.get() : small;
    std::vsnprintf(scratch, size_t(needed) + 1, fmt, args);
    append(Span(scratch, size_t(needed)));
  }
  // Formats into a new array, so that arguments pointing into the old text stay readable.
  void format(const char* fmt, ...) QM_PRINTF(2, 3) {
    TextBuffer fresh;
    fresh.m_growFactor = m_growFactor;
    va_list args;
    va_start(args, fmt);
    fresh.appendFormatV(fmt, args);
    va_end(args);
    *this = std::move(fresh);
  }

  void clear() {
    if (!m_buffer) reserve(0, false);
    m_size = 0;
    m_buffer[0] = 0;
  }
  void truncate(size_t n) {
    if (n < m_size) {
      m_size = n;
      m_buffer[n] = 0;
    }
  }

  const char* c_str() const { return m_buffer ? m_buffer : ""; }
  char* buffer() { return m_buffer; }
  size_t length() const { return m_size; }
  size_t capacity() const { return m_bufferSize; }
  bool empty() const { return m_size == 0; }
  Span span() const { return Span(m_buffer, m_size); }
  operator Span() const { return span(); }
  std::string_view view() const { return span().view(); }

private:
  // Replaces the array when it is smaller than n and returns the old one for the caller to free (null
  // when nothing changed).
  char* grow(size_t n, bool keep) {
    if (m_buffer && m_bufferSize >= n) return nullptr;
    const size_t capacity = std::max(n, size_t(float(n) * m_growFactor));
    char* bigger = new char[capacity + 1];
    if (keep && m_buffer)
      std::memcpy(bigger, m_buffer, m_size);
    else
      m_size = 0;
    char* old = m_buffer;
    m_buffer = bigger;
    m_bufferSize = capacity;
    m_buffer[m_size] = 0;
    return old;
  }

  char* m_buffer = nullptr;
  size_t m_size = 0;
  size_t m_bufferSize = 0;
  float m_growFactor = 1.5f;
};
