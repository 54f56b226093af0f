// A reading font as the settings keep it and the text view is given it: a family name and a size in points.
#pragma once

#include "utils/text.h"

struct FontDescription {
  Text name;
  double size = 0; // points
};
