// The window always begins at a line start (or, for a line longer than the reader goes back, at a
// character boundary the reader chose), so its first character is whole and its numbering matches the
// layout's. A window that reaches the end of the file is styled as the end of the text.
//
// A new window that overlaps the old one takes the overlap's text, numbering and words from it and reads,
// numbers and segments only the rest: the text before the overlap from the new start until its tokens fall
// in step with the old window's (the old pass had a token start where the new one has one), and the text
// after it from the start of the token that lies a lookahead before the nearer of the two window ends,
// since tokens closer to an end may depend on where that end is. The result is the full rebuild's.
#include "display/documentmap.h"

#include "documents/textdocument.h"
#include "utils/utf8.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
constexpr uint64_t WINDOW = 65536;
constexpr uint64_t HALF = 32768;

// One window of the document, numbered and segmented.
struct Window {
  // The first position whose offset reaches offset (positions() when none does).
  size_t positionOf(uint64_t offset) const {
    return size_t(std::lower_bound(offsets.begin(), offsets.end() - 1, offset) - offsets.begin());
  }
  size_t positions() const { return offsets.size() - 1; }
  uint64_t end() const { return start + length; }

  std::vector<char> bytes = std::vector<char>(WINDOW); // the window's text
  std::vector<uint16_t> utf16;                         // the window as UTF-16 (Utf16 mode)
  std::vector<uint64_t> offsets;                       // per position, and one past the window's end
  std::vector<uint64_t> words;                         // attributes without the find term's marks
  std::vector<uint64_t> lines;
  uint64_t start = 0;
  uint64_t length = 0;
  bool endOfText = false; // the window reaches the end of the file
  Lexoscope::Mode mode = Lexoscope::Utf8;
  uint64_t stamp = 0; // the lexoscope's when the words were made
};

// Text taken from the old window: document offsets [from, to); empty when none is.
struct Kept {
  uint64_t from = 0;
  uint64_t to = 0;
  bool empty() const { return from >= to; }
};
} // namespace

struct DocumentMap::Impl {
  void rebuild(TextDocument const& document, uint64_t start);
  Kept readReusing(TextDocument const& document, uint64_t start);
  void number(Kept const& kept);
  void numberBytes(size_t from, size_t to);
  void segment(Kept const& kept);
  size_t wordsFrom(Window& w, size_t from, Lexoscope::Resume const* resume = nullptr) const;
  void style();
  uint64_t stamp() const { return lexoscope ? lexoscope->stamp() : 0; }
  LineInfo lineAt(uint64_t offset) const;

  Lexoscope const* lexoscope = nullptr;
  Window shown;                     // what the layout reads
  Window next;                      // the spare that a rebuild fills, then swaps with shown
  std::vector<uint64_t> attributes; // shown's words with the find term's marks; kept in place by restyling
  uint64_t changeCount = 0;
  Lexoscope::Mode mode = Lexoscope::Utf8;
};

DocumentMap::DocumentMap() : impl(std::make_unique<Impl>()) {}
DocumentMap::~DocumentMap() = default;

void DocumentMap::setLexoscope(Lexoscope const* lexoscope) {
  impl->lexoscope = lexoscope;
  if (lexoscope) impl->mode = lexoscope->mode();
  reset();
}

void DocumentMap::reset() {
  impl->shown.start = impl->shown.length = 0;
  impl->shown.lines.clear();
}

Lexoscope::Mode DocumentMap::mode() const {
  return impl->mode;
}
void DocumentMap::setMode(Lexoscope::Mode mode) {
  impl->mode = mode;
}
uint64_t DocumentMap::changeCount() const {
  return impl->changeCount;
}

void DocumentMap::reanalyse() {
  Impl& d = *impl;
  if (d.shown.lines.empty()) return;
  d.shown.words.clear();
  d.shown.stamp = d.stamp();
  d.wordsFrom(d.shown, 0);
  d.style();
}

// Appends the numbering of next's bytes [from, to), which begin and end at characters.
void DocumentMap::Impl::numberBytes(size_t from, size_t to) {
  Window& w = next;
  const char* text = w.bytes.data();
  const char* end = text + w.length;
  size_t units = w.offsets.size();
  for (const char* p = text + from; p < text + to;) {
    size_t n = 0;
    const uint32_t c = Lexoscope::character(p, end, n);
    const uint64_t at = w.start + uint64_t(p - text);
    if (w.mode == Lexoscope::Utf8) {
      for (size_t i = 0; i < n; ++i)
        w.offsets.push_back(at + i);
    } else if (c >= 0x10000) {
      w.utf16[units++] = uint16_t(0xD800 + ((c - 0x10000) >> 10));
      w.utf16[units++] = uint16_t(0xDC00 + (c & 0x3FF));
      w.offsets.insert(w.offsets.end(), 2, at);
    } else {
      w.utf16[units++] = uint16_t(c);
      w.offsets.push_back(at);
    }
    if (c == '\n') w.lines.push_back(w.offsets.size());
    p += n;
  }
}

