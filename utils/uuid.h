// Random (version 4) UUIDs.
#pragma once

#include "utils/text.h"

class Uuid {
public:
  // A new random UUID in its 36-character text form: upper-case hexadecimal with hyphens.
  static Text createAsString();
};
