// The small table that settings code uses to turn enumeration values into words and back.
#pragma once

#include "utils/text.h"

#include <memory>

class TextMap {
public:
  TextMap();
  TextMap(TextMap const&) = delete;
  TextMap& operator=(TextMap const&) = delete;
  ~TextMap();

  // The id of the first entry whose text equals text (a null text matches only a null entry), else def.
  int get(const char* text, int def) const;
  // The text of the entry with that id. When there is none, an entry with an empty text is appended, so that
  // assigning to the result defines the pair. The reference stays valid as long as the map.
  Text& get(int id);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