// Numbers next: the kept text's positions as the shown window has them, the rest afresh.
void DocumentMap::Impl::number(Kept const& kept) {
  Window& w = next;
  Window const& old = shown;
  w.offsets.clear();
  w.lines.assign(1, 0);
  if (w.mode == Lexoscope::Utf16 && w.utf16.size() < 2 * (w.length + 1)) w.utf16.resize(2 * (w.length + 1));
  if (kept.empty()) {
    numberBytes(0, w.length);
  } else {
    numberBytes(0, kept.from - w.start);
    const size_t first = old.positionOf(kept.from), last = old.positionOf(kept.to);
    const size_t base = w.offsets.size();
    w.offsets.insert(w.offsets.end(), old.offsets.begin() + first, old.offsets.begin() + last);
    if (w.mode == Lexoscope::Utf16)
      std::copy(old.utf16.begin() + first, old.utf16.begin() + last, w.utf16.begin() + base);
    // Line starts after line feeds of the kept text; the old final entry is no line start unless a line
    // feed ended the old window.
    const bool endedInLineFeed = old.bytes[old.length - 1] == '\n';
    for (uint64_t start : old.lines)
      if (start > first && start <= last && (start < old.positions() || endedInLineFeed))
        w.lines.push_back(start - first + base);
    numberBytes(kept.to - w.start, w.length);
  }
  w.offsets.push_back(w.end());
  // The final entry is the number of positions; a window that ends in a line feed already has it.
  if (w.length == 0 || w.bytes[w.length - 1] != '\n') w.lines.push_back(w.positions());
}

size_t DocumentMap::Impl::wordsFrom(Window& w, size_t from, Lexoscope::Resume const* resume) const {
  if (lexoscope) return lexoscope->words(w.bytes.data(), w.length, from, w.endOfText, w.words, resume);
  return Lexoscope::plainWords(w.bytes.data(), w.length, from, w.mode, w.words, resume);
}

// Segments next: afresh up to where its tokens fall in step with the shown window's, the shown window's
// words while they are sure to be the same, afresh again near the nearer window end.
void DocumentMap::Impl::segment(Kept const& kept) {
  Window& w = next;
  Window const& old = shown;
  w.words.clear();
  const uint64_t lookahead = lexoscope ? lexoscope->lookahead() : 0;
  const uint64_t nearerEnd = std::min(old.end(), w.end());
  if (kept.empty() || nearerEnd < kept.from + lookahead) {
    wordsFrom(w, 0);
    return;
  }
  // The old token that holds the lookahead's start: from there on, segment again.
  size_t resume = old.positionOf(nearerEnd - lookahead);
  while (resume > 0 && resume < old.positions() && !(old.words[resume] & Lexoscope::TOKEN_START))
    --resume;
  const uint64_t resumeOffset = old.offsets[resume];
  if (resumeOffset <= kept.from) {
    wordsFrom(w, 0);
    return;
  }
  Lexoscope::Resume inStep;
  inStep.from = size_t(kept.from - w.start);
  inStep.at = [&](size_t byte) {
    const uint64_t offset = w.start + byte;
    if (offset >= resumeOffset) return false;
    const size_t p = old.positionOf(offset);
    return old.offsets[p] == offset && (old.words[p] & Lexoscope::TOKEN_START);
  };
  const size_t stop = wordsFrom(w, 0, &inStep);
  if (stop == w.length) return;
  w.words.insert(w.words.end(), old.words.begin() + old.positionOf(w.start + stop),
                 old.words.begin() + resume);
  wordsFrom(w, size_t(resumeOffset - w.start));
}

