// The locale is process-wide and may be set while views format on another thread, so it is copied under
// a lock for each number.
#include "utils/number.h"

#include "utils/textbuffer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {

std::mutex& localeMutex() {
  static std::mutex m;
  return m;
}

Number::Locale& currentLocale() {
  static Number::Locale* locale = new Number::Locale; // used by views until exit
  return *locale;
}

constexpr size_t MAX_SEPARATOR = 16;

struct Separators {
  TextBuffer<MAX_SEPARATOR> group;
  TextBuffer<MAX_SEPARATOR> decimal;
};

Separators separators() {
  std::lock_guard lock(localeMutex());
  Separators s;
  s.group.assign(currentLocale().groupSeparator.span());
  s.decimal.assign(currentLocale().decimalSeparator.span());
  return s;
}

} // namespace

void Number::setLocale(Locale const& locale) {
  Locale copy = locale;
  std::lock_guard lock(localeMutex());
  currentLocale() = std::move(copy);
}

Number::Locale Number::locale() {
  std::lock_guard lock(localeMutex());
  return currentLocale();
}

void Number::reset(int value) {
  char digits[16];
  // Through unsigned, so that INT_MIN has a magnitude.
  const unsigned long magnitude =
      value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  const auto r = std::to_chars(digits, digits + sizeof digits, magnitude);
  store(value < 0, Span(digits, size_t(r.ptr - digits)), Span(), false);
}

void Number::reset(unsigned long value) {
  char digits[24];
  const auto r = std::to_chars(digits, digits + sizeof digits, value);
  store(false, Span(digits, size_t(r.ptr - digits)), Span(), false);
}

void Number::reset(double value, int decimals) {
  if (!std::isfinite(value)) {
    const char* word = std::isnan(value) ? "nan" : "inf";
    store(std::signbit(value) && !std::isnan(value), Span(word), Span(), false);
    return;
  }
  decimals = decimals < 0 ? 0 : (decimals > int(CAPACITY) ? int(CAPACITY) : decimals);
  // Up to 309 integer digits and the fraction; C-locale digits, the separators are ours.
  char digits[512];
  const auto r =
      std::to_chars(digits, digits + sizeof digits, std::fabs(value), std::chars_format::fixed, decimals);
  const char* end = r.ec == std::errc() ? r.ptr : digits;
  const char* point = static_cast<const char*>(std::memchr(digits, '.', size_t(end - digits)));
  const char* integerEnd = point ? point : end;
  const Span fraction = point ? Span(point + 1, size_t(end - point - 1)) : Span();
  // A value that rounds to zero keeps its sign, as printf shows it ("-0.00").
  store(std::signbit(value), Span(digits, size_t(integerEnd - digits)), fraction, true);
}

void Number::store(bool negative, Span digits, Span fraction, bool withSeparator) {
  const Separators s = separators();
  TextBuffer<2048> text;
  if (negative) text.append("-");
  for (size_t i = 0; i < digits.length; ++i) {
    if (i > 0 && (digits.length - i) % 3 == 0) text.append(s.group.span());
    text.append(Span(digits.data + i, 1));
  }
  if (withSeparator) text.append(s.decimal.span());
  text.append(fraction);
  text.span().copyTo(m_text, sizeof m_text);
  m_length = std::strlen(m_text);
}
