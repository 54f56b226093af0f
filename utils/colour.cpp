#include "utils/colour.h"

#include "utils/hexdigit.h"

#include <cstdio>

bool Colour::parse(const char* text) {
  *this = Colour();
  if (!text) return false;
  if (*text == '#') ++text;
  uint8_t channels[4] = {0, 0, 0, 255};
  int pairs = 0;
  for (; pairs < 4; ++pairs, text += 2) {
    const int high = hexDigitValue(text[0]);
    if (high < 0) break;
    const int low = hexDigitValue(text[1]);
    if (low < 0) return false; // a lone digit
    channels[pairs] = uint8_t(high << 4 | low);
  }
  if (pairs < 3) return false;
  *this = Colour(channels[0], channels[1], channels[2], channels[3]);
  return true;
}

void Colour::asText(char* out, size_t size) const {
  if (!out || size == 0) return;
  int n = a == 255 ? std::snprintf(out, size, "%02x%02x%02x", r, g, b)
                   : std::snprintf(out, size, "%02x%02x%02x%02x", r, g, b, a);
  if (n < 0) out[0] = 0;
}
