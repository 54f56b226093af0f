// The menu word is a span of its buffer, never a C string: a selected text of 1,024 bytes fills the buffer
// whole. The top offset is the scroll position in bytes, which moves on inside the first line while pixel
// scrolling slides it up; it is reported to the scroller whenever the page moves.
#include "views/textviewcontroller.h"

#include "display/documentmap.h"
#include "display/lexoscope.h"
#include "documents/documentstate.h"
#include "documents/documentstatistics.h"
#include "documents/textdocument.h"
#include "text/wordhash.h"
#include "views/applicationdelegate.h"
#include "views/clipboard.h"
#include "views/fontdescription.h"
#include "views/highlighter.h"
#include "views/layout.h"
#include "views/linebreaker.h"
#include "views/onlinesearchoption.h"
#include "views/stylemanager.h"
#include "views/textview.h"
#include "views/textviewdelegate.h"
#include "views/textviewmenu.h"
#include "wordlists/wordlistmanager.h"

#include <algorithm>
#include <string>

namespace {
const std::vector<OnlineSearchOption> NO_OPTIONS;
constexpr uint64_t NO_PAGE = UINT64_MAX;
constexpr size_t MENU_WORD_SIZE = 1024;
constexpr size_t WORD_SIZE = 1024; // a word under the caret: at most 1,023 bytes
constexpr double MARGIN_LEFT = 25, MARGIN_TOP = 0, MARGIN_RIGHT = 25, MARGIN_BOTTOM = 0;
// A hit shown by a search or a centred selection stands on the fourth line.
constexpr int LINES_ABOVE = 3;
} // namespace

struct TextViewController::Impl : TextViewDelegate {
  Impl(TextView& view, WordListManager& lists, SegmentEngine const& engine)
      : view(view), lists(lists), lexoscope(lists, engine, Lexoscope::Utf16),
        m_layout(documentMap, view.lineBreaker()) {
    m_layout.setMargins(MARGIN_LEFT, MARGIN_TOP, MARGIN_RIGHT, MARGIN_BOTTOM);
    documentMap.setLexoscope(&lexoscope);
    m_highlighter.setStyles(&m_styles);
  }

  TextView& view;
  WordListManager& lists;
  ApplicationDelegate* delegate = nullptr;                      // not owned; commands dropped while null
  TextDocument* document = nullptr;                             // null: no document shown
  DocumentStatistics* statistics = nullptr;                     // the shown document's
  std::vector<OnlineSearchOption> const* options = &NO_OPTIONS; // not owned
  std::vector<WordStatistics*> markAllWords;                    // scratch for the mark-document commands
  Layout::Hit caret;                                            // the last hit test or caret move
  // m_: the delegate's accessors of these three take the plain names.
  StyleManager m_styles;
  Highlighter m_highlighter;
  Lexoscope lexoscope;
  DocumentMap documentMap;
  Layout m_layout;
  uint64_t topOffset = 0; // the scroll position last reported to the scroller
  // Lines wrapped anew show the line holding the reader's place from its start. The place is kept while only
  // rewraps move the top, so that a window resized step by step does not creep up the text.
  uint64_t rewrapPlace = 0;     // the top offset before the first of those rewraps
  uint64_t rewrapTop = NO_PAGE; // the top the last rewrap made; any other top is the reader's new place
  uint64_t pageBytes = NO_PAGE; // the last page's size + 1 (Layout::lastPageSize)
  char menuWord[MENU_WORD_SIZE];
  size_t menuWordLength = 0;
  uint64_t menuWordOffset = 0;
  std::vector<std::unique_ptr<WordList>> menuWordLists; // as they stood when the menu was built

