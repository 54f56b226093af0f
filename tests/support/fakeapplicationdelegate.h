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

  void markAsKnown(Span const& word) override { calls.push_back("markAsKnown " + text(word)); }
  void markAsUnknown(Span const& word) override { calls.push_back("markAsUnknown " + text(word)); }
  void toggleKnown(Span const& word) override { calls.push_back("toggleKnown " + text(word)); }
  void markAsKnown(std::vector<WordStatistics*> const& words) override {
    calls.push_back("markAsKnown " + text(words));
  }
  void markAsUnknown(std::vector<WordStatistics*> const& words) override {
    calls.push_back("markAsUnknown " + text(words));
  }
  void showDefinition(Span const& word) override { calls.push_back("showDefinition " + text(word)); }
  void showDefinition(Span const& word, double x, double y) override;
  void onlineLookup(Span const& word, unsigned long option) override {
    calls.push_back("onlineLookup " + text(word) + " " + std::to_string(option));
  }
  void copyToClipboard(std::vector<WordStatistics*> const& words, bool append) override {
    calls.push_back("copyToClipboard " + text(words) + (append ? " append" : " replace"));
  }
  void findWord(Span const& term) override { calls.push_back("findWord " + text(term)); }
  void findFromOffset(unsigned long offset, Span const& term) override {
    calls.push_back("findFromOffset " + std::to_string(offset) + " " + text(term));
  }
  void copySelectedText() override { calls.push_back("copySelectedText"); }
  void paste(bool append) override { calls.push_back(append ? "paste append" : "paste replace"); }
  void addCustomWordFromSelection() override { calls.push_back("addCustomWordFromSelection"); }
  void manageWordLists() override { calls.push_back("manageWordLists"); }
  void wordListChanged() override { calls.push_back("wordListChanged"); }

private:
  static std::string text(Span const& s) { return std::string(s.view()); }
  static std::string text(std::vector<WordStatistics*> const& words);
};

} // namespace qmtest
