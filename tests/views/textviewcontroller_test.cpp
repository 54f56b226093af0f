#include "views/textviewcontroller.h"

#include "documents/documentstate.h"
#include "documents/textdocument.h"
#include "support/fakeapplicationdelegate.h"
#include "support/faketextview.h"
#include "support/wordfixture.h"
#include "views/clipboard.h"
#include "views/highlighter.h"
#include "views/onlinesearchoption.h"
#include "views/textviewdelegate.h"
#include "views/textviewmenu.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;
using qmtest::FakeTextView;

// With line spacing 1 every line is 10 high and every character 10 wide; the margins are 25 left and right.
constexpr double LINE = 10;

// Letters only, one token a word: line k is "Ka Kb Kc" (12 bytes with its line feed), K two letters.
std::string letterLines(int count) {
  std::string text;
  for (int k = 0; k < count; ++k) {
    const std::string base{char('a' + k / 26 % 26), char('a' + k % 26)};
    text += base + "a " + base + "b " + base + "c\n";
  }
  return text;
}

// The menu as one line: "!" marks a disabled item, "-" a separator, "[...]" a submenu's items.
std::string menuText(std::vector<MenuItem> const& items) {
  std::string out;
  for (MenuItem const& item : items) {
    if (!out.empty()) out += "|";
    if (item.kind == MenuItem::Separator) {
      out += "-";
      continue;
    }
    out += (item.enabled ? "" : "!") + std::string(item.ticked ? "*" : "") + item.title;
    if (item.kind == MenuItem::Submenu) out += "[" + menuText(item.items) + "]";
  }
  return out;
}

class TextViewControllerTest : public testing::Test {
protected:
  void SetUp() override {
    controller.setDelegate(&application);
    controller.setLineSpacing(1.0);
    view.resize(20 * 10 + 50, 10 * LINE); // 20 characters, 10 lines
  }

  void open(std::string const& text, DocumentState const* state = nullptr) {
    qmtest::writeFile(root / "doc.txt", text);
    document = std::make_unique<TextDocument>((root / "doc.txt").c_str());
    statistics = fixture.statistics(text);
    controller.setDocument(statistics.get(), document.get(), state);
  }
  TextViewDelegate& delegate() { return *view.delegate; }
  Calls takeCalls() { return std::exchange(application.calls, {}); }
  uint64_t top() { return delegate().layout().topOffset(); }

  qmtest::WordFixture fixture;
  qmtest::TempDir root;
  WordListManager lists{root.str().c_str()};
  FakeTextView view;
  TextViewController controller{view, lists, fixture.engine};
  qmtest::FakeApplicationDelegate application;
  std::unique_ptr<TextDocument> document;
  std::unique_ptr<DocumentStatistics> statistics;
};

} // namespace

// The text "中国人民\n我们的中国。abc\n": line 0 holds 中国 (x 25-45) and 人民 (45-65); line 1 我们, 的,
// 中国, 。 (x 75-85), abc.
TEST_F(TextViewControllerTest, RightClickStatesAndTheMenuWord) {
  open(qmtest::WordFixture::TEXT);
  const auto known = [&] { lists.current().add(Span("中国")); };
  const auto select = [&](uint64_t a, uint64_t b) {
    return [=, this] { delegate().highlighter().setSelection(a, b); };
  };
  const struct {
    const char* name;
    std::function<void()> before;
    double x, y;
    int state;
    const char* word;
  } cases[] = {
      {"unknown word", {}, 30, 5, 1 | 8, "中国"},
      {"known word", known, 30, 5, 1 | 2 | 8 | 16, "中国"},
      {"punctuation", {}, 80, 15, 1, ""},
      {"below the text", {}, 30, 95, 1, ""},
      {"inside the selection", select(0, 12), 50, 5, 1 | 4 | 8, "中国人民"},
      {"backward selection", select(12, 3), 50, 5, 1 | 4 | 8, "国人民"},
      {"word after the selection", select(0, 6), 50, 5, 1 | 8, "人民"},
      // The click names no place in the text, so a selection from offset 0 does not take the menu.
      {"below the text, all selected", select(0, 40), 30, 95, 1, ""},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    lists.current().clear();
    delegate().highlighter().clearSelection();
    if (c.before) c.before();
    delegate().onRightButtonDown(view, c.x, c.y);
    EXPECT_EQ(view.menuState, c.state);
    delegate().onMenuCommand(view, TextViewMenu::ShowDefinition);
    EXPECT_EQ(takeCalls(), Calls{std::string("showDefinition ") + c.word});
  }

  // The items for a word, a selection and no word (one word list: its submenu is disabled).
  const struct {
    int state;
    const char* menu;
  } menus[] = {
      {1 | 8, "Mark as known|-|Show definition|!Add custom word|-|Find next|Copy|-|!Word list[*[Known]]|-|"
              "Mark entire document known|!Mark entire document unknown"},
      {2 | 4 | 8 | 16,
       "Mark as unknown|-|Show definition|Add custom word|-|Find next|Copy|-|!Word list[*[Known]]|-|"
       "!Mark entire document known|Mark entire document unknown"},
      {0, "!Mark as known|-|!Show definition|!Add custom word|-|Find next|Copy|-|!Word list[*[Known]]|-|"
          "!Mark entire document known|!Mark entire document unknown"},
  };
  delegate().onRightButtonDown(view, 30, 5);
  for (auto const& m : menus) {
    SCOPED_TRACE(m.state);
    EXPECT_EQ(menuText(TextViewMenu::build(m.state, &delegate(), view)), m.menu);
  }
  const std::vector<OnlineSearchOption> options{{"Site A", "https://a/%s"}, {"Site B", "https://b/%s"}};
  controller.setOnlineSearchOptions(&options);
  EXPECT_EQ(menuText(TextViewMenu::build(8, &delegate(), view)).substr(0, 60),
            "Mark as known|-|Show definition|Online lookup[Site A|Site B]");
}

