#include "text/proficiencylevel.h"

#include <algorithm>
#include <cstring>

size_t ProficiencyLevel::asText(char* buffer, size_t size) const {
  if (!buffer || size == 0) return 0;
  static constexpr size_t CAP = 20;
  char text[CAP + 1];
  size_t length = 0;
  for (int level = 1; level <= 6; ++level) {
    if (!(hsk & (1u << (level - 1)))) continue;
    const char piece[] = {',', ' ', char('0' + level)};
    const char* from = length ? piece : piece + 2;
    const size_t n = std::min(length ? size_t(3) : size_t(1), CAP - length);
    std::memcpy(text + length, from, n);
    length += n;
  }
  if (length == 0) text[length++] = '*';
  const size_t copied = std::min(length, size - 1);
  std::memcpy(buffer, text, copied);
  buffer[copied] = 0;
  return copied;
}
