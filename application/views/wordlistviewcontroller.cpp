// Selection across updates: re-sorting, filtering and switching tabs keep the selected words selected
// wherever they now stand (records are compared by address, never read); a refetch after a run or a
// refresh keeps the selected row indexes, as the table does; another document starts unselected.
#include "views/wordlistviewcontroller.h"

#include "text/wordhash.h"
#include "text/wordstatistics.h"
#include "views/applicationdelegate.h"
#include "views/clipboard.h"
#include "views/onlinesearchoption.h"
#include "views/tabheader.h"
#include "views/tabheaderdelegate.h"
#include "views/tabitem.h"
#include "views/wordlistdelegate.h"
#include "views/wordlistmenu.h"
#include "views/wordlistmodel.h"
#include "views/wordlistview.h"
#include "wordlists/wordlistmanager.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {
const std::vector<OnlineSearchOption> NO_OPTIONS;
const char* const TAB_TITLES[] = {"All", "Known", "Unknown"};
constexpr size_t UNKNOWN_TAB = 2;
} // namespace

struct WordListViewController::Impl : TabHeaderDelegate, WordListDelegate {
  Impl(WordListView& view, TabHeader& tabs, WordListManager const& lists)
      : view(view), tabs(tabs), lists(lists), model(lists) {}

  WordListView& view;
  TabHeader& tabs;
  WordListManager const& lists;
  WordListModel model;
  ApplicationDelegate* delegate = nullptr;                      // receives the word commands; not owned
  std::vector<OnlineSearchOption> const* options = &NO_OPTIONS; // not owned
  size_t selectedTab = UNKNOWN_TAB;
  TabItem items[3]; // "All", "Known", "Unknown"; data points at the item
  std::pair<Colour, Colour> colours{Colour(0, 0, 0), Colour(255, 255, 255)}; // last applied

  std::vector<OnlineSearchOption> const& onlineSearchOptions() const override { return *options; }
  void setSearchText(WordListView&, const char* text) override {
    model.setSearchText(Span(text));
    showKeepingWords();
  }
  void setSortType(WordListView&, WordStatisticsSort::Type type) override {
    model.setSortType(type);
    showKeepingWords();
  }
  long rowCount(WordListView&) const override { return long(model.rowCount()); }
  size_t cellText(WordListView&, long row, int column, char* buffer, size_t size) const override {
    return model.cellText(row < 0 ? model.rowCount() : size_t(row), column, buffer, size);
  }
  std::vector<long> widestRows(WordListView&, size_t count) const override {
    const std::vector<size_t> rows = model.widestRows(count);
    return std::vector<long>(rows.begin(), rows.end());
  }
  void menuState(WordListView&, bool* knownEnabled, bool* unknownEnabled, bool* othersEnabled) const override;
  void rowAction(WordListView&, long row, bool command) override;
  void menuCommand(WordListView&, int tag) override;

  void tabChanged(TabHeader const& header, TabItem const& item) override;
  void tabClose(TabHeader const&, TabItem const&) override {}

  WordStatistics* rowAt(long row) const { return row < 0 ? nullptr : model.row(size_t(row)); }
  std::vector<WordStatistics*> selectedWords() const;
  // Updates the rows and shows them; the view keeps its selected indexes.
  void show() {
    model.update();
    view.refresh();
  }
  void showKeepingWords();
};

void WordListViewController::Impl::menuState(WordListView&, bool* knownEnabled, bool* unknownEnabled,
                                             bool* othersEnabled) const {
  const std::vector<WordStatistics*> words = selectedWords();
  if (words.size() == 1) {
    const bool listed = lists.current().exists(words[0]->word) == WordHash::Word;
    if (knownEnabled) *knownEnabled = !listed;
    if (unknownEnabled) *unknownEnabled = listed;
  }
  if (othersEnabled) *othersEnabled = !words.empty();
}

void WordListViewController::Impl::rowAction(WordListView&, long row, bool command) {
  WordStatistics const* record = rowAt(row);
  if (!delegate || !record) return;
  if (command)
    delegate->toggleKnown(record->word);
  else
    delegate->findWord(record->word);
}

void WordListViewController::Impl::menuCommand(WordListView&, int tag) {
  if (!delegate) return;
  const std::vector<WordStatistics*> words = selectedWords();
  switch (MenuItem::actionOf(tag)) {
  case WordListMenu::MarkKnown:
    return delegate->markAsKnown(words);
  case WordListMenu::MarkUnknown:
    return delegate->markAsUnknown(words);
  case WordListMenu::Copy:
    if (!words.empty()) delegate->copyToClipboard(words, false);
    return;
  case WordListMenu::ShowDefinition:
    if (!words.empty()) delegate->showDefinition(words[0]->word);
    return;
  case WordListMenu::OnlineLookup:
    if (!words.empty()) delegate->onlineLookup(words[0]->word, MenuItem::indexOf(tag));
    return;
  default:
    return;
  }
}