TEST_F(TextViewControllerTest, CopyAndFindNextActOnlyOnAWord) {
  open(qmtest::WordFixture::TEXT);
  Clipboard().setText(Span("kept"));
  delegate().onRightButtonDown(view, 30, 95); // no word, nothing selected
  delegate().onMenuCommand(view, TextViewMenu::Copy);
  delegate().onRightButtonDown(view, 30, 95);
  delegate().onMenuCommand(view, TextViewMenu::FindNext); // must not replace the last search with ""
  EXPECT_EQ(Clipboard().text(), "kept");
  EXPECT_EQ(takeCalls(), Calls{});

  delegate().onRightButtonDown(view, 60, 15); // 中国 on line 1, at byte 22
  delegate().onMenuCommand(view, TextViewMenu::FindNext);
  delegate().onRightButtonDown(view, 60, 15);
  delegate().onMenuCommand(view, TextViewMenu::Copy);
  EXPECT_EQ(Clipboard().text(), "中国");
  delegate().highlighter().setSelection(0, 3);
  delegate().onMenuCommand(view, TextViewMenu::Copy);
  EXPECT_EQ(takeCalls(), (Calls{"findFromOffset 23 中国", "copySelectedText"}));

  // A selection of more than the menu word's 1,024 bytes fills the buffer whole: the word is its span, cut
  // at a character boundary, never read to a terminator that is not there.
  std::string text;
  for (int i = 0; i < 200; ++i)
    text += "中国人民";
  open(text + "\n");
  controller.selectAll();
  delegate().onRightButtonDown(view, 30, 5);
  delegate().onMenuCommand(view, TextViewMenu::FindNext);
  EXPECT_EQ(takeCalls(), Calls{"findFromOffset 1 " + text.substr(0, 1023)});
}