  // TextViewDelegate
  std::vector<OnlineSearchOption> const& onlineSearchOptions() const override { return *options; }
  void onMenuCommand(TextView& view, int tag) override;
  void onLeftButtonDoubleClick(TextView& view, bool shift, double x, double y) override;
  void onRightButtonDown(TextView& view, double x, double y) override;
  void paste(TextView&) override {
    if (delegate) delegate->paste(true);
  }
  void onMouseMoved(TextView&, double x, double y) override {
    if (!document) return;
    caret = m_layout.hitTest(x, y);
    applyCaret();
  }
  void onMouseExited(TextView&) override {
    m_highlighter.setHover(0, 0);
    view.redraw();
  }
  void resize(TextView& v, double, double) override {
    m_layout.setMargins(MARGIN_LEFT, MARGIN_TOP, MARGIN_RIGHT, MARGIN_BOTTOM);
    relayout(v);
  }
  void relayout(TextView& view) override;
  void onLeftButtonDown(TextView&, double x, double y) override {
    const uint64_t offset = document ? m_layout.offsetAt(*document, true, x, y) : 0;
    m_highlighter.setHover(0, 0);
    m_highlighter.setSelection(offset, offset);
  }
  void onMouseDragged(TextView&, double x, double y) override {
    m_highlighter.setSelectionEnd(document ? m_layout.offsetAt(*document, true, x, y) : 0);
    view.redraw();
  }
  void onLeftButtonUp(TextView&) override {
    if (m_highlighter.selectionAnchor() == m_highlighter.selectionEnd() && delegate) {
      delegate->findWord(Span());
      m_layout.reanalyse();
    }
    view.redraw();
  }
  void onScrollWheel(TextView&, double pixels) override {
    if (!document) return;
    report(m_layout.scrollBy(*document, pixels));
    extendDragSelection();
    view.redraw();
  }
  void scrollLines(TextView&, int n) override {
    if (!document) return;
    scroll(n);
    extendDragSelection();
    view.redraw();
  }
  void scrollPages(TextView&, int n) override {
    if (n != 0 && document) report(m_layout.scrollPages(*document, n));
    view.redraw();
  }
  void scrollTo(TextView&, unsigned long offset) override {
    report(offset);
    if (document) {
      m_layout.layoutFrom(*document, offset);
      m_layout.alignToOffset(offset);
    }
    view.redraw();
  }
  Layout& layout() override { return m_layout; }
  Highlighter& highlighter() override { return m_highlighter; }
  StyleManager& styles() override { return m_styles; }
  std::vector<std::unique_ptr<WordList>> const& wordListsForMenu(TextView&) override { return menuWordLists; }
  bool isCurrentWordList(TextView&, const char* baseName) override {
    const char* current = lists.currentList();
    if (!current || !baseName) return !current && !baseName;
    return std::string_view(current) == baseName;
  }
  Layout::Hit currentWord() override { return caret; }
  bool onKeyDown(TextView& view, unsigned short character) override;
  void moveUp(TextView&) override { moveCaret(&Layout::wordUp); }
  void moveDown(TextView&) override { moveCaret(&Layout::wordDown); }
  void moveLeft(TextView&) override { moveCaret(&Layout::wordLeft); }
  void moveRight(TextView&) override { moveCaret(&Layout::wordRight); }
  bool onIdle(TextView&) override { return document && documentMap.prepare(*document); }

