#include "documents/searchhistory.h"

#include "support/tempdir.h"
#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Terms = std::vector<std::string>;

Terms termsOf(SearchHistory const& h) {
  std::vector<const char*> raw{"stale"};
  h.getTerms(raw);
  return Terms(raw.begin(), raw.end());
}

TEST(SearchHistoryTest, LoadsLinesWithAnyEndsUpToTheLimit) {
  std::string many;
  for (int i = 0; i < 30; ++i)
    many += "t" + std::to_string(i) + "\n";
  Terms first20;
  for (int i = 0; i < 20; ++i)
    first20.push_back("t" + std::to_string(i));
  const struct {
    std::string text;
    Terms expected;
  } cases[] = {
      {"", {}},
      {"x\r\ny\rz", {"x", "y", "z"}},
      {"x\n\ny\n", {"x", "", "y"}},
      {"\xEF\xBB\xBF中文\n", {"中文"}},
      {"a\n\rb", {"a", "", "b"}}, // LF then CR is two line ends
      {many, first20},
  };
  qmtest::TempDir dir;
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 10));
    SearchHistory h;
    h.addTerm(Span("old"));
    qmtest::writeFile(dir / "h.txt", c.text); // the byte-order mark is the file reader's to skip
    h.loadFromFile((dir / "h.txt").c_str());
    EXPECT_EQ(termsOf(h), c.expected);
  }
  SearchHistory h;
  h.addTerm(Span("kept"));
  EXPECT_ANY_THROW(h.loadFromFile((dir / "missing.txt").c_str()));
  EXPECT_ANY_THROW(h.loadFromFile(dir.str().c_str())); // a folder
  EXPECT_EQ(termsOf(h), Terms{"kept"});
}

// A term with a line break is kept for this run but never written, since it would read back as two terms.
TEST(SearchHistoryTest, SaveAndLoadRoundTrip) {
  SearchHistory h;
  for (const char* t : {"一", "two\nlines", "a*b", "cr\rhere", "…c", "two words"})
    h.addTerm(Span(t));
  EXPECT_EQ(termsOf(h).size(), 6u);
  MemoryOutputStream out;
  h.saveToOutputStream(out);
  SearchHistory back;
  back.loadFromUtf8Range(Utf8Range(out.view().data(), out.view().size()));
  EXPECT_EQ(termsOf(back), (Terms{"two words", "…c", "a*b", "一"}));
}

} // namespace