// The new window's bytes: the overlap with the shown window copied, the rest read. Returns the overlap;
// empty (and nothing read) when the shown window cannot serve, so that the whole window is read.
Kept DocumentMap::Impl::readReusing(TextDocument const& document, uint64_t start) {
  Window& w = next;
  Window const& old = shown;
  const uint64_t total = document.totalBytes();
  if (old.lines.empty() || old.length == 0 || old.mode != w.mode || old.stamp != w.stamp || old.end() > total)
    return {};
  Kept kept;
  if (start > old.start && start < old.end()) { // forwards: the old tail is the new head
    const size_t head = size_t(old.end() - start);
    std::memcpy(w.bytes.data(), old.bytes.data() + (start - old.start), head);
    const size_t more = document.copyToBuffer(old.end(), w.bytes.data() + head, WINDOW - head);
    if (more == 0 && old.end() < total) return {};
    w.length = head + more;
    kept = {start, old.end()};
  } else if (start < old.start && old.start < start + WINDOW) { // backwards: the old head is the new tail
    const uint64_t readEnd = std::min(start + WINDOW, total);
    const size_t head = size_t(old.start - start);
    if (readEnd > old.end() || readEnd < old.start + 4 ||
        document.copyToBuffer(start, w.bytes.data(), head) != head)
      return {};
    // Cut as the reader cuts a read there: not inside the last character.
    uint64_t end = readEnd;
    if (readEnd < total)
      end = readEnd - 4 + TextDocument::wholeBytes(old.bytes.data() + (readEnd - 4 - old.start), 4);
    std::memcpy(w.bytes.data() + head, old.bytes.data(), size_t(end - old.start));
    w.length = end - start;
    kept = {old.start, end};
  } else {
    return {};
  }
  // The kept text must begin and end at characters of the old numbering.
  const size_t first = old.positionOf(kept.from), last = old.positionOf(kept.to);
  if (old.offsets[first] != kept.from || old.offsets[last] != kept.to) return {};
  return kept;
}

void DocumentMap::Impl::style() {
  Window& w = shown;
  // A guard, not a case: the lexoscope counts characters the way number() does.
  w.words.resize(w.positions(), Lexoscope::PLAIN);
  attributes.assign(w.words.begin(), w.words.end());
  if (lexoscope) lexoscope->markMatches(w.bytes.data(), size_t(w.length), w.start, attributes);
}

void DocumentMap::Impl::rebuild(TextDocument const& document, uint64_t start) {
  ++changeCount;
  Window& w = next;
  const uint64_t total = document.totalBytes();
  w.start = start;
  w.mode = mode;
  w.stamp = stamp();
  const Kept kept = readReusing(document, start);
  if (kept.empty()) w.length = start < total ? document.copyToBuffer(start, w.bytes.data(), WINDOW) : 0;
  w.endOfText = start + w.length >= total;
  number(kept);
  segment(kept);
  std::swap(shown, next);
  style();
}

DocumentMap::LineInfo DocumentMap::Impl::lineAt(uint64_t offset) const {
  Window const& w = shown;
  // The last line whose first character lies at or before offset.
  size_t line = 0;
  if (w.lines.size() > 1) {
    const auto after = std::upper_bound(w.lines.begin(), w.lines.end() - 1, offset,
                                        [&](uint64_t o, uint64_t index) { return o < w.offsets[index]; });
    line = after == w.lines.begin() ? 0 : size_t(after - w.lines.begin()) - 1;
  }
  const uint64_t first = w.lines[line];
  const void* text = w.mode == Lexoscope::Utf8 ? static_cast<const void*>(w.bytes.data() + first)
                                               : static_cast<const void*>(w.utf16.data() + first);
  return LineInfo{
      attributes.data() + first,      w.offsets.data() + first, w.lines.data() + line, text, first,
      uint64_t(w.lines.size() - line)};
}

DocumentMap::LineInfo DocumentMap::startOfLineAtOffset(TextDocument const& document, uint64_t offset) {
  Impl& d = *impl;
  const uint64_t total = document.totalBytes();
  const uint64_t s = document.startOfLine(offset);
  const uint64_t e = std::min(s + HALF, total);
  const uint64_t windowEnd = d.shown.end();
  if (d.shown.lines.empty() || s < d.shown.start || e > windowEnd || total == 0) {
    uint64_t start = s;
    // Scrolling back: up to 32 KB of earlier text at once, from the first line that starts in it.
    if (!d.shown.lines.empty() && s < d.shown.start) {
      const uint64_t back = s <= HALF ? 0 : s - HALF;
      start = document.startOfLine(back);
      if (start < back) start = std::min(document.nextLine(back), s);
    }
    d.rebuild(document, start);
  }
  return d.lineAt(offset);
}

size_t DocumentMap::copyToBuffer(uint64_t offset, char* buffer, size_t n) const {
  Window const& w = impl->shown;
  if (!buffer || n == 0 || offset < w.start || offset >= w.end()) return 0;
  const char* from = w.bytes.data() + (offset - w.start);
  const char* end = w.bytes.data() + w.length;
  size_t count = std::min<size_t>(n, size_t(end - from));
  // Keep whole characters only: drop a last one that the count cut.
  size_t whole = 0;
  for (const char* p = from; p < from + count;) {
    const size_t step = utf8::step(p, end);
    if (p + step > from + count) break;
    p += step;
    whole = size_t(p - from);
  }
  std::memcpy(buffer, from, whole);
  return whole;
}
