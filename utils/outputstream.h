// The one byte sink of the system: files, memory, digests and script output are all written through it.
// Numbers are formatted on the stack and written with one write() each; stored numbers always use the C
// locale (only Number follows the user's locale).
#pragma once

#include "utils/span.h"

#include <cstddef>

class Text;

class OutputStream {
public:
  virtual ~OutputStream() = default;
  // Returns the number of bytes taken.
  virtual size_t write(const void* data, size_t size) = 0;
};

namespace Format {
struct Int {
  int value;
};
struct SizeT {
  size_t value;
};
struct Float {
  float value;
  int precision;
  int width;
};
struct Double {
  double value;
  int precision;
  int width;
};

// "%*.*f" in the C locale, whatever the process locale is. Returns the length written to out (NUL added).
size_t fixed(double value, int precision, int width, char* out, size_t size);
// Reads back a number written by fixed(): C-locale digits, blanks around it allowed, nothing else.
bool parseDouble(Span const& text, double& value);
} // namespace Format

OutputStream& operator<<(OutputStream& out, const char* s);
OutputStream& operator<<(OutputStream& out, Span const& s);
OutputStream& operator<<(OutputStream& out, Text const& s);
OutputStream& operator<<(OutputStream& out, unsigned char c);
OutputStream& operator<<(OutputStream& out, unsigned long value);
OutputStream& operator<<(OutputStream& out, Format::SizeT value);
OutputStream& operator<<(OutputStream& out, Format::Int value);
OutputStream& operator<<(OutputStream& out, Format::Float value);
OutputStream& operator<<(OutputStream& out, Format::Double value);

// Discards everything.
class NullOutputStream : public OutputStream {
public:
  size_t write(const void*, size_t size) override { return size; }
};
