// A search reads chunks at the scan's own position (SearchTerm::Scan::from), so a match that spans chunks
// or a restart behind the chunk just read is handled by reading from there. The first pass runs from the
// start offset to the end of the file; the second, after wrapping, stops once no match could start before
// the start offset, since the first pass already ruled those out.
#include "documents/search.h"

#include "documents/searchhistory.h"
#include "documents/searchterm.h"
#include "documents/textdocument.h"

#include <vector>

namespace {
constexpr size_t MAX_CHUNK = 65536;
}

struct Search::Impl {
  Impl(SearchHistory& history, Listener& listener, size_t chunk)
      : history(history), listener(listener), chunk(chunk == 0 || chunk > MAX_CHUNK ? MAX_CHUNK : chunk) {}

  void step();
  // Scans from origin to the end of the file, or (wrapped) from 0 until no start before origin is left.
  SearchTerm::Outcome pass(uint64_t origin, bool wrapped, uint64_t& start, uint64_t& end);

  SearchHistory& history;
  Listener& listener;
  uint64_t offset = 0;     // where the next search starts; the match's start after one is found
  uint64_t lastLength = 0; // of the last match, 0 after the offset was set
  size_t chunk;
  std::unique_ptr<TextDocument> document;
  SearchTerm term;
  std::vector<char> buffer; // a chunk, the term's size and a character's worth of slack
};

Search::Search(SearchHistory& history, Listener& listener, size_t chunk)
    : impl(std::make_unique<Impl>(history, listener, chunk)) {}
Search::~Search() = default;

void Search::setFilename(const char* path, uint64_t offset) {
  impl->document.reset();
  impl->offset = 0;
  impl->lastLength = 0;
  if (!path) return;
  impl->document = std::make_unique<TextDocument>(path);
  impl->offset = offset;
}

void Search::setCurrentOffset(uint64_t offset) {
  impl->offset = offset;
  impl->lastLength = 0;
}

void Search::setSearchTerm(Span const& term) {
  impl->term.reset(term);
  impl->history.addTerm(term);
}

void Search::find(Span const& term) {
  if (term == impl->term.term()) {
    impl->offset += impl->lastLength;
  } else {
    setSearchTerm(term);
  }
  impl->lastLength = 0;
  impl->step();
}

void Search::next() {
  impl->offset += impl->lastLength;
  impl->lastLength = 0;
  impl->step();
}

SearchTerm::Outcome Search::Impl::pass(uint64_t origin, bool wrapped, uint64_t& start, uint64_t& end) {
  const size_t want = chunk + term.size() + 3; // at most 3 bytes of a cut character are left out
  if (buffer.size() < want) buffer.resize(want);
  const uint64_t total = document->totalBytes();
  SearchTerm::Scan scan;
  scan.from = wrapped ? 0 : origin;
  for (;;) {
    if (wrapped && (scan.inMatch ? scan.start : scan.from) >= origin) return SearchTerm::Outcome::NotFound;
    const uint64_t base = scan.from;
    const size_t n = base < total ? document->copyToBuffer(base, buffer.data(), want) : 0;
    // A read that comes back short ends the file, also one that shrank since it was opened.
    const bool atEnd = base + n >= total || n + 3 < want;
    const auto outcome = term.scan(scan, buffer.data(), n, base, atEnd, start, end);
    if (outcome != SearchTerm::Outcome::NeedMore) return outcome;
  }
}

void Search::Impl::step() {
  uint64_t start = 0, end = 0;
  if (document && !term.empty()) {
    bool wrapped = false;
    auto outcome = pass(offset, false, start, end);
    if (outcome == SearchTerm::Outcome::NotFound && offset > 0) {
      wrapped = true;
      outcome = pass(offset, true, start, end);
    }
    if (outcome == SearchTerm::Outcome::Found) {
      offset = start;
      lastLength = end - start;
      listener.found(Result{start, end - start, wrapped});
      return;
    }
  }
  listener.notFound();
}
