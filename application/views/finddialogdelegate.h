// What the find bar asks of the application controller: the recent search terms, and a find. Texts cross as
// UTF-8. Main thread only.
#pragma once

#include "utils/span.h"

#include <vector>

class FindDialog;

class FindDialogDelegate {
public:
  virtual ~FindDialogDelegate() = default;
  // Fills terms with the recent search terms, most recent first; valid until the history changes.
  virtual void getSearchHistory(FindDialog& dialog, std::vector<const char*>& terms) const = 0;
  virtual void addSearchTerm(FindDialog& dialog, Span const& term) = 0;
  // The field's text (empty for an empty field): the controller decides what to do with it.
  virtual void find(FindDialog& dialog, Span const& term) = 0;
};
