#include "documents/searchterm.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace {

using Hit = std::pair<uint64_t, uint64_t>; // start, end

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

// The same by the standard library's regular expressions: a wildcard is a lazy run of bytes other than a line
// feed, so the leftmost start comes with its earliest end. Wildcards alone match nothing.
std::optional<Hit> reference(std::string const& term, std::string const& text, uint64_t origin) {
  std::string pattern; // the term's bytes are none of the expressions' special characters
  bool literal = false;
  for (size_t i = 0; i < term.size();) {
    const size_t wildcard = term[i] == '*' ? 1 : term.compare(i, 3, "…") == 0 ? 3 : 0;
    pattern += wildcard ? std::string("[^\\n]*?") : std::string(1, term[i]);
    literal |= !wildcard;
    i += wildcard ? wildcard : 1;
  }
  std::smatch m;
  if (!literal || !std::regex_search(text.begin() + long(origin), text.end(), m, std::regex(pattern)))
    return std::nullopt;
  return Hit{origin + uint64_t(m.position(0)), origin + uint64_t(m.position(0) + m.length(0))};
}

TEST(SearchTermTest, MatchCases) {
  const struct {
    const char* term;
    const char* text;
    std::optional<Hit> hit;
  } cases[] = {
      {"a…c", "abbc", Hit{0, 4}},
      {"a…c", "ab\nc", std::nullopt},
      {"a*c", "abcbc", Hit{0, 3}},   // the earliest end
      {"ab*c", "aabc", Hit{1, 4}},   // a mismatching 'a' may begin the match
      {"a*bc", "abxbc", Hit{0, 5}},  // the first 'b' is not the one the term needs
      {"*x", "ab x", Hit{0, 4}},     // from the start of the scan
      {"*x", "ab\ncd x", Hit{3, 7}}, // or from after the last line feed
      {"x*", "axb", Hit{1, 2}},      // a trailing wildcard adds nothing
      {"*", "abc", std::nullopt},    // wildcards only: no pieces, no match
      {"中*文", "中国人文", Hit{0, 12}},
      {"b", std::string_view("a\0b", 3).data(), std::nullopt}, // (text cut by the C string)
      {"a*b*c", "a b\na b c", Hit{4, 9}},
      {"\n*b", "a\nxb", Hit{1, 4}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.term) + " in " + c.text);
    SearchTerm t(c.term);
    EXPECT_EQ(scanInPieces(t, c.text, 0, 1 << 16), c.hit);
    EXPECT_EQ(t.match(Span(c.text)), c.hit.has_value());
  }
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

// Random texts and terms over a small alphabet, from every origin and in pieces of 1 to 9 bytes, against
// the regular expression: matches across piece boundaries and after partial matches are never missed.
TEST(SearchTermTest, AgreesWithRegularExpressions) {
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
