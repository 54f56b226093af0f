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
  // As printf's "%*": a negative width pads on the right.
  const size_t field = width < 0 ? size_t(-(long long)width) : size_t(width);
  const size_t pad = field > n ? field - n : 0;
  const size_t leading = width < 0 ? 0 : pad;
  size_t length = 0;
  for (size_t i = 0; i < leading && length + 1 < size; ++i)
    out[length++] = ' ';
  for (size_t i = 0; i < n && length + 1 < size; ++i)
    out[length++] = digits[i];
  for (size_t i = leading; i < pad && length + 1 < size; ++i)
    out[length++] = ' ';
  out[length] = 0;
  return length;
}

bool parseDouble(Span const& text, double& value) {
  if (!text.data) return false;
  const char* p = text.begin();
  const char* end = text.end();
  while (p < end && *p == ' ')
    ++p;
  while (end > p && end[-1] == ' ')
    --end;
  double parsed = 0;
  const auto r = std::from_chars(p, end, parsed, std::chars_format::fixed);
  if (p == end || r.ec != std::errc() || r.ptr != end) return false;
  value = parsed;
  return true;
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

OutputStream& operator<<(OutputStream& out, Text const& s) {
  return out << s.span();
}

OutputStream& operator<<(OutputStream& out, unsigned char c) {
  out.write(&c, 1);
  return out;
}

OutputStream& operator<<(OutputStream& out, unsigned long value) {
  return writeUnsigned(out, value);
}

OutputStream& operator<<(OutputStream& out, Format::SizeT value) {
  return writeUnsigned(out, value.value);
}

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
