#include "utils/timestamp.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {
int64_t utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  return int64_t(timegm(&tm));
}

std::string text(Timestamp const& t, size_t size, bool ms) {
  char out[128];
  std::memset(out, 'X', sizeof out);
  const size_t n = t.asText(out, size, ms);
  EXPECT_EQ(n, std::strlen(out));
  return out;
}
} // namespace

TEST(TimestampTest, ParsesPrefixesOfTheTextForm) {
  const struct {
    const char* text;
    int64_t seconds;
    int32_t micro;
  } cases[] = {
      {"2019-05-06 10:20:30.456", utc(2019, 5, 6, 10, 20, 30), 456000},
      {"2019-05-06 10:20:30", utc(2019, 5, 6, 10, 20, 30), 0},
      {"2019-05-06 10:20", utc(2019, 5, 6, 10, 20), 0},
      {"2019-05-06", utc(2019, 5, 6), 0},
      {"2019-05", utc(2019, 5, 1), 0},
      {"2019", utc(2019, 1, 1), 0},
      {"2019-", utc(2019, 1, 1), 0},
      {"2019-05-06 10:20:30.4", utc(2019, 5, 6, 10, 20, 30), 4000}, // a whole number of milliseconds
      {"1970-01-01 00:00:00.000", 0, 0},
      // Milliseconds past 999 carry into the seconds, so microseconds stay within their second.
      {"2019-05-06 10:20:30.2500", utc(2019, 5, 6, 10, 20, 32), 500000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Timestamp t{Span(c.text)};
    EXPECT_EQ(t.seconds(), c.seconds);
    EXPECT_EQ(t.microseconds(), c.micro);
    EXPECT_TRUE(t.isValid());
  }
  EXPECT_FALSE(Timestamp().isValid());
}

TEST(TimestampTest, BadTextsGiveInvalid) {
  const char* cases[] = {
      "",
      "2019/05/06",
      "2019-05-06T10:20:30",
      "2019-05-06 10:20:30.456.7",
      "2019:05",
      "2019-05-06 10-20",
      "x2019",
      "2019-05-06 10:20:30,5",
      "99999999999-01-01", // a field too large for an int is not read as garbage
  };
  for (const char* c : cases) {
    SCOPED_TRACE(c);
    EXPECT_EQ(Timestamp(Span(c)), Timestamp::INVALID);
  }
  Timestamp t(Span("2019"));
  t = Span("bad");
  EXPECT_EQ(t, Timestamp::INVALID);
  // Only the first 31 bytes are read: what follows them is never seen.
  const std::string valid = "2019-05-06 10:20:30.0000000000"; // 30 bytes
  EXPECT_TRUE(Timestamp(Span(valid + "0x")).isValid());
  EXPECT_FALSE(Timestamp(Span(valid + "x")).isValid());
}

TEST(TimestampTest, TextForm) {
  const Timestamp t(Span("2019-05-06 10:20:30.456"));
  const struct {
    size_t size;
    bool ms;
    const char* out;
  } cases[] = {
      {32, true, "2019-05-06 10:20:30.456"},
      {20, true, ""},
      {64, false, "2019-05-06 10:20:30"},
      {31, false, ""},
      {1, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + (c.ms ? " ms" : ""));
    EXPECT_EQ(text(t, c.size, c.ms), c.out);
  }
  char untouched = 'X';
  EXPECT_EQ(t.asText(&untouched, 0, true), 0u);
  EXPECT_EQ(untouched, 'X');
  // The text form reads back as the same instant.
  EXPECT_EQ(Timestamp(Span(text(t, 32, true))), t);
}
