// A dictionary without entries, for tests whose scripts or views need one but look nothing up.
#pragma once

#include "dictionary/dictionary.h"

namespace qmtest {

class NoDictionary : public Dictionary {
public:
  DictionaryItem const* item(Span const&) const override { return nullptr; }
  bool getInfo(DictionaryEntry const&, Info&) const override { return false; }
};

} // namespace qmtest
