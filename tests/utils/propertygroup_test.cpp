#include "support/logcapture.h"
#include "support/testlocale.h"
#include "utils/memoryoutputstream.h"
#include "utils/propertygroup.h"
#include "utils/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

TEST(PropertyGroupTest, TypedGetters) {
  PropertyGroup g("g");
  const struct {
    const char* text;
    int asInt;
    double asDouble;
    bool asBool;
  } cases[] = {
      {"0", 0, 0.0, false},
      {"letters", -1, -1.0, true},
      {"12abc", 12, 12.0, true},
      {"FALSE", -1, -1.0, false},
      {"no", -1, -1.0, true},
      {"", -1, -1.0, false},
      {"-7", -7, -7.0, true},
      {"0.25", 0, 0.25, true},
      {"1e3", 1, 1000.0, true},
      {"-0", -1, -1.0, true},
      // No setting can use a number that is not finite: it reads as the default.
      {"nan", -1, -1.0, true},
      {"-inf", -1, -1.0, true},
      {"1e999", 1, -1.0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    g.setValue("k", c.text);
    EXPECT_EQ(g.valueAsInt("k", -1), c.asInt);
    EXPECT_EQ(g.valueAsDouble("k", -1.0), c.asDouble);
    EXPECT_EQ(g.valueAsBool("k", true), c.asBool);
    EXPECT_STREQ(g.valueAsString("k", nullptr), c.text);
  }
  EXPECT_EQ(g.valueAsInt("absent", 5), 5);
  EXPECT_FALSE(g.valueAsBool("absent", false));
  EXPECT_EQ(g.valueAsString("absent", nullptr), nullptr);
  EXPECT_EQ(g.valueAsFloat("k", 2.5f), 2.5f);
  g.setValue("big", "1e300"); // finite as a double, not as a float
  EXPECT_EQ(g.valueAsFloat("big", 2.5f), 2.5f);
}

// Stored numbers must not follow the process locale (a German locale writes "2,5").
TEST(PropertyGroupTest, NumbersUseTheCLocale) {
  const qmtest::GermanLocale german;
  ASSERT_TRUE(german.active()) << "no German locale, and none could be built";
  PropertyGroup g(nullptr);
  g.setValue("d", 2.5, 1);
  EXPECT_STREQ(g.valueAsString("d", nullptr), "2.5");
  EXPECT_EQ(g.valueAsDouble("d", 0.0), 2.5);
}

TEST(PropertyGroupTest, ValuesThatWillNotReadBackAreLogged) {
  const struct {
    std::string value;
    bool readsBack;
  } cases[] = {
      {"plain words", true},
      {"", true},
      {"[wrapped]", true},
      {"in#side = x", true},
      {"#1 words", false},
      {"=x", false},
      {" lead", false},
      {"trail\t", false},
      {"two\nlines", false},
      {"cr\r", false},
      {std::string(511, 'v'), true},
      {std::string(512, 'v'), false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.value);
    qmtest::LogCapture log({"WARN"});
    PropertyGroup g("g");
    g.setValue("k", c.value.c_str());
    MemoryOutputStream out;
    g.writeToStream(out);
    PropertyGroup back("g");
    back.readFromUtf8Range(Utf8Range(out.view().data(), out.view().size()));
    EXPECT_EQ(back.valueAsString("k", "") == c.value, c.readsBack);
    EXPECT_EQ(log.all().find("will not read back") == std::string::npos, c.readsBack);
  }
}
