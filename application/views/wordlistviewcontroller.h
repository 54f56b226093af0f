// The word-list pane's controller: the delegate of its view and of its tab strip, owner of the rows
// (WordListModel), and the sender of its word commands to the application controller. Built with the view
// and the strip it drives: it adds the "All", "Known" and "Unknown" tabs and starts on "Unknown".
//
// The rows point into the attached statistics: the owner calls setDocumentStatistics at every document
// change and after every processing run, and with null (or another document's) before a document is
// destroyed. Main thread only.
#pragma once

#include "utils/colour.h"

#include <memory>
#include <utility>
#include <vector>

class ApplicationDelegate;
class DocumentStatistics;
class OnlineSearchOption;
class TabHeader;
class WordListManager;
class WordListView;
struct WordStatistics;

class WordListViewController {
public:
  static constexpr double MAX_FONT_SIZE = 25.0;
  static constexpr double MIN_FONT_SIZE = 10.0;

  // view, tabs and lists must outlive the controller.
  WordListViewController(WordListView& view, TabHeader& tabs, WordListManager const& lists);
  ~WordListViewController();
  WordListViewController(WordListViewController const&) = delete;
  WordListViewController& operator=(WordListViewController const&) = delete;

  // Receives the word commands; not owned, null until set.
  void setDelegate(ApplicationDelegate* delegate);
  // Fetches the rows again (also for the same statistics: a run has ended) and shows them. Null empties
  // the table at once. Another document's statistics clear the selection.
  void setDocumentStatistics(DocumentStatistics const* statistics);
  // Kept, not copied; null is the empty list.
  void setOnlineSearchOptions(std::vector<OnlineSearchOption> const* options);
  // Fetches again (the current list or its words changed) and shows the rows.
  void refresh();

  bool hasFocus() const;
  void selectAll();
  // Has the focus and a selected row.
  bool canCopy() const;
  // The selected words to the delegate's copyToClipboard, when there is a delegate and a word.
  void copy(bool append);
  // Clamped to 0-25 points, a size above 0 raised to at least 10; 0 keeps the table's font.
  void setFontSize(double points);
  // The colour scheme's normal style, foreground and background.
  void setColours(std::pair<Colour, Colour> const& colours);

  // What ApplicationDelegate::copyToClipboard does with words: their texts each followed by a line feed,
  // the last one dropped, replacing the clipboard or added as one more item. Nothing without words.
  static void copyToClipboard(std::vector<WordStatistics*> const& words, bool append);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