void WordListViewController::Impl::tabChanged(TabHeader const& header, TabItem const& item) {
  if (&header != &tabs) return;
  const auto found =
      std::find_if(std::begin(items), std::end(items), [&](TabItem const& i) { return &i == &item; });
  if (found == std::end(items)) return;
  selectedTab = size_t(found - std::begin(items));
  tabs.select(found->data);
  view.setFocus();
  model.setFilterType(selectedTab == 1   ? DocumentStatistics::KnownWords
                      : selectedTab == 2 ? DocumentStatistics::UnknownWords
                                         : DocumentStatistics::AllWords);
  showKeepingWords();
}

std::vector<WordStatistics*> WordListViewController::Impl::selectedWords() const {
  std::vector<WordStatistics*> words;
  if (!delegate) return words;
  const long clicked = view.clickedRow();
  bool clickedSelected = false;
  for (long row = view.firstIndex(); row >= 0; row = view.nextIndex(row)) {
    if (WordStatistics* record = rowAt(row)) words.push_back(record);
    clickedSelected = clickedSelected || row == clicked;
  }
  if (WordStatistics* record = rowAt(clicked); record && !clickedSelected) return {record};
  return words;
}

void WordListViewController::Impl::showKeepingWords() {
  std::vector<WordStatistics const*> selected;
  for (long row = view.firstIndex(); row >= 0; row = view.nextIndex(row))
    if (WordStatistics const* record = rowAt(row)) selected.push_back(record);
  std::sort(selected.begin(), selected.end());
  show();
  std::vector<long> rows;
  if (!selected.empty())
    for (size_t i = 0; i < model.rowCount(); ++i)
      if (std::binary_search(selected.begin(), selected.end(), model.row(i))) rows.push_back(long(i));
  view.selectRows(rows);
}

WordListViewController::WordListViewController(WordListView& view, TabHeader& tabs,
                                               WordListManager const& lists)
    : impl(std::make_unique<Impl>(view, tabs, lists)) {
  for (size_t i = 0; i < std::size(impl->items); ++i) {
    impl->items[i].title = TAB_TITLES[i];
    impl->items[i].data = &impl->items[i];
  }
  tabs.setDelegate(impl.get());
  view.setDelegate(impl.get());
  for (TabItem& item : impl->items)
    tabs.addItem(&item);
  tabs.select(impl->items[UNKNOWN_TAB].data);
  impl->model.setFilterType(DocumentStatistics::UnknownWords);
  impl->show();
}

WordListViewController::~WordListViewController() {
  impl->view.setDelegate(nullptr);
  impl->tabs.setDelegate(nullptr);
  for (TabItem& item : impl->items)
    impl->tabs.removeItem(&item);
}

void WordListViewController::setDelegate(ApplicationDelegate* delegate) {
  impl->delegate = delegate;
}

void WordListViewController::setDocumentStatistics(DocumentStatistics const* statistics) {
  const bool another = statistics != impl->model.statistics();
  impl->model.setStatistics(statistics);
  impl->show();
  if (another) impl->view.selectRows({});
}

void WordListViewController::setOnlineSearchOptions(std::vector<OnlineSearchOption> const* options) {
  impl->options = options ? options : &NO_OPTIONS;
}

void WordListViewController::refresh() {
  impl->model.setDirty();
  impl->show();
}

bool WordListViewController::hasFocus() const {
  return impl->view.hasFocus();
}

void WordListViewController::selectAll() {
  impl->view.selectAll();
}

bool WordListViewController::canCopy() const {
  return impl->view.hasFocus() && impl->view.selectedCount() > 0;
}

void WordListViewController::copy(bool append) {
  if (!impl->delegate) return;
  const std::vector<WordStatistics*> words = impl->selectedWords();
  if (!words.empty()) impl->delegate->copyToClipboard(words, append);
}

void WordListViewController::setFontSize(double points) {
  // NaN counts as 0, like any size not above 0.
  double size = points > 0 ? std::min(points, MAX_FONT_SIZE) : 0.0;
  if (size > 0) size = std::max(size, MIN_FONT_SIZE);
  impl->view.setChineseFontSize(size);
}

void WordListViewController::setColours(std::pair<Colour, Colour> const& colours) {
  impl->colours = colours;
  impl->view.setTextColour(colours.first);
  impl->view.setBackgroundColour(colours.second);
}

void WordListViewController::copyToClipboard(std::vector<WordStatistics*> const& words, bool append) {
  std::string text;
  for (WordStatistics const* word : words)
    if (word) text.append(word->word.view()).append("\n");
  if (text.empty()) return;
  text.pop_back();
  Clipboard clipboard;
  if (append)
    clipboard.appendText(Span(text));
  else
    clipboard.setText(Span(text));
}
