// The colours of the nine display styles, a light set and a dark set, kept in the user's
// "colour-schemes/default.colours" (a property file: groups "light" and "dark", keys such as
// "unknown.foreground" = "ee0000"). Missing keys keep the built-in colours, malformed ones read as opaque
// black. A plain value; no Qt.
#pragma once

#include "utils/colour.h"
#include "utils/span.h"
#include "views/styleid.h"

class OutputStream;
class PropertyGroup;

class ColourScheme {
public:
  enum Mode : int { Light = 0, Dark = 1, Auto = 2 };
  static constexpr int FILE_VERSION = 3;

  // A foreground and a background colour per style id.
  struct Colours {
    Colour colour[StyleId::COUNT][2];

    Colour& foreground(int id) { return colour[id][0]; }
    Colour& background(int id) { return colour[id][1]; }
    Colour const& foreground(int id) const { return colour[id][0]; }
    Colour const& background(int id) const { return colour[id][1]; }
    bool operator==(Colours const&) const = default;
  };

  // The built-in dark set for Dark, the light set for any other value.
  static Colours const& builtIn(Mode mode);

  // Both sets built in.
  ColourScheme();

  // The dark set for Dark, the light set for any other value (resolve Auto first).
  Colours const& colours(Mode mode) const;
  void setColours(Mode mode, Colours const& colours);

  // Reads the file over the built-in colours. A file that cannot be read (also a missing or an empty one)
  // throws the file layer's error and leaves the built-in colours.
  void load(const char* path);
  // Reads the file's text; versions before 3 get the hover.unknown foreground of the unknown one.
  void parse(Utf8Range const& text);
  // The whole file; write errors are the stream's to report.
  void save(OutputStream& out) const;
  // Saves to path through a hidden file beside it that replaces it only once complete, creating the folder.
  // False, logged under "ERR", when that fails; the old file is then left as it was.
  bool saveToFile(const char* path) const;

  // One colour set from a settings group of before colour schemes (the same keys), missing keys taking the
  // light built-ins, with the version-2 migration applied.
  static Colours upgrade(PropertyGroup const& group);

  bool operator==(ColourScheme const&) const = default;

private:
  Colours m_dark;
  Colours m_light;
};
