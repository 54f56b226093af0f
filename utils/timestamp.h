// An instant with microseconds: seconds since 1970-01-01 00:00:00 UTC and microseconds within the second,
// with its text form "YYYY-MM-DD hh:mm:ss[.mmm]" (UTC) and the parser of that form.
#pragma once

#include "utils/span.h"

#include <cstddef>
#include <cstdint>

class Timestamp {
public:
  // What parsing a bad text gives: the instant timegm gives for year 0, month 0, day 0 (30 November of
  // the year before year 0), 00:00:00.
  static const Timestamp INVALID;

  constexpr Timestamp() : Timestamp(INVALID_SECONDS, 0) {}
  constexpr Timestamp(int64_t seconds, int32_t microseconds)
      : m_seconds(seconds), m_microseconds(microseconds) {}
  // Parses the text (only its first 31 bytes); a bad text gives INVALID.
  explicit Timestamp(Span const& text) { *this = text; }
  Timestamp& operator=(Span const& text);

  // Now, with 0 microseconds.
  static Timestamp utcTime();
  // Now, shifted so that its UTC fields show the local wall-clock time.
  static Timestamp localTime();

  // UTC fields; month is 1-12.
  int year() const;
  int month() const;
  int day() const;
  int hour() const;
  int minute() const;
  int second() const;

  // Writes the text form into out and returns its length. A buffer below 32 bytes gets the empty text;
  // size 0 writes nothing.
  size_t asText(char* out, size_t size, bool withMilliseconds) const;

  int64_t seconds() const { return m_seconds; }
  int32_t microseconds() const { return m_microseconds; }
  bool isValid() const { return *this != INVALID; }

  bool operator==(Timestamp const& o) const = default;
  bool operator>(Timestamp const& o) const { return total() > o.total(); }
  bool operator<(Timestamp const& o) const { return total() < o.total(); }

private:
  static constexpr int64_t daysFromCivil(int64_t y, int64_t m, int64_t d);
  static const int64_t INVALID_SECONDS;

  int64_t total() const { return m_seconds * 1000000 + m_microseconds; }

  int64_t m_seconds;
  int32_t m_microseconds;
};

// Days since 1970-01-01 of a proleptic Gregorian date (m 1-12), as timegm counts them.
constexpr int64_t Timestamp::daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Year 0, month 0, day 0 normalises to 30 November of year -1.
inline constexpr int64_t Timestamp::INVALID_SECONDS = Timestamp::daysFromCivil(-1, 11, 30) * 86400;
inline constexpr Timestamp Timestamp::INVALID{Timestamp::INVALID_SECONDS, 0};
