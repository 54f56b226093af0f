// Find terms with wildcards against a brute-force matcher: from a scan's origin, the match is the one that
// starts first and, from there, ends first; each wildcard stands for any run of bytes without a line feed.
// The term scans the text in pieces as the document search reads it, so every match, including those that
// span pieces, must be the reference's, and so must the whole-text match().
#include "fuzz.h"

#include "documents/searchterm.h"

#include <optional>

namespace {

struct Match {
  size_t start, end;
};

// The literal pieces between wildcards ("*" and U+2026), and whether one comes first.
std::vector<std::string> split(std::string_view term, bool& leading) {
  std::vector<std::string> pieces;
  bool afterWildcard = true;
  leading = false;
  for (size_t i = 0; i < term.size();) {
    const size_t n = term[i] == '*' ? 1 : term.substr(i, 3) == "\xE2\x80\xA6" ? 3 : 0;
    if (n) {
      leading = leading || pieces.empty();
      afterWildcard = true;
      i += n;
      continue;
    }
    if (afterWildcard) pieces.emplace_back();
    pieces.back() += term[i++];
    afterWildcard = false;
  }
  return pieces;
}

// The earliest end of a match that starts at s, by every end each piece could take.
std::optional<size_t> endFrom(std::string_view text, size_t s, std::vector<std::string> const& pieces,
                              bool leading) {
  std::vector<size_t> ends{s};
  for (size_t k = 0; k < pieces.size(); ++k) {
    std::vector<size_t> next;
    std::vector<bool> seen(text.size() + 1);
    for (size_t from : ends) {
      const bool gap = k > 0 || leading;
      for (size_t p = from; p + pieces[k].size() <= text.size(); ++p) {
        if (p > from && text[p - 1] == '\n') break;
        if (text.compare(p, pieces[k].size(), pieces[k]) == 0 && !seen[p + pieces[k].size()]) {
          seen[p + pieces[k].size()] = true;
          next.push_back(p + pieces[k].size());
        }
        if (!gap) break;
      }
    }
    if (next.empty()) return std::nullopt;
    ends = next;
  }
  return *std::min_element(ends.begin(), ends.end());
}

std::optional<Match> reference(std::string_view text, std::string_view term, size_t origin) {
  bool leading;
  const auto pieces = split(term, leading);
  if (pieces.empty()) return std::nullopt;
  for (size_t s = origin; s < text.size(); ++s)
    if (const auto end = endFrom(text, s, pieces, leading)) return Match{s, *end};
  return std::nullopt;
}

// The scan as the document search drives it: pieces read at the scan's own position.
std::optional<Match> scanInPieces(SearchTerm const& term, std::string_view text, size_t origin, size_t chunk,
                                  std::string const& where) {
  SearchTerm::Scan scan;
  scan.from = origin;
  for (size_t steps = 0;; ++steps) {
    // A term whose pieces hold a line feed restarts one byte on each time, so the bound is quadratic.
    FUZZ_CHECK("searchterm: a scan ends", steps <= (text.size() + 2) * (text.size() + 2),
               where + " from " + std::to_string(origin) + " chunk " + std::to_string(chunk));
    const size_t base = scan.from;
    const size_t want = chunk + term.size() + 3;
    const std::string_view piece = base < text.size() ? text.substr(base, want) : std::string_view();
    const bool atEnd = base + piece.size() >= text.size();
    uint64_t start = 0, end = 0;
    // An empty piece is a null pointer, as at the end of a document.
    const auto outcome = term.scan(scan, piece.data(), piece.size(), base, atEnd, start, end);
    if (outcome == SearchTerm::Outcome::Found) return Match{size_t(start), size_t(end)};
    if (outcome == SearchTerm::Outcome::NotFound) return std::nullopt;
    FUZZ_CHECK("searchterm: at the end a scan asks only to read again behind the piece",
               !atEnd || scan.from < base, where + " at " + std::to_string(base));
  }
}

std::string show(std::optional<Match> m) {
  return m ? "[" + std::to_string(m->start) + ", " + std::to_string(m->end) + ")" : "none";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const size_t chunk = in.ConsumeIntegralInRange<size_t>(1, 64);
  const std::string term = in.ConsumeRandomLengthString(24);
  const std::string text = in.ConsumeRandomLengthString(512);
  const SearchTerm search{Span(term)};
  const std::string where = "term " + fuzz::show(term) + " text " + fuzz::show(text, 600);
  const bool whole = reference(text, term, 0).has_value();
  FUZZ_CHECK("searchterm: match() agrees with the reference", search.match(Span(text)) == whole,
             where + " reference " + (whole ? "matches" : "does not match"));
  // Every match in turn, each search starting where the last match ended.
  for (size_t origin = in.ConsumeIntegralInRange<size_t>(0, text.size()); origin <= text.size();) {
    const auto want = reference(text, term, origin);
    const auto got = scanInPieces(search, text, origin, chunk, where);
    FUZZ_CHECK("searchterm: matches in pieces are the reference's",
               (!want && !got) || (want && got && want->start == got->start && want->end == got->end),
               where + " from " + std::to_string(origin) + " chunk " + std::to_string(chunk) + " got " +
                   show(got) + ", want " + show(want));
    if (!got) break;
    origin = got->end > origin ? got->end : origin + 1;
  }
  return 0;
}
