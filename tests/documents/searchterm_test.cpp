#include "documents/searchterm.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Hit {
  uint64_t start, end;
  bool operator==(Hit const& o) const { return start == o.start && end == o.end; }
};
void PrintTo(Hit const& h, std::ostream* os) {
  *os << "[" << h.start << "," << h.end << ")";
}

// The first match at or after origin, feeding the text in pieces of `piece` bytes (plus what the scan asks
// to see again), the way the document search reads chunks.
std::optional<Hit> scanInPieces(SearchTerm const& term, std::string const& text, uint64_t origin,
                                size_t piece) {
  SearchTerm::Scan scan;
  scan.from = origin;
  for (int guard = 0; guard < 100000; ++guard) {
    const uint64_t base = scan.from;
    const size_t n = std::min<size_t>(piece + term.size(), text.size() - size_t(base));
    const bool atEnd = base + n >= text.size();
    uint64_t s = 0, e = 0;
    switch (term.scan(scan, text.data() + base, n, base, atEnd, s, e)) {
    case SearchTerm::Outcome::Found:
      return Hit{s, e};
    case SearchTerm::Outcome::NotFound:
      return std::nullopt;
    case SearchTerm::Outcome::NeedMore:
      EXPECT_TRUE(!atEnd || scan.from < base); // only a restart behind the piece reads it again
      break;
    }
  }
  ADD_FAILURE() << "scan never ended";
  return std::nullopt;
}

// The same by brute force: the leftmost start, and from it the earliest end, at which the whole of
// text[start, end) matches the term, a wildcard standing for any run of bytes other than a line feed.
bool matchesWhole(std::vector<int> const& pattern, std::string const& text, size_t p, size_t t, size_t end) {
  if (p == pattern.size()) return t == end;
  if (pattern[p] < 0) {
    for (size_t u = t; u <= end; ++u) {
      if (matchesWhole(pattern, text, p + 1, u, end)) return true;
      if (u < end && text[u] == '\n') return false;
    }
    return false;
  }
  return t < end && static_cast<unsigned char>(text[t]) == pattern[p] &&
         matchesWhole(pattern, text, p + 1, t + 1, end);
}

std::optional<Hit> reference(std::string const& term, std::string const& text, uint64_t origin) {
  std::vector<int> pattern; // bytes, and -1 for a run of wildcards
  bool literal = false;
  for (size_t i = 0; i < term.size();) {
    if (term[i] == '*' || term.compare(i, 3, "…") == 0) {
      if (pattern.empty() || pattern.back() != -1) pattern.push_back(-1);
      i += term[i] == '*' ? 1 : 3;
      continue;
    }
    pattern.push_back(static_cast<unsigned char>(term[i++]));
    literal = true;
  }
  if (!literal) return std::nullopt;
  if (pattern.back() == -1) pattern.pop_back(); // a trailing wildcard adds nothing to the earliest end
  for (size_t start = size_t(origin); start <= text.size(); ++start)
    for (size_t end = start; end <= text.size(); ++end)
      if (matchesWhole(pattern, text, 0, start, end)) return Hit{start, end};
  return std::nullopt;
}

TEST(SearchTermTest, Splitting) {
  const struct {
    const char* term;
    bool wildcards;
    bool empty;
  } cases[] = {{"", false, true},
               {"abc", false, false},
               {"a*b", true, false},
               {"…", true, false},
               {"**", true, false}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.term);
    SearchTerm t(c.term);
    EXPECT_EQ(t.hasWildcards(), c.wildcards);
    EXPECT_EQ(t.empty(), c.empty);
    EXPECT_EQ(t.size(), std::strlen(c.term));
    EXPECT_EQ(std::string(t.term().view()), c.term);
  }
  SearchTerm null(static_cast<const char*>(nullptr));
  EXPECT_TRUE(null.empty());
  EXPECT_FALSE(null.match(Span("anything")));
}

