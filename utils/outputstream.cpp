#include "utils/outputstream.h"

#include "utils/text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace Format {

size_t fixed(double value, int precision, int width, char* out, size_t size) {
  if (!out || size == 0) return 0;
  char digits[512];
  if (precision < 0) precision = 6;
  if (precision > 100) precision = 100;
  size_t n;
  if (std::isfinite(value)) {
    const auto r = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision);
    n = r.ec == std::errc() ? size_t(r.ptr - digits) : 0;
  } else {
    const char* word = std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    n = std::strlen(word);
    std::memcpy(digits, word, n);
  }
  const size_t pad = width > 0 && size_t(width) > n ? size_t(width) - n : 0;
  size_t length = 0;
  for (size_t i = 0; i < pad && length + 1 < size; ++i) out[length++] = ' ';
  for (size_t i = 0; i < n && length + 1 < size; ++i) out[length++] = digits[i];
  out[length] = 0;
  return length;
}

} // namespace Format

namespace {
OutputStream& writeUnsigned(OutputStream& out, unsigned long long value) {
  char text[24];
  const auto r = std::to_chars(text, text + sizeof text, value);
  out.write(text, size_t(r.ptr - text));
  return out;
}
} // namespace

OutputStream& operator<<(OutputStream& out, const char* s) {
  if (s && *s) out.write(s, std::strlen(s));
  return out;
}

OutputStream& operator<<(OutputStream& out, Span const& s) {
  if (s.data && s.length) out.write(s.data, s.length);
  return out;
}

OutputStream& operator<<(OutputStream& out, Text const& s) { return out << s.span(); }

OutputStream& operator<<(OutputStream& out, unsigned char c) {
  out.write(&c, 1);
  return out;
}

OutputStream& operator<<(OutputStream& out, unsigned long value) { return writeUnsigned(out, value); }

OutputStream& operator<<(OutputStream& out, Format::SizeT value) { return writeUnsigned(out, value.value); }

OutputStream& operator<<(OutputStream& out, Format::Int value) {
  char text[16];
  const auto r = std::to_chars(text, text + sizeof text, value.value);
  out.write(text, size_t(r.ptr - text));
  return out;
}

OutputStream& operator<<(OutputStream& out, Format::Float value) {
  return out << Format::Double{value.value, value.precision, value.width};
}

OutputStream& operator<<(OutputStream& out, Format::Double value) {
  char text[1024];
  const size_t n = Format::fixed(value.value, value.precision, value.width, text, sizeof text);
  out.write(text, n);
  return out;
}
