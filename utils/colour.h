// An RGBA colour with its text form "#rrggbb" or "#rrggbbaa" (colour schemes, settings).
#pragma once

#include <cstddef>
#include <cstdint>

struct Colour {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  uint8_t a = 255;

  constexpr Colour() = default;
  constexpr Colour(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) : r(r), g(g), b(b), a(a) {}
  // Opaque black when the text is not a colour.
  explicit Colour(const char* text) { parse(text); }

  // Reads six or eight hexadecimal digits of either case, the "#" optional; reading stops at the first
  // other character or after four pairs. Takes the value and returns true when at least three whole pairs
  // were read and no lone digit is left over; otherwise sets opaque black and returns false.
  bool parse(const char* text);

  // Lowercase "rrggbb", or "rrggbbaa" when not opaque, cut to size - 1 bytes and NUL-terminated.
  void asText(char* out, size_t size) const;

  // Perceived brightness, 0.0 (black) to 1.0 (white).
  float brightness() const { return (0.299f * r + 0.587f * g + 0.114f * b) / 255.0f; }

  bool operator==(Colour const&) const = default;
};
