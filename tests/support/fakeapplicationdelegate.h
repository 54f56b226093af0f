// A recording ApplicationDelegate for view and controller tests: every call appends one line to calls, the
// operation's name and its arguments separated by blanks ("onlineLookup 中国 2"); a vector of words is its
// words joined by ",", a point is "x,y".
#pragma once

#include "views/applicationdelegate.h"

#include <string>
#include <vector>

namespace qmtest {

class FakeApplicationDelegate : public ApplicationDelegate {
public:
  std::vector<std::string> calls;

  void markAsKnown(Span const& word) override;
  void markAsUnknown(Span const& word) override;
  void toggleKnown(Span const& word) override;
  void markAsKnown(std::vector<WordStatistics*> const& words) override;
  void markAsUnknown(std::vector<WordStatistics*> const& words) override;
  void showDefinition(Span const& word) override;
  void showDefinition(Span const& word, double x, double y) override;
  void onlineLookup(Span const& word, unsigned long option) override;
  void copyToClipboard(std::vector<WordStatistics*> const& words, bool append) override;
  void findWord(Span const& term) override;
  void findFromOffset(unsigned long offset, Span const& term) override;
  void copySelectedText() override;
  void paste(bool append) override;
  void addCustomWordFromSelection() override;
  void manageWordLists() override;
  void wordListChanged() override;
};

} // namespace qmtest