TEST_F(TextViewControllerTest, MenuCommandsByTag) {
  open(qmtest::WordFixture::TEXT);
  for (int i = 0; i < 10; ++i)
    lists.createList(("List " + std::to_string(i)).c_str(), false);
  const size_t count = lists.wordLists().size();
  ASSERT_EQ(count, 11u);
  const struct {
    int tag;
    Calls calls;
  } cases[] = {
      {MenuItem::tagOf(TextViewMenu::OnlineLookup, 2), {"onlineLookup 中国 2"}},
      {TextViewMenu::MarkKnown, {"markAsKnown 中国"}},
      {TextViewMenu::MarkUnknown, {"markAsUnknown 中国"}},
      {TextViewMenu::AddCustomWord, {"addCustomWordFromSelection"}},
      {MenuItem::tagOf(TextViewMenu::WordList, unsigned(count)), {"manageWordLists"}}, // "More..."
      {MenuItem::tagOf(TextViewMenu::WordList, 3), {"wordListChanged"}},
      {11, {}},
      {0, {}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.tag);
    delegate().onRightButtonDown(view, 30, 5);
    delegate().onMenuCommand(view, c.tag);
    EXPECT_EQ(takeCalls(), c.calls);
    // Every command empties the menu word.
    delegate().onMenuCommand(view, TextViewMenu::FindNext);
    EXPECT_EQ(takeCalls(), Calls{});
  }
  EXPECT_STREQ(lists.currentList(), lists.wordLists()[3]->baseName());
  delegate().onMenuCommand(view, TextViewMenu::MarkDocumentUnknown); // every word, in the statistics' order
  const Calls marked = takeCalls();
  ASSERT_EQ(marked.size(), 1u);
  for (const char* w : {"markAsUnknown ", "中国", "人民", "我们", "的", "abc"})
    EXPECT_NE(marked[0].find(w), std::string::npos) << w;

  // Eleven lists: the first ten, a separator and "More..." with the tag 10 | 11 << 16; the current one
  // checked, the submenu enabled.
  delegate().onRightButtonDown(view, 30, 5);
  const std::vector<MenuItem> menu = TextViewMenu::build(view.menuState, &delegate(), view);
  MenuItem const& wordList = menu[8];
  ASSERT_EQ(wordList.title, "Word list");
  EXPECT_TRUE(wordList.enabled);
  ASSERT_EQ(wordList.items.size(), 12u);
  EXPECT_TRUE(wordList.items[3].ticked);
  EXPECT_EQ(wordList.items[3].tag, MenuItem::tagOf(10, 3));
  EXPECT_EQ(wordList.items[10].kind, MenuItem::Separator);
  EXPECT_EQ(wordList.items[11].title, "More...");
  EXPECT_EQ(wordList.items[11].tag, 10 | 11 << 16);
}

TEST_F(TextViewControllerTest, DoubleClickMarksOrShowsTheWord) {
  open(qmtest::WordFixture::TEXT);
  const struct {
    const char* name;
    const char* listed; // in the current list before the click
    bool shift;
    double x, y;
    const char* call;
  } cases[] = {
      {"unknown", nullptr, false, 30, 5, "markAsKnown 中国"},
      {"known", "中国", false, 30, 5, "markAsUnknown 中国"},
      {"only a prefix of a listed word", "中国人", false, 30, 5, "markAsKnown 中国"},
      {"shift", "中国", true, 30, 5, "showDefinition 中国"},
      {"letters", nullptr, false, 90, 15, "markAsKnown abc"},
      // Right of a short line's last word nothing is under the point: no word is marked or defined.
      {"past the line's end", nullptr, false, 75, 5, "markAsKnown "},
      {"past the line's end, shift", nullptr, true, 75, 5, "showDefinition "},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    lists.current().clear();
    if (c.listed) lists.current().add(Span(c.listed));
    delegate().onLeftButtonDoubleClick(view, c.shift, c.x, c.y);
    EXPECT_EQ(takeCalls(), Calls{c.call});
  }
  // Nor does the pointer there hover over the line's last word.
  delegate().onMouseMoved(view, 75, 5);
  EXPECT_EQ(delegate().currentWord().endOffset, 0u);
  delegate().onMouseMoved(view, 64, 5);
  EXPECT_EQ(delegate().currentWord().endOffset, 12u);
  controller.setDelegate(nullptr);
  delegate().onLeftButtonDoubleClick(view, false, 30, 5);
  EXPECT_FALSE(delegate().onKeyDown(view, 'd'));
  EXPECT_EQ(takeCalls(), Calls{});
}

TEST_F(TextViewControllerTest, KeysMoveTheCaretMarkAndDefine) {
  std::string text;
  for (int i = 0; i < 15; ++i)
    text += qmtest::WordFixture::TEXT;
  open(text);
  delegate().onMouseMoved(view, 30, 5);
  // "d": the point under the caret's line where the view draws it, margin and pixel offset included.
  EXPECT_TRUE(delegate().onKeyDown(view, 'd'));
  delegate().onScrollWheel(view, 4);
  delegate().onMouseMoved(view, 30, 5);
  EXPECT_TRUE(delegate().onKeyDown(view, 'd'));
  EXPECT_EQ(takeCalls(), (Calls{"showDefinition 中国 1030,2010", "showDefinition 中国 1030,2006"}));

  const struct {
    unsigned short key;
    const char* call; // after the key, space (toggle) on the caret word
  } keys[] = {{'l', "markAsKnown 人民"},
              {'j', "markAsKnown 的"},
              {'k', "markAsKnown 人民"},
              {'h', "markAsKnown 中国"},
              {'t', nullptr}};
  for (auto const& k : keys) {
    SCOPED_TRACE(k.key);
    EXPECT_TRUE(delegate().onKeyDown(view, k.key));
    if (k.call) {
      EXPECT_TRUE(delegate().onKeyDown(view, ' '));
      EXPECT_EQ(takeCalls(), Calls{k.call});
    }
  }
  EXPECT_EQ(takeCalls(), Calls{"markAsKnown 中国"}); // "t" toggles too
  EXPECT_EQ(delegate().currentWord().startOffset, 0u);
  EXPECT_FALSE(delegate().onKeyDown(view, 'e'));
  // With the caret on no word, "d" asks for an empty word.
  delegate().onMouseMoved(view, 240, 5);
  EXPECT_TRUE(delegate().onKeyDown(view, 'd'));
  EXPECT_EQ(takeCalls(), Calls{"showDefinition  1240,2010"});
}