  // The scroller learns the new position (which becomes the top offset).
  void report(uint64_t top) { topOffset = view.setScrollPosition(top); }
  void reportPage() {
    topOffset = view.updateScrollPosition(topOffset, pageBytes, document ? document->totalBytes() : 0);
  }
  // n lines (n < 0 upwards), without redrawing.
  void scroll(int n) {
    if (n == 0 || !document) return;
    report(m_layout.scrollLines(*document, n));
  }
  // The page from the line holding offset, whole lines only, then back LINES_ABOVE lines.
  void bringToFourthLine(uint64_t offset) {
    report(offset);
    if (!document) return;
    m_layout.layoutFrom(*document, offset);
    m_layout.alignToOffset(m_layout.topOffset());
    scroll(-LINES_ABOVE);
  }
  void applyCaret() {
    m_highlighter.setHover(caret.startOffset, caret.endOffset);
    view.redraw();
  }
  // A caret move scrolls the page when the new word is not in view; then the scroller follows.
  void moveCaret(Layout::Hit (Layout::*move)(TextDocument const&, Layout::Hit const&)) {
    if (!document) return;
    const uint64_t top = m_layout.topOffset();
    caret = (m_layout.*move)(*document, caret);
    if (m_layout.topOffset() != top) report(m_layout.topOffset());
    applyCaret();
  }
  void extendDragSelection() {
    const int direction = view.dragScrollAmount();
    if (direction == 0 || !document) return;
    const bool up = direction < 0;
    m_highlighter.setSelectionEnd(
        m_layout.offsetAt(*document, false, up ? 0 : view.viewWidth(), up ? 0 : view.viewHeight()));
  }
  // The word under a hit, at most size - 1 bytes of it; empty on no word.
  Span wordOf(Layout::Hit const& hit, char* buffer, size_t size) const {
    uint64_t offset = 0;
    bool isWord = false;
    size_t length = size;
    m_layout.wordSpan(hit, offset, isWord, buffer, length);
    return Span(buffer, length);
  }
  bool knownWord(Span const& word) const {
    return word.length > 0 && lists.current().exists(word) == WordHash::Word;
  }
  void toggle(Span const& word) {
    if (knownWord(word))
      delegate->markAsUnknown(word);
    else
      delegate->markAsKnown(word);
  }
  Span menuSpan() const { return Span(menuWord, menuWordLength); }
  void clearMenuWord() {
    menuWordLength = 0;
    menuWordOffset = 0;
  }
  int menuState(Layout::Hit const& hit);
  void markDocument(bool known);
  void chooseWordList(unsigned index);
};

void TextViewController::Impl::relayout(TextView&) {
  m_layout.setViewSize(view.viewWidth(), view.viewHeight());
  pageBytes = NO_PAGE;
  if (document) {
    const auto firstLine = [this] {
      return m_layout.lineCount() == 0 ? std::pair{NO_PAGE, NO_PAGE}
                                       : std::pair{m_layout.line(0).byteOffset, m_layout.line(0).endOffset()};
    };
    const auto before = firstLine();
    pageBytes = m_layout.lastPageSize(*document);
    if (topOffset != rewrapTop) rewrapPlace = topOffset;
    m_layout.layoutFrom(*document, rewrapPlace);
    if (firstLine() == before) {
      m_layout.alignToOffset(topOffset);
    } else {
      m_layout.alignToOffset(m_layout.topOffset());
      topOffset = rewrapTop = m_layout.topOffset();
    }
  }
  reportPage();
  view.redraw();
}

void TextViewController::Impl::onLeftButtonDoubleClick(TextView&, bool shift, double x, double y) {
  if (!delegate) return;
  m_highlighter.setHover(0, 0);
  caret = m_layout.hitTest(x, y);
  char buffer[WORD_SIZE];
  const Span word = wordOf(caret, buffer, sizeof buffer);
  if (shift)
    delegate->showDefinition(word);
  else
    toggle(word);
}

// The state bits of the popup menu for a right-click on hit, with the menu word taken.
int TextViewController::Impl::menuState(Layout::Hit const& hit) {
  int state = 0;
  uint64_t offset = 0;
  bool isWord = false;
  size_t length = MENU_WORD_SIZE;
  m_layout.wordSpan(hit, offset, isWord, menuWord, length);
  menuWordLength = length;
  menuWordOffset = offset;
  if (isWord) state |= TextView::OnWord;
  // Only a click on the text can act on the selection: one on no token says nothing about where it is.
  const bool onToken = hit.startOffset < hit.endOffset;
  const uint64_t start = std::min(m_highlighter.selectionAnchor(), m_highlighter.selectionEnd());
  const uint64_t end = std::max(m_highlighter.selectionAnchor(), m_highlighter.selectionEnd());
  if (onToken && start <= menuWordOffset && end > menuWordOffset) {
    menuWordLength = document->copyToBuffer(start, menuWord, std::min<uint64_t>(end - start, MENU_WORD_SIZE));
    menuWordOffset = start;
    state |= TextView::OnSelection;
  }
  if (knownWord(menuSpan())) state |= TextView::WordKnown;
  if (statistics) {
    DocumentInfo const& info = statistics->info(lists.current());
    if (info.knownUniqueWords != info.uniqueWords) state |= TextView::HasUnknownWords;
    if (info.knownUniqueWords > 0) state |= TextView::HasKnownWords;
  }
  return state;
}

