#include "support/fakeapplicationdelegate.h"

#include "text/wordstatistics.h"

#include <cstdio>

namespace qmtest {

namespace {

std::string text(Span const& s) {
  return std::string(s.view());
}

std::string text(std::vector<WordStatistics*> const& words) {
  std::string joined;
  for (WordStatistics const* w : words)
    joined += (joined.empty() ? "" : ",") + (w ? text(w->word) : std::string("(null)"));
  return joined;
}

std::string text(double x, double y) {
  char point[64];
  std::snprintf(point, sizeof point, "%g,%g", x, y);
  return point;
}

} // namespace

void FakeApplicationDelegate::markAsKnown(Span const& word) {
  calls.push_back("markAsKnown " + text(word));
}
void FakeApplicationDelegate::markAsUnknown(Span const& word) {
  calls.push_back("markAsUnknown " + text(word));
}
void FakeApplicationDelegate::toggleKnown(Span const& word) {
  calls.push_back("toggleKnown " + text(word));
}
void FakeApplicationDelegate::markAsKnown(std::vector<WordStatistics*> const& words) {
  calls.push_back("markAsKnown " + text(words));
}
void FakeApplicationDelegate::markAsUnknown(std::vector<WordStatistics*> const& words) {
  calls.push_back("markAsUnknown " + text(words));
}
void FakeApplicationDelegate::showDefinition(Span const& word) {
  calls.push_back("showDefinition " + text(word));
}
void FakeApplicationDelegate::showDefinition(Span const& word, double x, double y) {
  calls.push_back("showDefinition " + text(word) + " " + text(x, y));
}
void FakeApplicationDelegate::onlineLookup(Span const& word, unsigned long option) {
  calls.push_back("onlineLookup " + text(word) + " " + std::to_string(option));
}
void FakeApplicationDelegate::copyToClipboard(std::vector<WordStatistics*> const& words, bool append) {
  calls.push_back("copyToClipboard " + text(words) + (append ? " append" : " replace"));
}
void FakeApplicationDelegate::findWord(Span const& term) {
  calls.push_back("findWord " + text(term));
}
void FakeApplicationDelegate::findFromOffset(unsigned long offset, Span const& term) {
  calls.push_back("findFromOffset " + std::to_string(offset) + " " + text(term));
}
void FakeApplicationDelegate::copySelectedText() {
  calls.push_back("copySelectedText");
}
void FakeApplicationDelegate::paste(bool append) {
  calls.push_back(append ? "paste append" : "paste replace");
}
void FakeApplicationDelegate::addCustomWordFromSelection() {
  calls.push_back("addCustomWordFromSelection");
}
void FakeApplicationDelegate::manageWordLists() {
  calls.push_back("manageWordLists");
}
void FakeApplicationDelegate::wordListChanged() {
  calls.push_back("wordListChanged");
}

} // namespace qmtest
