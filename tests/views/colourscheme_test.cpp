#include "support/resourcelimits.h"
#include "support/tempdir.h"
#include "utils/memoryoutputstream.h"
#include "utils/propertygroup.h"
#include "views/colourscheme.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

ColourScheme parsed(std::string const& text) {
  ColourScheme scheme;
  scheme.parse(Utf8Range(text.data(), text.size()));
  return scheme;
}

std::string saved(ColourScheme const& scheme) {
  MemoryOutputStream out;
  scheme.save(out);
  return std::string(out.view());
}

constexpr Colour rgb(uint32_t v, uint8_t a = 255) {
  return Colour(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), a);
}

} // namespace

TEST(ColourSchemeTest, FileRoundTripIsByteExact) {
  EXPECT_EQ(parsed(saved(ColourScheme())), ColourScheme());
  EXPECT_EQ(parsed(""), ColourScheme());
  ColourScheme custom;
  ColourScheme::Colours dark = custom.colours(ColourScheme::Dark);
  dark.background(StyleId::Selection) = rgb(0x123456, 0x80);
  dark.foreground(StyleId::LookedUp) = rgb(0xabcdef);
  custom.setColours(ColourScheme::Dark, dark);
  const std::string text = saved(custom);
  EXPECT_NE(text.find("selection.background = 12345680\n"), std::string::npos);
  EXPECT_EQ(parsed(text), custom);
  EXPECT_EQ(saved(parsed(text)), text);
  EXPECT_EQ(custom.colours(ColourScheme::Auto), ColourScheme::builtIn(ColourScheme::Light));
}

TEST(ColourSchemeTest, ColourTextForms) {
  const struct {
    const char* text;
    Colour colour;
    const char* written; // null: as given
  } cases[] = {
      {"FFEEDD", rgb(0xffeedd), "ffeedd"}, {"ffeedd80", rgb(0xffeedd, 0x80), nullptr},
      {"fff", rgb(0x000000), "000000"}, // too short: opaque black
      {"ffeed", rgb(0x000000), "000000"},  {"", rgb(0x000000), "000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ColourScheme scheme = parsed(std::string("[light]\n  known.background = ") + c.text + "\n");
    EXPECT_EQ(scheme.colours(ColourScheme::Light).background(StyleId::Known), c.colour);
    // Keys not given keep their built-in colours.
    EXPECT_EQ(scheme.colours(ColourScheme::Light).foreground(StyleId::Known),
              ColourScheme::builtIn(ColourScheme::Light).foreground(StyleId::Known));
    EXPECT_EQ(scheme.colours(ColourScheme::Dark), ColourScheme::builtIn(ColourScheme::Dark));
    const std::string expected = std::string("known.background = ") + (c.written ? c.written : c.text) + "\n";
    EXPECT_NE(saved(scheme).find(expected), std::string::npos);
  }
}

// Before version 3 an unknown word under the mouse kept the unknown colour.
TEST(ColourSchemeTest, VersionTwoMigration) {
  const std::string file = "[light]\n  unknown.foreground = 00ff00\n[dark]\n  unknown.foreground = 0000ee\n";
  const ColourScheme old = parsed(".version = 2\n" + file);
  EXPECT_EQ(old.colours(ColourScheme::Light).foreground(StyleId::HoverUnknown), rgb(0x00ff00));
  EXPECT_EQ(old.colours(ColourScheme::Dark).foreground(StyleId::HoverUnknown), rgb(0x0000ee));
  const ColourScheme current = parsed(".version = 3\n" + file);
  EXPECT_EQ(current.colours(ColourScheme::Light).foreground(StyleId::HoverUnknown),
            ColourScheme::builtIn(ColourScheme::Light).foreground(StyleId::HoverUnknown));
  EXPECT_EQ(parsed(file), current); // no version: 3

  PropertyGroup appearance("appearance");
  appearance.setValue("unknown.foreground", "123456");
  appearance.setValue("normal.background", "202020");
  const ColourScheme::Colours upgraded = ColourScheme::upgrade(appearance);
  EXPECT_EQ(upgraded.foreground(StyleId::HoverUnknown), rgb(0x123456));
  EXPECT_EQ(upgraded.background(StyleId::Normal), rgb(0x202020));
  EXPECT_EQ(upgraded.background(StyleId::Selection),
            ColourScheme::builtIn(ColourScheme::Light).background(StyleId::Selection));
}

// Missing and empty files throw and leave the built-in colours; a save cut short (the disk fills up) leaves
// the old file whole and no temporary file behind.
TEST(ColourSchemeTest, LoadAndSaveFiles) {
  qmtest::TempDir dir;
  const std::string path = (dir / "colour-schemes" / "default.colours").string();
  ColourScheme scheme = parsed("[dark]\n  normal.background = 000000\n");
  for (const char* missing : {"", "/nonexistent/default.colours"}) {
    ColourScheme loaded = scheme;
    EXPECT_ANY_THROW(loaded.load(missing));
    EXPECT_EQ(loaded, ColourScheme()) << missing;
  }
  ASSERT_TRUE(scheme.saveToFile(path.c_str())); // makes the folder
  ColourScheme loaded;
  loaded.load(path.c_str());
  EXPECT_EQ(loaded, scheme);

  const ColourScheme changed = parsed("[light]\n  normal.background = 101010\n");
  EXPECT_EQ(qmtest::withFileSizeLimit(512, [&] { return changed.saveToFile(path.c_str()); }), false)
      << "the failed save was reported as success";
  EXPECT_EQ(qmtest::readFile(path), saved(scheme));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "colour-schemes"), {}), 1)
      << "the temporary file was left behind";
  qmtest::writeFile(path, "");
  EXPECT_ANY_THROW(loaded.load(path.c_str()));
  EXPECT_EQ(loaded, ColourScheme());
}