void TextViewController::Impl::onRightButtonDown(TextView&, double x, double y) {
  if (!document) return;
  clearMenuWord();
  caret = m_layout.hitTest(x, y);
  const int state = menuState(caret);
  menuWordLists = lists.wordLists();
  view.showPopupMenu(state, x, y);
}

void TextViewController::Impl::markDocument(bool known) {
  if (!statistics) return;
  markAllWords.clear();
  statistics->wordStatisticsList(markAllWords, WordStatisticsSort::Type(0));
  if (known)
    delegate->markAsKnown(markAllWords);
  else
    delegate->markAsUnknown(markAllWords);
  markAllWords.clear();
}

void TextViewController::Impl::chooseWordList(unsigned index) {
  const auto current = lists.wordLists();
  if (index >= current.size()) return delegate->manageWordLists();
  lists.setCurrent(current[index]->baseName());
  delegate->wordListChanged();
}

void TextViewController::Impl::onMenuCommand(TextView&, int tag) {
  if (!delegate) return;
  const Span word = menuSpan();
  switch (MenuItem::actionOf(tag)) {
  case TextViewMenu::MarkKnown:
  case TextViewMenu::MarkUnknown:
    if (MenuItem::actionOf(tag) == TextViewMenu::MarkKnown)
      delegate->markAsKnown(word);
    else
      delegate->markAsUnknown(word);
    m_highlighter.setHover(0, 0);
    view.redraw();
    break;
  case TextViewMenu::MarkDocumentKnown:
  case TextViewMenu::MarkDocumentUnknown:
    markDocument(MenuItem::actionOf(tag) == TextViewMenu::MarkDocumentKnown);
    break;
  case TextViewMenu::Copy:
    // A click on no word with nothing selected has nothing to copy: the clipboard keeps what it holds.
    if (m_highlighter.selectionAnchor() != m_highlighter.selectionEnd())
      delegate->copySelectedText();
    else if (word.length > 0)
      Clipboard().setText(word);
    break;
  case TextViewMenu::FindNext:
    // An empty term would replace the last search.
    if (word.length > 0) delegate->findFromOffset(menuWordOffset + 1, word);
    break;
  case TextViewMenu::ShowDefinition:
    delegate->showDefinition(word);
    break;
  case TextViewMenu::OnlineLookup:
    delegate->onlineLookup(word, MenuItem::indexOf(tag));
    break;
  case TextViewMenu::AddCustomWord:
    delegate->addCustomWordFromSelection();
    break;
  case TextViewMenu::WordList:
    chooseWordList(MenuItem::indexOf(tag));
    break;
  default:
    break;
  }
  clearMenuWord();
}

bool TextViewController::Impl::onKeyDown(TextView&, unsigned short character) {
  if (!delegate) return false;
  char buffer[WORD_SIZE];
  switch (character) {
  case 'd': {
    const Span word = wordOf(caret, buffer, sizeof buffer);
    // Below the caret's line, where the view draws it: margins and pixel offset included.
    double x = m_layout.leftMargin() + caret.x;
    double y = m_layout.topMargin() + caret.y + caret.height;
    view.toScreen(x, y);
    delegate->showDefinition(word, x, y);
    return true;
  }
  case 'h':
    moveLeft(view);
    return true;
  case 'j':
    moveDown(view);
    return true;
  case 'k':
    moveUp(view);
    return true;
  case 'l':
    moveRight(view);
    return true;
  case ' ':
  case 't':
    toggle(wordOf(caret, buffer, sizeof buffer));
    return true;
  default:
    return false;
  }
}

TextViewController::TextViewController(TextView& view, WordListManager& lists, SegmentEngine const& engine)
    : impl(std::make_unique<Impl>(view, lists, engine)) {
  view.setDelegate(impl.get());
}

TextViewController::~TextViewController() {
  impl->view.setDelegate(nullptr);
}

void TextViewController::setDelegate(ApplicationDelegate* delegate) {
  impl->delegate = delegate;
}

