#include "views/definitionconfig.h"

#include "support/germanlocale.h"
#include "utils/memoryoutputstream.h"
#include "utils/propertygroup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

DefinitionConfig readFrom(std::string const& text) {
  PropertyGroup group("definition");
  group.readFromUtf8Range(Utf8Range(text.data(), text.size()));
  DefinitionConfig config;
  group >> config;
  return config;
}

std::string writtenOf(DefinitionConfig const& config) {
  PropertyGroup group("definition");
  group << config;
  MemoryOutputStream out;
  group.writeToStream(out);
  return std::string(out.view());
}

} // namespace

TEST(DefinitionConfigTest, DefaultsStoredFormsAndTheCLocale) {
  EXPECT_EQ(readFrom(""), DefinitionConfig());
  EXPECT_EQ(writtenOf(DefinitionConfig()), "    .version = 4\n"
                                           "    customDefinitionsOnly = false\n"
                                           "    englishDefinition.font.name = Default\n"
                                           "    englishDefinition.font.size = 14\n"
                                           "    headword.defaultCharacterSet = simplified\n"
                                           "    headword.simplified.font.name = Noto Serif CJK SC\n"
                                           "    headword.simplified.font.size = 24\n"
                                           "    headword.traditional.font.name = Noto Serif CJK TC\n"
                                           "    headword.traditional.font.size = 24\n"
                                           "    pinyin.font.name = Default\n"
                                           "    pinyin.font.size = 14\n"
                                           "    pinyin.useToneMarks = true\n");
  const struct {
    const char* stored;
    int characterSet;
  } sets[] = {{"traditional", 1}, {"simplified", 0}, {"Traditional", 0}, {"cantonese", 0}, {"", 0}};
  for (auto const& s : sets) {
    SCOPED_TRACE(s.stored);
    EXPECT_EQ(readFrom(std::string("headword.defaultCharacterSet = ") + s.stored).headwordCharacterSet,
              s.characterSet);
  }
  EXPECT_EQ(readFrom(".version = 1\npinyin.font.size = 0\nenglishDefinition.font.size = x"),
            DefinitionConfig());

  // A decimal comma in the process locale changes neither the file nor what it reads back.
  qmtest::GermanLocale german;
  ASSERT_TRUE(german.active());
  DefinitionConfig config;
  config.pinyinFontSize = 1.5;
  config.simplifiedFontSize = 24.44;
  config.useToneMarks = false;
  config.customDefinitionsOnly = true;
  config.headwordCharacterSet = DefinitionConfig::Traditional;
  config.englishDefinitionFontName = "Noto Sans";
  const std::string written = writtenOf(config);
  EXPECT_NE(written.find("pinyin.font.size = 1.5\n"), std::string::npos) << written;
  DefinitionConfig expected = config;
  expected.simplifiedFontSize = 24; // two significant digits
  EXPECT_EQ(readFrom(written), expected);
}
