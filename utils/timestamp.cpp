// The parser walks "YYYY-MM-DD hh:mm:ss.mmm" field by field; each separator is accepted only in its own
// place, and any field may be left off from the end ("2019-05" is 1 May 2019).
#include "utils/timestamp.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int FIELDS = 7;

// The separator that may close field i, or 0 when none may (the milliseconds are last).
char separatorAfter(int field) {
  static const char separators[FIELDS] = {'-', '-', ' ', ':', ':', '.', 0};
  return separators[field];
}

// The decimal value of a run of digits ("" is 0); false when it does not fit an int.
bool fieldValue(const char* begin, const char* end, int& value) {
  if (begin == end) {
    value = 0;
    return true;
  }
  return std::from_chars(begin, end, value).ec == std::errc();
}

// Fills fields (pre-set to their defaults); false for an empty or invalid text.
bool parseFields(const char* p, const char* end, int fields[FIELDS]) {
  if (p == end) return false;
  int field = 0;
  const char* start = p;
  for (; p < end; ++p) {
    if (*p >= '0' && *p <= '9') continue;
    if (*p != separatorAfter(field) || !fieldValue(start, p, fields[field])) return false;
    start = p + 1;
    ++field;
  }
  // An open field without digits ("2019-") keeps its default.
  return start == end || fieldValue(start, end, fields[field]);
}

bool utcFields(int64_t seconds, std::tm& tm) {
  const time_t t = time_t(seconds);
  return gmtime_r(&t, &tm) != nullptr;
}

} // namespace

Timestamp& Timestamp::operator=(Span const& text) {
  char copy[32];
  Span(text).copyTo(copy, sizeof copy);
  int f[FIELDS] = {0, 1, 1, 0, 0, 0, 0};
  if (!parseFields(copy, copy + std::strlen(copy), f)) return *this = INVALID;
  std::tm tm{};
  tm.tm_year = f[0] - 1900;
  tm.tm_mon = f[1] - 1;
  tm.tm_mday = f[2];
  tm.tm_hour = f[3];
  tm.tm_min = f[4];
  tm.tm_sec = f[5];
  // More than three digits after the point are still read as milliseconds; whole seconds carry over so
  // that the microseconds stay within their second.
  m_seconds = int64_t(timegm(&tm)) + f[6] / 1000;
  m_microseconds = int32_t(f[6] % 1000) * 1000;
  return *this;
}

Timestamp Timestamp::utcTime() {
  return Timestamp(int64_t(time(nullptr)), 0);
}

Timestamp Timestamp::localTime() {
  const time_t now = time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return utcTime();
  return Timestamp(int64_t(timegm(&local)), 0);
}

int Timestamp::year() const {
  std::tm tm{};
  return utcFields(m_seconds, tm) ? tm.tm_year + 1900 : 0;
}

int Timestamp::month() const {
  std::tm tm{};
  return utcFields(m_seconds, tm) ? tm.tm_mon + 1 : 0;
}

int Timestamp::day() const {
  std::tm tm{};
  return utcFields(m_seconds, tm) ? tm.tm_mday : 0;
}

int Timestamp::hour() const {
  std::tm tm{};
  return utcFields(m_seconds, tm) ? tm.tm_hour : 0;
}

int Timestamp::minute() const {
  std::tm tm{};
  return utcFields(m_seconds, tm) ? tm.tm_min : 0;
}

int Timestamp::second() const {
  std::tm tm{};
  return utcFields(m_seconds, tm) ? tm.tm_sec : 0;
}

size_t Timestamp::asText(char* out, size_t size, bool withMilliseconds) const {
  if (!out || size == 0) return 0;
  out[0] = 0;
  std::tm tm{};
  if (size < 32 || !utcFields(m_seconds, tm)) return 0;
  int n;
  if (withMilliseconds)
    n = std::snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, int(m_microseconds / 1000));
  else
    n = std::snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  if (n < 0) {
    out[0] = 0;
    return 0;
  }
  return size_t(n) < size ? size_t(n) : size - 1;
}
