// The logic behind the document text view: it owns what the view draws from (the page's Layout over a
// display map styled by a Lexoscope, the Highlighter, the StyleManager), keeps what the reader's mouse and
// keys change (scroll position, caret word, hover, selection, the word of the last right-click), and turns
// the reader's actions into word commands to the ApplicationDelegate. The view reaches it through
// TextViewDelegate; the application controller calls the operations below.
//
// Built with what it drives: the view (whose line breaker lays the page out), the word lists (the menu
// switches the current one) and the segment engine. All three must outlive it. Main thread only.
#pragma once

#include "utils/span.h"
#include "utils/text.h"
#include "views/colourscheme.h"

#include <cstdint>
#include <memory>
#include <vector>

class ApplicationDelegate;
class DocumentStatistics;
class OnlineSearchOption;
class SegmentEngine;
class TextDocument;
class TextView;
class WordListManager;
struct DocumentState;
struct FontDescription;

class TextViewController {
public:
  TextViewController(TextView& view, WordListManager& lists, SegmentEngine const& engine);
  ~TextViewController();
  TextViewController(TextViewController const&) = delete;
  TextViewController& operator=(TextViewController const&) = delete;

  // Receives the word commands; not owned, null until set (commands are dropped meanwhile).
  void setDelegate(ApplicationDelegate* delegate);
  // Shows a document (null: none) from its state's position with its selection (a null state is all
  // zeros). The document and its statistics must stay alive until the next call.
  void setDocument(DocumentStatistics* statistics, TextDocument* document, DocumentState const* state);
  // The page from the line holding offset, that offset's place in it at the top.
  void scrollTo(unsigned long offset);
  // The line-height multiplier; the page is laid out again.
  void setLineSpacing(double multiplier);
  void setFont(FontDescription const& font);
  void setColourScheme(ColourScheme::Colours const& colours);
  // Kept, not copied; null is the empty list.
  void setOnlineSearchOptions(std::vector<OnlineSearchOption> const* options);
  // Styles the page again (word list or looked-up words changed) and redraws it.
  void refresh();
  void showNotFound();
  // Every match of term is styled as a search match from the next styling on.
  void preFind(Span const& term);
  // A search hit at offset: it becomes the current match; the page stays when the hit lies from the fourth
  // line to the last whole line, otherwise the hit is brought to the fourth line.
  void showFound(unsigned long offset);
  void selectAll();
  // The selection's start on the fourth line.
  void centerSelection();
  // The position and the selection (start <= end) to remember; all zeros without a document.
  void selection(DocumentState& state) const;
  void setFocus();
  // n < 0 scrolls up; the selection is not extended.
  void scrollLines(int n);
  // n pages of the page's lines less one.
  void scrollPages(int n);

  // The selected text, at most maxBytes of it, cut at a character boundary; empty without a document.
  Text selectedText(uint64_t maxBytes = UINT64_MAX) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