TEST(SearchTermTest, MatchCases) {
  const struct {
    const char* term;
    const char* text;
    std::optional<Hit> hit;
  } cases[] = {
      {"a…c", "abbc", Hit{0, 4}},
      {"a…c", "ac", Hit{0, 2}},
      {"a…c", "ab\nc", std::nullopt},
      {"a*c", "abcbc", Hit{0, 3}},  // the earliest end
      {"ab*c", "aabc", Hit{1, 4}},  // a mismatching 'a' may begin the match
      {"a*bc", "abxbc", Hit{0, 5}}, // the first 'b' is not the one the term needs
      {"aab", "aaab", Hit{1, 4}},
      {"*x", "ab x", Hit{0, 4}},     // from the start of the scan
      {"*x", "ab\ncd x", Hit{3, 7}}, // or from after the last line feed
      {"…x", "\nx", Hit{1, 2}},
      {"**x", "yx", Hit{0, 2}},
      {"x*", "axb", Hit{1, 2}},   // a trailing wildcard adds nothing
      {"*", "abc", std::nullopt}, // wildcards only: no pieces, no match
      {"*…*", "abc", std::nullopt},
      {"中*文", "中国人文", Hit{0, 12}},
      {"b", std::string_view("a\0b", 3).data(), std::nullopt}, // (text cut by the C string)
      {"a*b*c", "a b\na b c", Hit{4, 9}},
      {"a*b*c", "ab", std::nullopt},
      {"\n*b", "a\nxb", Hit{1, 4}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.term) + " in " + c.text);
    SearchTerm t(c.term);
    EXPECT_EQ(scanInPieces(t, c.text, 0, 1 << 16), c.hit);
    EXPECT_EQ(t.match(Span(c.text)), c.hit.has_value());
  }
}

TEST(SearchTermTest, PlainTermsSeeNulBytes) {
  const std::string text("ab\0cd\0ab", 8);
  SearchTerm t(Span("\0a", 2));
  EXPECT_EQ(scanInPieces(t, text, 0, 1 << 16), (Hit{5, 7}));
  SearchTerm cd("cd");
  EXPECT_TRUE(cd.match(Span(text.data(), text.size())));
  SearchTerm wild("d*b");
  EXPECT_EQ(scanInPieces(wild, text, 0, 1 << 16), (Hit{4, 8}));
}

// An empty piece (a null pointer and no bytes) is read nowhere: the scan asks for more, or ends at the end
// of the text. Run under UndefinedBehaviorSanitizer in CI, which rejects a null pointer passed to memchr.
TEST(SearchTermTest, EmptyPieceIsNotRead) {
  for (const char* term : {"ab", "*b", "a*b"}) {
    for (bool atEnd : {false, true}) {
      SCOPED_TRACE(std::string(term) + (atEnd ? " at the end" : ""));
      SearchTerm t(term);
      SearchTerm::Scan scan;
      uint64_t start = 0, end = 0;
      EXPECT_EQ(t.scan(scan, nullptr, 0, 0, atEnd, start, end),
                atEnd ? SearchTerm::Outcome::NotFound : SearchTerm::Outcome::NeedMore);
    }
  }
}

TEST(SearchTermTest, ResetKeepsOrReplacesTheTerm) {
  SearchTerm t("a*b");
  const char* before = t.term().data;
  t.reset(Span("a*b"));
  EXPECT_EQ(t.term().data, before);
  t.reset(Span("xyz"));
  EXPECT_FALSE(t.hasWildcards());
  EXPECT_TRUE(t.match(Span("wxyz")));
  t.reset(Span(""));
  EXPECT_TRUE(t.empty());
  EXPECT_FALSE(t.match(Span("xyz")));
}

// Random texts and terms over a small alphabet, from every origin and in pieces of 1 to 9 bytes, against
// the regular expression: matches across piece boundaries and after partial matches are never missed.
TEST(SearchTermTest, AgreesWithABacktrackingMatcher) {
  const char* textAlphabet[] = {"a", "b", "c", "\n", "中", "\xE4"};
  const char* termAlphabet[] = {"a", "b", "c", "*", "…", "中", "a", "b"};
  std::mt19937 random(20261206);
  for (int round = 0; round < 600; ++round) {
    std::string text, term;
    const int textLength = int(random() % 40), termLength = 1 + int(random() % 5);
    for (int i = 0; i < textLength; ++i)
      text += textAlphabet[random() % (round % 4 ? 5 : 6)];
    for (int i = 0; i < termLength; ++i)
      term += termAlphabet[random() % 8];
    if (round % 10 == 0) term.insert(random() % term.size(), "\n");
    const SearchTerm t{Span(term)};
    for (uint64_t origin = 0; origin <= text.size(); ++origin) {
      const auto expected = reference(term, text, origin);
      for (size_t piece : {1, 2, 5, 9, 1000}) {
        SCOPED_TRACE("term '" + term + "' text '" + text + "' origin " + std::to_string(origin) + " piece " +
                     std::to_string(piece));
        ASSERT_EQ(scanInPieces(t, text, origin, piece), expected);
      }
    }
  }
}

} // namespace
