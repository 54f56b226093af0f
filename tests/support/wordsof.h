// A word set's words as an ordered set of strings, for comparing in tests.
#pragma once

#include "text/wordhash.h"

#include <set>
#include <string>

namespace qmtest {

inline std::set<std::string> wordsOf(WordHash const& words) {
  std::set<std::string> out;
  for (Span const& w : words.words())
    out.emplace(w.view());
  return out;
}

} // namespace qmtest
