#include "documents/searchhistory.h"

#include "support/tempdir.h"
#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> termsOf(SearchHistory const& h) {
  std::vector<const char*> raw{"stale"};
  h.getTerms(raw);
  return std::vector<std::string>(raw.begin(), raw.end());
}

std::string saved(SearchHistory const& h) {
  MemoryOutputStream out;
  h.saveToOutputStream(out);
  return std::string(out.view());
}

TEST(SearchHistoryTest, NewestFirstAndMovesToFront) {
  SearchHistory h;
  EXPECT_EQ(h.maxSearchTerms(), 20u);
  for (const char* t : {"a", "b", "c"})
    h.addTerm(Span(t));
  EXPECT_EQ(termsOf(h), (std::vector<std::string>{"c", "b", "a"}));
  h.addTerm(Span("a"));
  EXPECT_EQ(termsOf(h), (std::vector<std::string>{"a", "c", "b"}));
  h.addTerm(Span("a"));
  h.addTerm(Span(""));
  h.addTerm(Span(nullptr, 0));
  EXPECT_EQ(termsOf(h), (std::vector<std::string>{"a", "c", "b"}));
  // Terms are NUL-terminated strings: the bytes after a NUL are not part of the term.
  h.addTerm(Span(std::string_view("c\0zz", 4)));
  EXPECT_EQ(termsOf(h), (std::vector<std::string>{"c", "a", "b"}));
  h.addTerm(Span(std::string_view("\0x", 2)));
  EXPECT_EQ(termsOf(h).size(), 3u);
  h.clear();
  EXPECT_TRUE(termsOf(h).empty());
}

TEST(SearchHistoryTest, Limits) {
  const struct {
    size_t max;
    std::vector<std::string> expected;
  } cases[] = {{2, {"c", "b"}}, {1, {"c"}}, {0, {"c"}}, {5, {"c", "b", "a"}}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.max);
    SearchHistory h;
    h.setMaxSearchTerms(c.max);
    for (const char* t : {"a", "b", "c"})
      h.addTerm(Span(t));
    EXPECT_EQ(termsOf(h), c.expected);
  }
  // Lowering the limit trims only at the next new term; moving a stored term to the front trims nothing.
  SearchHistory h;
  for (const char* t : {"a", "b", "c", "d"})
    h.addTerm(Span(t));
  h.setMaxSearchTerms(2);
  h.addTerm(Span("b"));
  EXPECT_EQ(termsOf(h).size(), 4u);
  h.addTerm(Span("e"));
  EXPECT_EQ(termsOf(h), (std::vector<std::string>{"e", "b"}));
}

TEST(SearchHistoryTest, LoadsLinesWithAnyEnds) {
  const struct {
    std::string text;
    std::vector<std::string> expected;
  } cases[] = {
      {"", {}},
      {"x\r\ny\rz", {"x", "y", "z"}},
      {"x\n\ny\n", {"x", "", "y"}},
      {"\xEF\xBB\xBF中文\n", {"中文"}},
      {"a\n\rb", {"a", "", "b"}}, // LF then CR is two line ends
      {"\r\n", {""}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    SearchHistory h;
    h.addTerm(Span("old"));
    // The BOM is the file reader's to skip; go through a file for every case.
    qmtest::TempDir dir;
    qmtest::writeFile(dir / "h.txt", c.text);
    h.loadFromFile((dir / "h.txt").c_str());
    EXPECT_EQ(termsOf(h), c.expected);
  }
}

TEST(SearchHistoryTest, LoadStopsAtTheLimit) {
  std::string text;
  for (int i = 0; i < 30; ++i)
    text += "term" + std::to_string(i) + "\n";
  SearchHistory h;
  h.loadFromUtf8Range(Utf8Range(text.data(), text.size()));
  const auto terms = termsOf(h);
  ASSERT_EQ(terms.size(), 20u);
  EXPECT_EQ(terms.front(), "term0");
  EXPECT_EQ(terms.back(), "term19");
}

TEST(SearchHistoryTest, SaveAndLoadRoundTrip) {
  SearchHistory h;
  for (const char* t : {"一", "a*b", "…c", "two words"})
    h.addTerm(Span(t));
  const std::string text = saved(h);
  EXPECT_EQ(text, "two words\n…c\na*b\n一\n");
  SearchHistory back;
  back.loadFromUtf8Range(Utf8Range(text.data(), text.size()));
  EXPECT_EQ(termsOf(back), termsOf(h));
}

TEST(SearchHistoryTest, LineBreaksNeverSplitATermInTheFile) {
  SearchHistory h;
  for (const char* t : {"before", "two\nlines", "cr\rhere", "after"})
    h.addTerm(Span(t));
  EXPECT_EQ(termsOf(h).size(), 4u); // kept for this run
  EXPECT_EQ(saved(h), "after\nbefore\n");
}

TEST(SearchHistoryTest, FileErrors) {
  qmtest::TempDir dir;
  SearchHistory h;
  h.addTerm(Span("kept"));
  EXPECT_ANY_THROW(h.loadFromFile((dir / "missing.txt").c_str()));
  EXPECT_ANY_THROW(h.loadFromFile(dir.str().c_str())); // a folder
  qmtest::writeFile(dir / "empty.txt", "");
  h.loadFromFile((dir / "empty.txt").c_str());
  EXPECT_TRUE(termsOf(h).empty());
}

} // namespace
