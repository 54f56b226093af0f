#include "support/testlocale.h"
#include "utils/memoryoutputstream.h"
#include "utils/propertygroup.h"
#include "views/appearanceconfig.h"
#include "views/definitionconfig.h"
#include "views/generalconfig.h"
#include "views/positionconfig.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

template <typename Config> Config readFrom(std::string const& text) {
  PropertyGroup group("g");
  group.readFromUtf8Range(Utf8Range(text.data(), text.size()));
  Config config;
  group >> config;
  return config;
}

template <typename Config> std::string writtenOf(Config const& config) {
  PropertyGroup group("g");
  group << config;
  MemoryOutputStream out;
  group.writeToStream(out);
  return std::string(out.view());
}

template <typename Config> Config roundTrip(Config const& config) {
  return readFrom<Config>(writtenOf(config));
}

} // namespace

TEST(GeneralConfigTest, DefaultsAndStoredForms) {
  EXPECT_EQ(readFrom<GeneralConfig>(""), GeneralConfig());
  auto with = [](auto change) {
    GeneralConfig c;
    change(c);
    return c;
  };
  const struct {
    const char* stored;
    GeneralConfig config;
  } cases[] = {
      {"chineseOnly = false", with([](auto& c) { c.chineseOnly = SegmentEngine::ChineseAndAlpha; })},
      {"maxSearchHistory = -1", with([](auto& c) { c.maxSearchHistory = UINT64_MAX; })},
      {"maxSearchHistory = 4294967295", with([](auto& c) { c.maxSearchHistory = UINT64_MAX; })},
      {"openExportedFile = never", with([](auto& c) { c.openExportedFile = GeneralConfig::Never; })},
      {"openExportedFile = ALWAYS", GeneralConfig()},
      {"openExportedFile = sometimes", GeneralConfig()},
      {"showWelcome = false\nrememberFilePosition = 0",
       with([](auto& c) { c.showWelcome = c.rememberFilePosition = false; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(readFrom<GeneralConfig>(c.stored), c.config);
    EXPECT_EQ(roundTrip(c.config), c.config);
  }
}

TEST(PositionConfigTest, FieldsSurviveUnchanged) {
  // dpiAware is read with the default false and always written as true.
  const PositionConfig stored =
      readFrom<PositionConfig>("fullScreen = true\nmin.x = -40\nnormal.right = 1280\n"
                               "textView.splitter = 0.25\nwordList.splitter = nan\n"
                               "data = opaque # text\n");
  EXPECT_TRUE(stored.fullScreen);
  EXPECT_EQ(stored.minX, -40);
  EXPECT_EQ(stored.normalRight, 1280);
  EXPECT_EQ(stored.textViewSplitter, 0.25f);
  EXPECT_EQ(stored.wordListSplitter, 0.0f);
  EXPECT_STREQ(stored.data.c_str(), "opaque # text");
  PositionConfig expected = stored;
  expected.dpiAware = true;
  EXPECT_EQ(roundTrip(stored), expected);
}

TEST(AppearanceConfigTest, DefaultsClampsAndVersions) {
  const AppearanceConfig defaults;
  EXPECT_EQ(readFrom<AppearanceConfig>(""), defaults);
  const struct {
    const char* stored;
    double fontSize, lineSpacing, wordListFontSize;
    int mode;
  } cases[] = {
      {"font.size = 8\nline.spacing = 0.5", 10.0, 1.0, 14.0, 2},
      {"font.size = 72\nline.spacing = 9", 72.0, 5.0, 14.0, 2}, // one font-size range: 10 to 72 points
      {"font.size = 100\nwordList.font.size = 3", 72.0, 1.5, 3.0, 2},
      // Numbers that are not finite read as the default, not as a clamp bound.
      {"font.size = nan\nline.spacing = inf\nwordList.font.size = -nan", 18.0, 1.5, 14.0, 2},
      {"font.size = 1e999\nline.spacing = -inf", 18.0, 1.5, 14.0, 2},
      // Before version 2 there were no colour schemes: mode 3 moves the stored colours.
      {".version = 1", 18.0, 1.5, 14.0, 3},
      {".version = 2", 18.0, 1.5, 14.0, 2},
      {".version = 1\ncolourScheme.mode = 1", 18.0, 1.5, 14.0, 1},
      {"colourScheme.mode = 3", 18.0, 1.5, 14.0, 3},
      {"colourScheme.mode = 4", 18.0, 1.5, 14.0, 2},
      {"colourScheme.mode = -1", 18.0, 1.5, 14.0, 2},
      {".version = 1\ncolourScheme.mode = 99", 18.0, 1.5, 14.0, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    const AppearanceConfig config = readFrom<AppearanceConfig>(c.stored);
    EXPECT_EQ(config.fontSize, c.fontSize);
    EXPECT_EQ(config.lineSpacing, c.lineSpacing);
    EXPECT_EQ(config.wordListFontSize, c.wordListFontSize);
    EXPECT_EQ(config.colourSchemeMode, c.mode);
    EXPECT_EQ(config.needsColourSchemeUpdate(), c.mode == 3);
  }
  EXPECT_TRUE(readFrom<AppearanceConfig>(".version = 5").needsDarkModeUpdate());
  EXPECT_FALSE(readFrom<AppearanceConfig>(".version = 6").needsDarkModeUpdate());
  // Whatever version was read, the group is written as version 6.
  EXPECT_NE(writtenOf(readFrom<AppearanceConfig>(".version = 1")).find(".version = 6\n"), std::string::npos);
}

// Stored numbers follow the C locale: a German process locale must not write "1,5".
TEST(AppearanceConfigTest, StoredNumbersFollowTheCLocale) {
  const qmtest::GermanLocale german;
  if (!german.active()) GTEST_SKIP() << "no German locale to switch to";
  AppearanceConfig appearance;
  appearance.lineSpacing = 2.5;
  const std::string text = writtenOf(appearance);
  EXPECT_NE(text.find("line.spacing = 2.5\n"), std::string::npos) << text;
  EXPECT_EQ(roundTrip(appearance).lineSpacing, 2.5);
  PositionConfig position;
  position.textViewSplitter = 0.5f;
  EXPECT_NE(writtenOf(position).find("textView.splitter = 0.500000\n"), std::string::npos);
  EXPECT_EQ(roundTrip(position).textViewSplitter, 0.5f);
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
  EXPECT_EQ(readFrom<DefinitionConfig>(written), expected);
}

TEST(DefinitionConfigTest, DefaultsAndStoredForms) {
  EXPECT_EQ(readFrom<DefinitionConfig>(""), DefinitionConfig());
  const struct {
    const char* stored;
    int characterSet;
  } sets[] = {{"traditional", 1}, {"Traditional", 0}, {"cantonese", 0}};
  for (auto const& s : sets) {
    SCOPED_TRACE(s.stored);
    EXPECT_EQ(readFrom<DefinitionConfig>(std::string("headword.defaultCharacterSet = ") + s.stored)
                  .headwordCharacterSet,
              s.characterSet);
  }
  EXPECT_EQ(readFrom<DefinitionConfig>(".version = 1\npinyin.font.size = 0\nenglishDefinition.font.size = x"),
            DefinitionConfig());
}
