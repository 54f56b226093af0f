// Each number is read like atoi from its start; the next one starts after the digits and a ".", or at the
// byte that ended the digits when that is not a "." (so "1-2.3" reads 1, -2, -2).
#include "utils/version.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

// atoi without its undefined behaviour on overflow: out-of-range values are clamped.
int readNumber(const char* p) {
  errno = 0;
  const long value = std::strtol(p, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return int(value);
}

const char* nextStart(const char* p) {
  while (*p >= '0' && *p <= '9')
    ++p;
  return *p == '.' ? p + 1 : p;
}

} // namespace

Version::Version(const char* text) {
  if (!text) return;
  const char* p = text;
  major = readNumber(p);
  p = nextStart(p);
  minor = readNumber(p);
  p = nextStart(p);
  patch = readNumber(p);
}

size_t Version::asText(char* out, size_t size) const {
  if (!out || size == 0) return 0;
  const int n = std::snprintf(out, size, "%d.%d.%d", major, minor, patch);
  if (n < 0) {
    out[0] = 0;
    return 0;
  }
  return size_t(n) < size ? size_t(n) : size - 1;
}
