#include "utils/version.h"

#include <gtest/gtest.h>

#include <string>

TEST(VersionTest, Parsing) {
  const struct {
    const char* text;
    int major, minor, patch;
  } cases[] = {
      {"1.6.3", 1, 6, 3},    {"2", 2, 0, 0},
      {"1.2 beta", 1, 2, 0}, {"1-2.3", 1, -2, -2}, // each later number is read again from the "-"
      {"", 0, 0, 0},         {"10.20.30.40", 10, 20, 30},
      {"1..3", 1, 0, 3},     {"99999999999.1.1", 2147483647, 1, 1}, // clamped, not undefined
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Version v(c.text);
    EXPECT_EQ(v.major, c.major);
    EXPECT_EQ(v.minor, c.minor);
    EXPECT_EQ(v.patch, c.patch);
  }
  EXPECT_EQ(Version(static_cast<const char*>(nullptr)), Version(0, 0, 0));
}

TEST(VersionTest, ComparesFieldByFieldAndText) {
  EXPECT_GT(Version("1.10.0"), Version("1.9.9"));
  EXPECT_LT(Version("1.9.9"), Version("2"));
  EXPECT_EQ(Version("1.2"), Version("1.2.0"));
  EXPECT_LT(Version("1-2.3"), Version("1.0.0")); // signed fields
  char out[16];
  EXPECT_EQ(Version("1.6.3").asText(out, sizeof out), 5u);
  EXPECT_STREQ(out, "1.6.3");
  EXPECT_EQ(Version("12.6.3").asText(out, 4), 3u);
  EXPECT_STREQ(out, "12.");
}
