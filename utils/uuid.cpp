#include "utils/uuid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <random>

namespace {

void randomBytes(uint8_t* out, size_t n) {
  size_t got = 0;
  while (got < n) {
    const ssize_t r = getrandom(out + got, n - got, 0);
    if (r > 0)
      got += size_t(r);
    else if (r < 0 && errno != EINTR)
      break;
  }
  if (got == n) return;
  // Kernels without getrandom: the library's source of randomness.
  std::random_device device;
  for (; got < n; ++got)
    out[got] = uint8_t(device());
}

} // namespace

Text Uuid::createAsString() {
  uint8_t b[16];
  randomBytes(b, sizeof b);
  b[6] = uint8_t((b[6] & 0x0F) | 0x40); // version 4
  b[8] = uint8_t((b[8] & 0x3F) | 0x80); // RFC 4122 variant
  static const char digits[] = "0123456789ABCDEF";
  char text[37];
  size_t n = 0;
  for (size_t i = 0; i < sizeof b; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text[n++] = '-';
    text[n++] = digits[b[i] >> 4];
    text[n++] = digits[b[i] & 0xF];
  }
  text[n] = 0;
  return Text(text, n);
}
