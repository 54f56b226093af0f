// The text of a number as the views show it, in the user's locale: digits grouped by three with the
// locale's grouping separator, and the locale's decimal separator. Stored numbers never go through here
// (they are written in the C locale by Format::Double and friends).
#pragma once

#include "utils/span.h"
#include "utils/text.h"

#include <cstddef>

class Number {
public:
  static constexpr size_t CAPACITY = 127;

  // The separators of the user's locale, UTF-8. The desktop program sets them once at start-up from its
  // toolkit's locale; until then they are English ("," and ".").
  struct Locale {
    Text groupSeparator{","};
    Text decimalSeparator{"."};
  };
  static void setLocale(Locale const& locale);
  static Locale locale();

  Number() = default;
  explicit Number(int value) { reset(value); }
  explicit Number(unsigned long value) { reset(value); }
  Number(double value, int decimals) { reset(value, decimals); }

  // Grouped integer, no decimal separator ("1,234,567").
  void reset(int value);
  void reset(unsigned long value);
  // Exactly decimals fraction digits (negative counts as 0), the decimal separator always shown: with 0
  // decimals the text ends with it ("2.").
  void reset(double value, int decimals);

  // The text, cut to 127 bytes at a character boundary.
  const char* text() const { return m_text; }
  Span span() const { return Span(m_text, m_length); }
  size_t size() const { return m_length; }

private:
  void store(bool negative, Span digits, Span fraction, bool withSeparator);

  size_t m_length = 0;
  char m_text[CAPACITY + 1] = {0};
};
