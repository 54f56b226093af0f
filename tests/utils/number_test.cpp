#include "utils/number.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {
class NumberTest : public testing::Test {
protected:
  void TearDown() override { Number::setLocale(Number::Locale()); }
  static void use(const char* group, const char* decimal) {
    Number::Locale l;
    l.groupSeparator = group;
    l.decimalSeparator = decimal;
    Number::setLocale(l);
  }
  static std::string str(Number const& n) {
    EXPECT_EQ(n.size(), std::strlen(n.text()));
    EXPECT_EQ(n.span().view(), n.text());
    return n.text();
  }
};
} // namespace

TEST_F(NumberTest, FollowsTheInjectedLocale) {
  use(".", ",");
  EXPECT_EQ(str(Number(1234.5, 2)), "1.234,50");
  EXPECT_EQ(str(Number(1234567ul)), "1.234.567");
  use("\xE2\x80\xAF", ","); // narrow no-break space, three bytes
  EXPECT_EQ(str(Number(1234567, 0)), "1\xE2\x80\xAF"
                                     "234\xE2\x80\xAF"
                                     "567,");
  use("", ".");
  EXPECT_EQ(str(Number(1234567)), "1234567");
  EXPECT_EQ(Number::locale().decimalSeparator, ".");
}

TEST_F(NumberTest, LongTextsAreCutAtACharacterBoundary) {
  // 1e300 has 301 digits: "1", then groups of a two-byte separator and three digits. 126 bytes hold 25
  // groups; the 127th byte would be half a separator.
  use("\xC2\xA0", ".");
  const std::string text = str(Number(1e300, 2));
  EXPECT_EQ(text.size(), 126u);
  EXPECT_TRUE(text.back() >= '0' && text.back() <= '9') << text;
  EXPECT_EQ(str(Number(1.0, 1000)).size(), Number::CAPACITY);
}