void TextViewController::setDocument(DocumentStatistics* statistics, TextDocument* document,
                                     DocumentState const* state) {
  Impl& d = *impl;
  const DocumentState none;
  DocumentState const& s = state ? *state : none;
  d.statistics = statistics;
  d.document = document;
  d.topOffset = s.position;
  d.rewrapTop = NO_PAGE;
  d.caret = Layout::Hit{};
  d.m_highlighter.setHover(0, 0);
  d.clearMenuWord();
  d.m_layout.reset();
  d.relayout(d.view);
  d.m_highlighter.setSelection(s.selectionStart, s.selectionEnd);
  d.scrollTo(d.view, s.position);
}

void TextViewController::scrollTo(unsigned long offset) {
  impl->scrollTo(impl->view, offset);
}

void TextViewController::setLineSpacing(double multiplier) {
  impl->m_layout.lineBreaker().setLineSpacing(multiplier);
  impl->relayout(impl->view);
}

void TextViewController::setFont(FontDescription const& font) {
  impl->view.setFont(font);
}

void TextViewController::setColourScheme(ColourScheme::Colours const& colours) {
  impl->m_styles.setColours(colours);
  impl->view.redraw();
}

void TextViewController::setOnlineSearchOptions(std::vector<OnlineSearchOption> const* options) {
  impl->options = options ? options : &NO_OPTIONS;
}

void TextViewController::refresh() {
  impl->m_layout.reanalyse();
  impl->view.redraw();
}

void TextViewController::showNotFound() {
  refresh();
}

void TextViewController::preFind(Span const& term) {
  impl->lexoscope.setSearchTerm(term);
}

void TextViewController::showFound(unsigned long offset) {
  Impl& d = *impl;
  d.lexoscope.setCurrentMatch(offset);
  const size_t n = d.m_layout.lineCount();
  if (n == 0) return;
  const uint64_t changes = d.lexoscope.changeCount();
  // The band a hit may stand in without moving the page: the fourth line to the last whole line.
  const uint64_t bandStart = d.m_layout.line(n < 4 ? 0 : 3).byteOffset;
  uint64_t bandEnd = bandStart;
  for (size_t i = n; i-- > 0;) {
    Line const& line = d.m_layout.line(i);
    if (d.m_layout.topMargin() + line.y + line.height <= d.view.viewHeight()) {
      bandEnd = line.endOffset();
      break;
    }
  }
  if (offset < bandStart || offset >= bandEnd) d.bringToFourthLine(offset);
  if (d.lexoscope.changeCount() == changes) d.m_layout.reanalyse();
  d.view.redraw();
}

void TextViewController::selectAll() {
  if (!impl->document) return;
  impl->m_highlighter.setSelection(0, impl->document->totalBytes());
  impl->view.redraw();
}

void TextViewController::centerSelection() {
  Impl& d = *impl;
  d.bringToFourthLine(std::min(d.m_highlighter.selectionAnchor(), d.m_highlighter.selectionEnd()));
  d.view.redraw();
}

void TextViewController::selection(DocumentState& state) const {
  Impl const& d = *impl;
  state = DocumentState{};
  if (!d.document) return;
  state.position = d.topOffset;
  state.selectionStart = std::min(d.m_highlighter.selectionAnchor(), d.m_highlighter.selectionEnd());
  state.selectionEnd = std::max(d.m_highlighter.selectionAnchor(), d.m_highlighter.selectionEnd());
}

void TextViewController::setFocus() {
  impl->view.setFocus();
}

void TextViewController::scrollLines(int n) {
  impl->scroll(n);
  impl->view.redraw();
}

void TextViewController::scrollPages(int n) {
  impl->scrollPages(impl->view, n);
}

Text TextViewController::selectedText(uint64_t maxBytes) const {
  Impl const& d = *impl;
  DocumentState state;
  selection(state);
  const uint64_t wanted = std::min(state.selectionEnd - state.selectionStart, maxBytes);
  if (!d.document || wanted == 0) return Text();
  std::string buffer(size_t(wanted), '\0');
  const size_t kept = d.document->copyToBuffer(state.selectionStart, buffer.data(), buffer.size());
  return Text(buffer.data(), kept);
}
