#include "support/fakeapplicationdelegate.h"

#include "text/wordstatistics.h"

#include <cstdio>

namespace qmtest {

std::string FakeApplicationDelegate::text(std::vector<WordStatistics*> const& words) {
  std::string joined;
  for (WordStatistics const* w : words)
    joined += (joined.empty() ? "" : ",") + (w ? text(w->word) : std::string("(null)"));
  return joined;
}

void FakeApplicationDelegate::showDefinition(Span const& word, double x, double y) {
  char point[64];
  std::snprintf(point, sizeof point, " %g,%g", x, y);
  calls.push_back("showDefinition " + text(word) + point);
}

} // namespace qmtest
