#include "documents/search.h"

#include "documents/searchhistory.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Found = std::optional<std::tuple<uint64_t, uint64_t, bool>>; // offset, length, wrapped

class Recorder : public Search::Listener {
public:
  void found(Search::Result const& r) override {
    heard.emplace_back(std::tuple(r.offset, r.length, r.wrapped));
  }
  void notFound() override { heard.emplace_back(); }
  std::vector<Found> heard;
};

class SearchTest : public testing::Test {
protected:
  std::string file(std::string const& text) {
    qmtest::writeFile(dir / "doc.txt", text);
    return (dir / "doc.txt").string();
  }
  // The answer to one find from offset.
  Found findFrom(Search& search, uint64_t offset, const char* term) {
    search.setCurrentOffset(offset);
    search.find(Span(term));
    EXPECT_FALSE(recorder.heard.empty());
    return recorder.heard.empty() ? Found() : recorder.heard.back();
  }

  qmtest::TempDir dir;
  SearchHistory history;
  Recorder recorder;
};

// A plain term from every position, in chunks of every size: the first occurrence at or after the position,
// else (wrapped) the first one before it.
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
    for (std::string term : {"中国", "a中", "国\n", "\na"}) {
      for (uint64_t from = 0; from <= text.size() + 2; ++from) {
        SCOPED_TRACE(term + " from " + std::to_string(from) + " chunk " + std::to_string(chunk));
        const size_t after = from <= text.size() ? text.find(term, from) : std::string::npos;
        const size_t first = text.find(term);
        const Found expected = after != std::string::npos ? Found({after, term.size(), false})
                               : first < from             ? Found({first, term.size(), true})
                                                          : Found();
        ASSERT_EQ(findFrom(search, from, term.c_str()), expected);
      }
    }
  }
}

TEST_F(SearchTest, WildcardsAcrossChunks) {
  // Long lines put the pieces of a match chunks apart; the first candidates fail at a line feed.
  const std::string filler(300, 'x');
  const std::string path = file("ab" + filler + "\n" + "a" + filler + "b" + filler + "c" + "\nabc");
  const struct {
    const char* term;
    uint64_t from, offset, length;
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
    for (auto const& c : cases)
      EXPECT_EQ(findFrom(search, c.from, c.term), Found({c.offset, c.length, c.wrapped}))
          << c.term << " from " << c.from << " chunk " << chunk;
  }
}

// Finding the same term again moves on from the last match; a new term starts at the match's start. Every
// new term goes to the history.
TEST_F(SearchTest, FindAgainMovesOnAndNewTermsStartAtTheCaret) {
  Search search(history, recorder, 0);
  search.setFilename(file("aab aab aab").c_str(), 5);
  for (int i = 0; i < 4; ++i)
    search.find(Span("aab"));
  search.next();
  search.find(Span("b"));
  EXPECT_EQ(recorder.heard,
            (std::vector<Found>{Found({8, 3, false}), Found({0, 3, true}), Found({4, 3, false}),
                                Found({8, 3, false}), Found({0, 3, true}), Found({2, 1, false})}));
  search.setSearchTerm(Span("a"));
  std::vector<const char*> terms;
  history.getTerms(terms);
  EXPECT_EQ(std::vector<std::string>(terms.begin(), terms.end()),
            (std::vector<std::string>{"a", "b", "aab"}));
}

} // namespace
