// Matching works on the literal pieces between wildcards. For a fixed start, taking each piece at its
// earliest occurrence after the previous one gives the earliest end, and fails only when the gap before a
// piece would hold a line feed or the piece never occurs again. Every later start up to that line feed fails
// the same way (the earliest occurrences only move right), so the scan resumes after it and never looks back
// — except for terms whose pieces hold a line feed themselves, where the next start is simply one byte on.
#include "documents/searchterm.h"

#include "utils/text.h"
#include "utils/utf8.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {
bool isWildcard(Span const& c) {
  return (c.length == 1 && c.data[0] == '*') ||
         (c.length == 3 && std::memcmp(c.data, "\xE2\x80\xA6", 3) == 0);
}

const char* find(const char* from, const char* end, std::string const& needle) {
  if (size_t(end - from) < needle.size()) return nullptr;
  return static_cast<const char*>(memmem(from, size_t(end - from), needle.data(), needle.size()));
}
} // namespace

struct SearchTerm::Impl {
  void split();

  Text term;
  std::vector<std::string> pieces; // the literal runs between wildcards, none empty
  bool leadingWildcard = false;    // a wildcard before the first piece
  bool hasWildcards = false;
  bool piecesHoldLineFeeds = false;
};

void SearchTerm::Impl::split() {
  pieces.clear();
  leadingWildcard = hasWildcards = piecesHoldLineFeeds = false;
  bool afterWildcard = false;
  const char* end = term.span().end();
  for (const char* p = term.data(); p && p < end;) {
    const Span c(p, utf8::step(p, end));
    p += c.length;
    if (isWildcard(c)) {
      hasWildcards = afterWildcard = true;
      continue;
    }
    if (pieces.empty() || afterWildcard) {
      if (pieces.empty()) leadingWildcard = afterWildcard;
      pieces.emplace_back();
    }
    pieces.back().append(c.data, c.length);
    afterWildcard = false;
  }
  for (auto const& piece : pieces)
    if (piece.find('\n') != std::string::npos) piecesHoldLineFeeds = true;
}

SearchTerm::SearchTerm() : impl(std::make_unique<Impl>()) {}
SearchTerm::SearchTerm(Span const& term) : SearchTerm() {
  reset(term);
}
SearchTerm::SearchTerm(const char* term) : SearchTerm(Span(term)) {}
SearchTerm::~SearchTerm() = default;

void SearchTerm::reset(Span const& term) {
  if (term == impl->term.span()) return;
  impl->term = term;
  impl->split();
}

Span SearchTerm::term() const {
  return impl->term.span();
}
size_t SearchTerm::size() const {
  return impl->term.length();
}
bool SearchTerm::empty() const {
  return impl->term.empty();
}
bool SearchTerm::hasWildcards() const {
  return impl->hasWildcards;
}

bool SearchTerm::match(Span const& text) const {
  if (text.empty()) return false;
  Scan state;
  uint64_t start = 0, end = 0;
  return scan(state, text.data, text.length, 0, true, start, end) == Outcome::Found;
}

SearchTerm::Outcome SearchTerm::scan(Scan& s, const char* bytes, size_t length, uint64_t base, bool atEnd,
                                     uint64_t& matchStart, uint64_t& matchEnd) const {
  auto const& pieces = impl->pieces;
  if (pieces.empty()) return Outcome::NotFound;
  const auto needMore = [&] { return atEnd ? Outcome::NotFound : Outcome::NeedMore; };
  // No piece can match in no bytes (none is empty); and an empty text may come as a null pointer.
  if (length == 0) return s.from < base ? Outcome::NeedMore : needMore();
  const char* end = bytes + length;
  const auto at = [&](uint64_t offset) { return bytes + (offset - base); };
  for (;;) {
    if (s.from < base) return Outcome::NeedMore; // a restart behind this piece: read again from there
    const char* from = s.from - base < length ? at(s.from) : end;
    if (!s.inMatch && impl->leadingWildcard) {
      s = Scan{s.from, s.from, 0, true};
    } else if (!s.inMatch) {
      std::string const& first = pieces.front();
      const char* hit = find(from, end, first);
      if (!hit) {
        if (size_t(end - from) >= first.size()) s.from = base + uint64_t(end - bytes) - first.size() + 1;
        return needMore();
      }
      s = Scan{base + uint64_t(hit - bytes) + first.size(), base + uint64_t(hit - bytes), 1, true};
    } else {
      // The gap before this piece may not hold a line feed, so the piece must start at or before the next
      // one. When that bound lies beyond this text the piece may still begin in the next one.
      std::string const& piece = pieces[s.piece];
      const char* lineFeed = static_cast<const char*>(std::memchr(from, '\n', size_t(end - from)));
      const bool cut = !lineFeed || size_t(end - lineFeed) < piece.size();
      const char* hit = find(from, cut ? end : lineFeed + piece.size(), piece);
      if (hit) {
        s.from = base + uint64_t(hit - bytes) + piece.size();
        ++s.piece;
      } else if (lineFeed && (!cut || atEnd)) {
        const uint64_t next = impl->piecesHoldLineFeeds ? s.start + 1 : base + uint64_t(lineFeed - bytes) + 1;
        s = Scan{next, 0, 0, false};
        continue;
      } else {
        if (size_t(end - from) >= piece.size()) s.from = base + uint64_t(end - bytes) - piece.size() + 1;
        return needMore();
      }
    }
    if (s.piece == pieces.size()) {
      matchStart = s.start;
      matchEnd = s.from;
      s.inMatch = false;
      return Outcome::Found;
    }
  }
}
