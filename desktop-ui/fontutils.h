// Fonts by the names stored in the settings. A family that is not installed (a name stored by another build,
// or "Default") gives the default reading font, "Noto Serif CJK SC", and when that is missing too, whatever
// fontconfig offers for a serif CJK text. GUI thread only.
#pragma once

#include <QFont>

class FontUtils {
public:
  FontUtils() = delete;

  // The font of the family at the size in points (callers clamp sizes; one not above 0 keeps Qt's default).
  static QFont font(const char* family, double points);
  // Whether the family (or a substitute fontconfig names for it) is installed.
  static bool hasFamily(const char* family);
};
