#include "utils/span.h"

#include <algorithm>

namespace System {
const Span NEWLINE("\n", 1);
}

namespace {
bool isContinuation(unsigned char c) {
  // Lead bytes are 0xC0-0xF7; anything else with the top bit set counts as a trailing byte.
  return (c & 0x80) && !(c >= 0xC0 && c <= 0xF7);
}
} // namespace

void Span::copyTo(char* out, size_t size) const {
  if (!out || size == 0) return;
  if (!data) {
    out[0] = 0;
    return;
  }
  size_t n = length;
  if (n >= size) {
    n = size - 1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    // The character whose lead byte sits at the cut is left out whole.
    while (n > 0 && isContinuation(bytes[n]))
      --n;
  }
  if (n) std::memmove(out, data, n); // out may be where the bytes are (a buffer assigned its own text)
  out[n] = 0;
}

int Span::compare(Span const& other) const {
  const size_t common = std::min(length, other.length);
  if (common) {
    const int c = std::memcmp(data, other.data, common);
    if (c) return c;
  }
  return length < other.length ? -1 : (length > other.length ? 1 : 0);
}
