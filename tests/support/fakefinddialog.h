// A find bar for controller tests: it keeps its text and the delegate it was shown with, and finds by asking
// that delegate as Return in the real bar does.
#pragma once

#include "utils/span.h"
#include "views/finddialog.h"
#include "views/finddialogdelegate.h"

#include <string>
#include <vector>

namespace qmtest {

class FakeFindDialog : public FindDialog {
public:
  FindDialogDelegate* delegate = nullptr;
  std::string text;

  void show(FindDialogDelegate* d) override { delegate = d; }
  void setSearchText(const char* t) override { text = t ? t : ""; }
  // Return in the field.
  void find() {
    if (delegate) delegate->find(*this, Span(text));
  }
  std::vector<std::string> history() {
    std::vector<const char*> terms;
    if (delegate) delegate->getSearchHistory(*this, terms);
    return {terms.begin(), terms.end()};
  }
};

} // namespace qmtest