TEST_F(TextViewControllerTest, ShowFoundKeepsAHitInTheBandAndBringsOthersToTheFourthLine) {
  open(letterLines(40)); // line k at byte 12 k; the view shows lines 0-9 whole, line 10 below
  const struct {
    uint64_t hit;
    uint64_t top;
  } cases[] = {
      {4 * 12 + 4, 0},        // line 4: inside the band
      {9 * 12 + 8, 0},        // the last whole line
      {10 * 12, 7 * 12},      // the line below the page
      {8 * 12 + 1, 5 * 12},   // the first line above the band's start
      {11 * 12, 5 * 12},      // the band's end line (top 5: lines 8 to 14)
      {39 * 12 + 4, 30 * 12}, // near the end: the last page
      {2 * 12, 0},            // near the start: the first page
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.hit);
    controller.showFound(c.hit);
    EXPECT_EQ(top(), c.top);
    EXPECT_EQ(view.scrollPosition, c.top);
    EXPECT_EQ(delegate().layout().pixelOffset(), 0);
  }
  // The current match takes its style at once, the other matches theirs.
  controller.preFind(Span("aub"));
  controller.showFound(20 * 12 + 4);
  Line const& line = delegate().layout().line(3);
  ASSERT_EQ(line.byteOffset, 20u * 12);
  EXPECT_EQ(line.attributes[line.start + 4] >> 32, 5u);
}

TEST_F(TextViewControllerTest, ScrollingSelectionAndDocumentState) {
  const DocumentState state{120, 130, 125}; // a backward selection
  open(letterLines(40), &state);
  EXPECT_EQ(top(), 120u);
  DocumentState s;
  controller.selection(s);
  EXPECT_EQ(s.position, 120u);
  EXPECT_EQ(s.selectionStart, 125u);
  EXPECT_EQ(s.selectionEnd, 130u);
  EXPECT_EQ(std::string(controller.selectedText().view()), "kb ak");

  controller.scrollPages(1); // 11 lines laid out: 10 lines a page
  EXPECT_EQ(top(), 240u);
  controller.scrollLines(-3);
  EXPECT_EQ(view.scrollPosition, 204u);
  delegate().highlighter().setSelection(26 * 12 + 2, 25 * 12 + 2);
  controller.centerSelection();
  EXPECT_EQ(top(), 22u * 12);
  view.resize(250, 4 * LINE); // 5 lines laid out: a page is 4
  delegate().scrollPages(view, 1);
  EXPECT_EQ(top(), 26u * 12);

  // A drag that left the view extends the selection to the page's first unit (upwards) or the end of the
  // bottom line (downwards) as the page scrolls.
  delegate().onLeftButtonDown(view, 45, 25);
  view.dragScroll = -1;
  delegate().onScrollWheel(view, -25);
  EXPECT_EQ(delegate().highlighter().selectionEnd(), top());
  view.dragScroll = 1;
  delegate().scrollLines(view, 2);
  EXPECT_EQ(delegate().highlighter().selectionEnd(), delegate().layout().line(4).endOffset());
  EXPECT_EQ(delegate().highlighter().selectionAnchor(), 28u * 12 + 2);
  view.dragScroll = 0;

  // Idle time near the window's end (a window is 64 KB) prepares the text past it, in slices that end.
  open(letterLines(10000));
  controller.scrollTo(40000); // the window: 64 KB from there
  controller.scrollTo(60000);
  int slices = 0;
  while (slices < 100 && delegate().onIdle(view))
    ++slices;
  EXPECT_GT(slices, 0);
  EXPECT_LT(slices, 100);

  controller.setDocument(nullptr, nullptr, nullptr);
  EXPECT_FALSE(delegate().onIdle(view));
  controller.selection(s);
  EXPECT_EQ(s.position + s.selectionStart + s.selectionEnd, 0u);
  EXPECT_TRUE(controller.selectedText().empty());
  EXPECT_EQ(view.pageSize, UINT64_MAX);
}
