#include "documents/search.h"

#include "documents/searchhistory.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Heard {
  bool found = false;
  Search::Result result;
};

class Recorder : public Search::Listener {
public:
  void found(Search::Result const& r) override { heard.push_back({true, r}); }
  void notFound() override { heard.push_back({false, {}}); }
  std::vector<Heard> heard;
};

class SearchTest : public testing::Test {
protected:
  std::string file(std::string const& text) {
    qmtest::writeFile(dir / "doc.txt", text);
    return (dir / "doc.txt").string();
  }
  // The answer to one find from offset.
  Heard findFrom(Search& search, uint64_t offset, const char* term) {
    search.setCurrentOffset(offset);
    search.find(Span(term));
    EXPECT_FALSE(recorder.heard.empty());
    return recorder.heard.empty() ? Heard{} : recorder.heard.back();
  }

  qmtest::TempDir dir;
  SearchHistory history;
  Recorder recorder;
};

// Every occurrence of the term (a plain one) at or after from, the first pass, else from the start.
std::optional<Search::Result> expected(std::string const& text, std::string const& term, uint64_t from) {
  size_t at = from <= text.size() ? text.find(term, size_t(from)) : std::string::npos;
  if (at != std::string::npos) return Search::Result{at, term.size(), false};
  at = text.find(term);
  if (at != std::string::npos && at < from) return Search::Result{at, term.size(), true};
  return std::nullopt;
}

TEST_F(SearchTest, FromEveryPositionWithWrapAround) {
  std::string text;
  std::mt19937 random(7);
  const std::string parts[] = {"中", "国", "a", "\n", "中国", std::string(1, '\0')};
  for (int i = 0; i < 300; ++i)
    text += parts[random() % 6];
  text.append("中国", 6).append(1, '\0').append("a中");
  const std::string path = file(text);
  for (size_t chunk : {1, 5, 64, 0}) {
    Search search(history, recorder, chunk);
    search.setFilename(path.c_str(), 0);
    for (const char* term : {"中国", "a中", "国\n", "\na"}) {
      for (uint64_t from = 0; from <= text.size() + 2; ++from) {
        SCOPED_TRACE(std::string(term) + " from " + std::to_string(from) + " chunk " + std::to_string(chunk));
        const Heard h = findFrom(search, from, term);
        const auto want = expected(text, term, from);
        ASSERT_EQ(h.found, want.has_value());
        if (!want) continue;
        EXPECT_EQ(h.result.offset, want->offset);
        EXPECT_EQ(h.result.length, want->length);
        EXPECT_EQ(h.result.wrapped, want->wrapped);
      }
    }
  }
}

TEST_F(SearchTest, WildcardsAcrossChunks) {
  // Long lines put the pieces of a match chunks apart; the first candidates fail at a line feed.
  const std::string filler(300, 'x');
  const std::string text = "ab" + filler + "\n" + "a" + filler + "b" + filler + "c" + "\nabc";
  const std::string path = file(text);
  const struct {
    const char* term;
    uint64_t from;
    uint64_t offset, length;
    bool wrapped;
  } cases[] = {
      {"a*b*c", 0, 303, 603, false},  {"a*b*c", 304, 907, 3, false},
      {"a*b*c", 908, 303, 603, true}, {"*c", 0, 303, 603, false}, // from the start of the line
      {"*c", 400, 400, 506, false},                               // from where the search starts
      {"ab*c", 0, 907, 3, false},     {"b…c", 0, 604, 302, false},
  };
  for (size_t chunk : {3, 100, 0}) {
    Search search(history, recorder, chunk);
    search.setFilename(path.c_str(), 0);
    for (auto const& c : cases) {
      SCOPED_TRACE(std::string(c.term) + " from " + std::to_string(c.from) + " chunk " +
                   std::to_string(chunk));
      const Heard h = findFrom(search, c.from, c.term);
      ASSERT_TRUE(h.found);
      EXPECT_EQ(h.result.offset, c.offset);
      EXPECT_EQ(h.result.length, c.length);
      EXPECT_EQ(h.result.wrapped, c.wrapped);
    }
  }
}

TEST_F(SearchTest, FindAgainMovesOnAndNewTermsStartAtTheCaret) {
  const std::string path = file("aab aab aab");
  Search search(history, recorder, 0);
  search.setFilename(path.c_str(), 5);
  std::vector<uint64_t> offsets;
  for (int i = 0; i < 4; ++i) {
    search.find(Span("aab"));
    offsets.push_back(recorder.heard.back().result.offset);
  }
  EXPECT_EQ(offsets, (std::vector<uint64_t>{8, 0, 4, 8}));
  EXPECT_TRUE(recorder.heard[1].result.wrapped);
  search.next();
  EXPECT_EQ(recorder.heard.back().result.offset, 0u);
  search.find(Span("b"));
  EXPECT_EQ(recorder.heard.back().result.offset, 2u); // from the last match's start
  search.setSearchTerm(Span("a"));
  std::vector<const char*> terms;
  history.getTerms(terms);
  ASSERT_EQ(terms.size(), 3u);
  EXPECT_STREQ(terms[0], "a");
  EXPECT_STREQ(terms[1], "b");
  EXPECT_STREQ(terms[2], "aab");
}

TEST_F(SearchTest, NothingToFind) {
  Search search(history, recorder, 0);
  search.find(Span("x")); // no document
  const std::string path = file("short");
  search.setFilename(path.c_str(), 0);
  search.find(Span("")); // no term
  search.find(Span("longer than the file"));
  search.find(Span("*…"));
  search.find(Span("t\n"));
  search.next();
  ASSERT_EQ(recorder.heard.size(), 6u);
  for (Heard const& h : recorder.heard)
    EXPECT_FALSE(h.found);
  search.setFilename(nullptr, 3);
  search.find(Span("short"));
  EXPECT_FALSE(recorder.heard.back().found);
  EXPECT_ANY_THROW(search.setFilename((dir / "missing").c_str(), 0));
  search.find(Span("short")); // the old document is gone too
  EXPECT_FALSE(recorder.heard.back().found);
  search.setFilename(path.c_str(), 1);
  search.find(Span("short"));
  EXPECT_TRUE(recorder.heard.back().result.wrapped);
}

TEST_F(SearchTest, FileShorterThanWhenOpened) {
  const std::string path = file(std::string(10000, 'a') + "needle");
  Search search(history, recorder, 64);
  search.setFilename(path.c_str(), 0);
  qmtest::writeFile(dir / "doc.txt", "needle");
  const Heard h = findFrom(search, 100, "needle");
  ASSERT_TRUE(h.found);
  EXPECT_EQ(h.result.offset, 0u);
  EXPECT_TRUE(h.result.wrapped);
}

} // namespace
