// The word commands that the text view, the word-list view and the manage-word-lists dialog send to the
// application controller. Declared apart from both sides so that views are built and tested before the
// controller (tests/support/fakeapplicationdelegate.h records the calls). Main thread only; the views hold a
// non-owning pointer, null until the controller sets it.
#pragma once

#include "utils/span.h"

#include <vector>

struct WordStatistics;

class ApplicationDelegate {
public:
  virtual ~ApplicationDelegate() = default;
  virtual void markAsKnown(Span const& word) = 0;
  virtual void markAsUnknown(Span const& word) = 0;
  virtual void toggleKnown(Span const& word) = 0;
  virtual void markAsKnown(std::vector<WordStatistics*> const& words) = 0;
  virtual void markAsUnknown(std::vector<WordStatistics*> const& words) = 0;
  virtual void showDefinition(Span const& word) = 0;
  // At a point in screen coordinates: Qt global logical pixels, top-left origin.
  virtual void showDefinition(Span const& word, double x, double y) = 0;
  // option: an index into the online-search options.
  virtual void onlineLookup(Span const& word, unsigned long option) = 0;
  virtual void copyToClipboard(std::vector<WordStatistics*> const& words, bool append) = 0;
  virtual void findWord(Span const& term) = 0;
  // offset: a byte offset in the current document.
  virtual void findFromOffset(unsigned long offset, Span const& term) = 0;
  virtual void copySelectedText() = 0;
  virtual void paste(bool append) = 0;
  virtual void addCustomWordFromSelection() = 0;
  virtual void manageWordLists() = 0;
  virtual void wordListChanged() = 0;
};
