#include "views/colourscheme.h"

#include "utils/atomicfilesaver.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"

#include <string>

namespace {

// The key stem of each style id in the file.
const char* const STYLE_KEYS[StyleId::COUNT] = {
    "normal",        "hover",      "hover.unknown", "selection", "known",
    "currentSearch", "searchTerm", "unknown",       "lookedUp",
};

constexpr Colour rgb(uint32_t value) {
  return Colour(uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value));
}

// Foreground and background by style id.
constexpr uint32_t LIGHT[StyleId::COUNT][2] = {
    {0x000000, 0xffffff}, {0x0000ff, 0xefefef}, {0xee0000, 0xefefef},
    {0xffffff, 0x0080ff}, {0x000000, 0xffffff}, {0x000000, 0x38d878},
    {0xffffff, 0xd65eff}, {0xee0000, 0xffffff}, {0x0000ff, 0xffffff},
};
constexpr uint32_t DARK[StyleId::COUNT][2] = {
    {0xd8d8d8, 0x1c1c1c}, {0x1c1c1c, 0xd8d8d8}, {0xff0000, 0xd8d8d8},
    {0xffffff, 0x777777}, {0xd8d8d8, 0x1c1c1c}, {0x000000, 0xffff00},
    {0x000000, 0xd65eff}, {0xff0000, 0x1c1c1c}, {0x0000ff, 0x1c1c1c},
};

ColourScheme::Colours makeColours(uint32_t const (&table)[StyleId::COUNT][2]) {
  ColourScheme::Colours c;
  for (int id = 0; id < StyleId::COUNT; ++id) {
    c.foreground(id) = rgb(table[id][0]);
    c.background(id) = rgb(table[id][1]);
  }
  return c;
}

std::string key(int id, int side) {
  return std::string(STYLE_KEYS[id]) + (side == 0 ? ".foreground" : ".background");
}

ColourScheme::Colours readColours(PropertyGroup const& group, ColourScheme::Colours colours, int version) {
  for (int id = 0; id < StyleId::COUNT; ++id)
    for (int side = 0; side < 2; ++side)
      if (const char* text = group.valueAsString(key(id, side).c_str(), nullptr))
        colours.colour[id][side] = Colour(text);
  // Before version 3 an unknown word under the mouse kept the unknown word's colour.
  if (version < 3) colours.foreground(StyleId::HoverUnknown) = colours.foreground(StyleId::Unknown);
  return colours;
}

void writeColours(PropertyGroup& group, ColourScheme::Colours const& colours) {
  char text[20];
  for (int id = 0; id < StyleId::COUNT; ++id)
    for (int side = 0; side < 2; ++side) {
      colours.colour[id][side].asText(text, sizeof text);
      group.setValue(key(id, side).c_str(), text);
    }
}

void read(PropertyFile const& file, ColourScheme& scheme) {
  const int version = file.group(nullptr)->valueAsInt(".version", ColourScheme::FILE_VERSION);
  scheme.setColours(ColourScheme::Light,
                    readColours(*file.group("light"), ColourScheme::builtIn(ColourScheme::Light), version));
  scheme.setColours(ColourScheme::Dark,
                    readColours(*file.group("dark"), ColourScheme::builtIn(ColourScheme::Dark), version));
}

} // namespace

ColourScheme::Colours const& ColourScheme::builtIn(Mode mode) {
  static const Colours light = makeColours(LIGHT);
  static const Colours dark = makeColours(DARK);
  return mode == Dark ? dark : light;
}

ColourScheme::ColourScheme() : m_dark(builtIn(Dark)), m_light(builtIn(Light)) {}

ColourScheme::Colours const& ColourScheme::colours(Mode mode) const {
  return mode == Dark ? m_dark : m_light;
}

void ColourScheme::setColours(Mode mode, Colours const& colours) {
  (mode == Dark ? m_dark : m_light) = colours;
}

void ColourScheme::load(const char* path) {
  *this = ColourScheme();
  read(PropertyFile(path), *this);
}

void ColourScheme::parse(Utf8Range const& text) {
  read(PropertyFile(text), *this);
}

void ColourScheme::save(OutputStream& out) const {
  PropertyFile file;
  writeColours(*file.group("dark"), m_dark);
  writeColours(*file.group("light"), m_light);
  file.group(nullptr)->setValue(".version", FILE_VERSION);
  file.writeToStream(out);
}

bool ColourScheme::saveToFile(const char* path) const {
  if (!path) return false;
  FileSystem::instance().privateEnsurePath(path);
  if (AtomicFileSaver::save(path, [this](OutputStream& out) { save(out); })) return true;
  Log::print("ERR", "Error saving colour scheme\n");
  return false;
}

ColourScheme::Colours ColourScheme::upgrade(PropertyGroup const& group) {
  return readColours(group, builtIn(Light), 2);
}
