// A line breaker with fixed advances, for layout tests that must not depend on fonts: every character (a
// surrogate pair is one) is ADVANCE wide, a line takes as many whole characters as fit (breaking anywhere),
// and every line is ASCENT + DESCENT high before the line spacing.
#pragma once

#include "views/linebreaker.h"

#include <vector>

namespace qmtest {

class FakeLineBreaker : public LineBreaker {
public:
  static constexpr double ADVANCE = 10;
  static constexpr double ASCENT = 8;
  static constexpr double DESCENT = 2;

  // The length of every chunk typeset so far, in units.
  std::vector<size_t> chunks;

protected:
  std::unique_ptr<Typesetter> typeset(const uint16_t* text, size_t length) override;
};

} // namespace qmtest
