// The window always begins at a line start (or, for a line longer than the reader goes back, at a
// character boundary the reader chose), so its first character is whole and its numbering matches the
// layout's. A window that reaches the end of the file is styled as the end of the text.
//
// A new window takes what it can from its sources, the shown window and the prepared regions: their bytes,
// and their numbering and words where its own tokens fall in step with theirs (both have a token start at
// the same offset) up to the token that lies a lookahead before the nearer of the two ends, since tokens
// closer to an end may depend on where that end is. Everything else is read, numbered and segmented here.
// The result is the full rebuild's.
//
// A prepared region is such a source made while the reader reads: the 64 KB after the token where the
// shown window stops being sure (reading forwards) or before the window's start (reading backwards),
// segmented a slice at a time by prepare(). There is one each way, so that a reader who turns back and
// forth within a window has each made once. The region ahead is kept across moves: what it holds past
// the new window's sure end is what the next move needs, so it drops what lies before that and is read
// on, its words from a lookahead before its old end on made again. Its words carry no find marks: those
// are made over the whole window at every rebuild, so a new find term leaves a region valid; another stamp
// or mode does not.
#include "display/documentmap.h"

#include "documents/textdocument.h"
#include "utils/utf8.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
constexpr uint64_t WINDOW = 65536;
constexpr uint64_t HALF = 32768;
// Going back, prepare() works once a request lies within this of the window's start.
constexpr uint64_t NEAR = 16384;
// Bytes one prepare() segments: about 0.1 ms, a little more than a page holds, so that a reader who pages
// without pause has the text ready a slice a step and no step waits long for its slice.
constexpr size_t SLICE = 2048;

// One window of the document, or the prepared region, numbered and segmented from its start.
struct Window {
  // The first position whose offset reaches offset (positions() when none does).
  size_t positionOf(uint64_t offset) const {
    return size_t(std::lower_bound(offsets.begin(), offsets.end() - 1, offset) - offsets.begin());
  }
  size_t positions() const { return offsets.size() - 1; }
  uint64_t end() const { return start + length; }
  // The position of the token that holds position p (0 when none starts before it).
  size_t tokenStart(size_t p) const {
    while (p > 0 && p < positions() && !(words[p] & Lexoscope::TOKEN_START))
      --p;
    return p;
  }

  std::vector<char> bytes = std::vector<char>(WINDOW); // the window's text
  std::vector<uint16_t> utf16;                         // the window as UTF-16 (Utf16 mode)
  std::vector<uint64_t> offsets;                       // per numbered position, then where numbering stops
  std::vector<uint64_t> words;                         // attributes without the find term's marks
  std::vector<uint64_t> lines;                         // where lines start (a window's: 0 first, count last)
  uint64_t start = 0;
  uint64_t length = 0;
  uint64_t ready = 0;     // numbered and segmented up to here: end(), or a token start of a region
  uint64_t readTo = 0;    // the end a region was read for
  bool endOfText = false; // the bytes reach the end of the file
  Lexoscope::Mode mode = Lexoscope::Utf8;
  uint64_t stamp = 0; // the lexoscope's when the words were made
};

// A window that a rebuild may take from, and how far its words are sure for the new window.
struct Source {
  Window const* window;
  uint64_t sure;
};
} // namespace

struct DocumentMap::Impl {
  void rebuild(TextDocument const& document, uint64_t start);
  void findSources(uint64_t total);
  bool readFromSources(TextDocument const& document, uint64_t total);
  void assemble();
  void copyFrom(Window const& source, uint64_t from, uint64_t to);
  bool prepareRegion(Window& r, TextDocument const& document, uint64_t from, uint64_t to);
  static void dropBefore(Window& r, uint64_t offset);
  void readOn(Window& r, TextDocument const& document, uint64_t to) const;
  size_t surePosition(Window const& source, uint64_t end) const;
  static void numberBytes(Window& w, size_t from, size_t to);
  uint64_t sureEnd(Window const& source, uint64_t end) const;
  size_t wordsFrom(Window& w, size_t from, Lexoscope::Resume const* resume = nullptr) const;
  void style();
  uint64_t stamp() const { return lexoscope ? lexoscope->stamp() : 0; }
  // Bytes from a token's start that decide it; at least a character, which a range's end may cut.
  uint64_t lookahead() const { return std::max<uint64_t>(lexoscope ? lexoscope->lookahead() : 0, 4); }
  LineInfo lineAt(uint64_t offset) const;

  Lexoscope const* lexoscope = nullptr;
  Window shown;                     // what the layout reads
  Window next;                      // the spare that a rebuild fills, then swaps with shown
  Window ahead;                     // text a move on needs; none while its length is 0
  Window behind;                    // text a move back needs
  std::vector<Source> sources;      // of the rebuild under way
  std::vector<uint64_t> attributes; // shown's words with the find term's marks; kept in place by restyling
  uint64_t changeCount = 0;
  Lexoscope::Mode mode = Lexoscope::Utf8;
  uint64_t lastRequest = 0; // the offset of the last request
  bool forwards = true;     // whether it lay after the one before
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
  impl->ahead.length = impl->behind.length = 0;
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

// Appends the numbering of w's bytes [from, to), which begin and end at characters.
void DocumentMap::Impl::numberBytes(Window& w, size_t from, size_t to) {
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

size_t DocumentMap::Impl::wordsFrom(Window& w, size_t from, Lexoscope::Resume const* resume) const {
  if (lexoscope) return lexoscope->words(w.bytes.data(), w.length, from, w.endOfText, w.words, resume);
  return Lexoscope::plainWords(w.bytes.data(), w.length, from, w.mode, w.words, resume);
}

// Where a source's words stop being sure for a window that ends at end: at the token start a lookahead
// before the nearer of the two ends, or sooner where a region is segmented only that far (its final offset).
uint64_t DocumentMap::Impl::sureEnd(Window const& source, uint64_t end) const {
  return source.offsets[surePosition(source, end)];
}

size_t DocumentMap::Impl::surePosition(Window const& source, uint64_t end) const {
  const uint64_t limit = std::min(source.end(), end);
  if (limit < source.start + lookahead()) return 0;
  return source.tokenStart(source.positionOf(limit - lookahead()));
}

// The windows whose words next may take: made in its mode and with its stamp, overlapping it.
void DocumentMap::Impl::findSources(uint64_t total) {
  sources.clear();
  for (Window const* w : {&shown, &ahead, &behind})
    if (w->length > 0 && w->ready > w->start && w->mode == next.mode && w->stamp == next.stamp &&
        w->end() <= total && w->start < next.start + WINDOW && w->end() > next.start)
      sources.push_back({w, 0});
}

// next's bytes: what the sources hold copied, the rest read. False when a read stopped short of a source
// (a broken character at its edge): then the whole window is read.
bool DocumentMap::Impl::readFromSources(TextDocument const& document, uint64_t total) {
  Window& w = next;
  if (sources.empty()) return false;
  const uint64_t target = std::min(w.start + WINDOW, total);
  char* out = w.bytes.data();
  for (uint64_t at = w.start; at < target;) {
    Window const* from = nullptr;
    uint64_t to = target;
    for (Source const& s : sources) {
      Window const& x = *s.window;
      if (x.start <= at && at < x.end() && (!from || x.end() > from->end()))
        from = &x;
      else if (x.start > at)
        to = std::min(to, x.start);
    }
    if (from) {
      to = std::min(from->end(), target);
      std::memcpy(out + (at - w.start), from->bytes.data() + (at - from->start), size_t(to - at));
    } else {
      const size_t n = size_t(to - at), got = document.copyToBuffer(at, out + (at - w.start), n);
      // At the window's end the reader cuts as a read of the whole window would.
      if (to == target && got < n) {
        w.length = at + got - w.start;
        return true;
      }
      if (got != n) return false;
    }
    at = to;
  }
  w.length = target - w.start;
  if (target < total) w.length = TextDocument::wholeBytes(out, w.length);
  return true;
}

// Appends source's numbering and words of the document offsets [from, to), token starts of both, to next.
void DocumentMap::Impl::copyFrom(Window const& source, uint64_t from, uint64_t to) {
  Window& w = next;
  const size_t first = source.positionOf(from), last = source.positionOf(to), base = w.offsets.size();
  w.offsets.insert(w.offsets.end(), source.offsets.begin() + first, source.offsets.begin() + last);
  w.words.insert(w.words.end(), source.words.begin() + first, source.words.begin() + last);
  if (w.mode == Lexoscope::Utf16)
    std::copy(source.utf16.begin() + first, source.utf16.begin() + last, w.utf16.begin() + base);
  // Lines start after the copied line feeds; a window's final entry, its position count, starts none.
  const auto lines = std::upper_bound(source.lines.begin(), source.lines.end(), first);
  for (auto line = lines; line != source.lines.end() && *line <= last; ++line)
    if (source.bytes[size_t(source.offsets[*line - 1] - source.start)] == '\n')
      w.lines.push_back(*line - first + base);
}

// Numbers and segments next: afresh until its tokens fall in step with a source's, then the source's
// numbering and words as far as they are sure, then afresh again, and so on to the end.
void DocumentMap::Impl::assemble() {
  Window& w = next;
  w.offsets.clear();
  w.words.clear();
  w.lines.assign(1, 0);
  if (w.mode == Lexoscope::Utf16 && w.utf16.size() < 2 * (w.length + 1)) w.utf16.resize(2 * (w.length + 1));
  for (Source& s : sources)
    s.sure = sureEnd(*s.window, w.end());
  Source const* with = nullptr;
  Lexoscope::Resume inStep;
  inStep.at = [&](size_t byte) {
    const uint64_t offset = w.start + byte;
    for (Source const& s : sources) {
      if (offset < s.window->start || offset >= s.sure) continue;
      const size_t p = s.window->positionOf(offset);
      if (s.window->offsets[p] == offset && (s.window->words[p] & Lexoscope::TOKEN_START)) {
        with = &s;
        return true;
      }
    }
    return false;
  };
  for (size_t from = 0;;) {
    inStep.from = from;
    const size_t stop = wordsFrom(w, from, sources.empty() ? nullptr : &inStep);
    numberBytes(w, from, stop);
    if (stop == w.length) break;
    copyFrom(*with->window, w.start + stop, with->sure);
    from = size_t(with->sure - w.start);
  }
  w.offsets.push_back(w.end());
  // The final entry is the number of positions; a window that ends in a line feed already has it.
  if (w.length == 0 || w.bytes[w.length - 1] != '\n') w.lines.push_back(w.positions());
}

void DocumentMap::Impl::style() {
  Window& w = shown;
  // A guard, not a case: the lexoscope counts characters the way numberBytes() does.
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
  findSources(total);
  if (!readFromSources(document, total))
    w.length = start < total ? document.copyToBuffer(start, w.bytes.data(), WINDOW) : 0;
  w.endOfText = start + w.length >= total;
  w.ready = w.end();
  assemble();
  std::swap(shown, next);
  style();
}

// One slice of a prepared region of the text [from, to). A region that holds from segmented, in this mode
// and with this stamp, is kept from its token there on and read on to to; any other is read afresh. False
// when it is whole already or nothing could be read.
bool DocumentMap::Impl::prepareRegion(Window& r, TextDocument const& document, uint64_t from, uint64_t to) {
  if (r.length > 0 && r.mode == mode && r.stamp == stamp() && r.start <= from && from <= r.ready) {
    dropBefore(r, from);
    if (r.readTo < to && !r.endOfText) readOn(r, document, to);
  } else {
    r.start = r.ready = from;
    r.readTo = to;
    r.mode = mode;
    r.stamp = stamp();
    if (r.bytes.size() < to - from) r.bytes.resize(size_t(to - from));
    r.length = document.copyToBuffer(from, r.bytes.data(), size_t(to - from));
    r.endOfText = r.end() >= document.totalBytes();
    r.offsets.assign(1, from);
    r.words.clear();
    r.lines.clear();
    if (r.mode == Lexoscope::Utf16 && r.utf16.size() < 2 * (r.length + 1)) r.utf16.resize(2 * (r.length + 1));
    if (r.length == 0) return false;
  }
  if (r.ready == r.end()) return false;
  // Up to the first token that starts a slice further on: the tokenizer saw the whole region, so the tokens
  // before it are those of one pass over the region.
  const size_t done = size_t(r.ready - r.start);
  Lexoscope::Resume slice;
  slice.from = done + SLICE;
  slice.at = [](size_t) { return true; };
  r.offsets.pop_back();
  const size_t stop = wordsFrom(r, done, &slice);
  numberBytes(r, done, stop);
  r.offsets.push_back(r.start + stop);
  r.ready = r.start + stop;
  return true;
}

// Drops the region's text before the token that holds offset (at most its ready end): the words from a
// token start on are those of a pass from there.
void DocumentMap::Impl::dropBefore(Window& r, uint64_t offset) {
  const size_t p = r.tokenStart(r.positionOf(offset));
  if (p == 0) return;
  const uint64_t cut = r.offsets[p];
  const size_t n = r.positions() - p;
  std::memmove(r.bytes.data(), r.bytes.data() + (cut - r.start), size_t(r.end() - cut));
  r.length = r.end() - cut;
  r.start = cut;
  r.offsets.erase(r.offsets.begin(), r.offsets.begin() + std::ptrdiff_t(p));
  r.words.erase(r.words.begin(), r.words.begin() + std::ptrdiff_t(p));
  if (r.mode == Lexoscope::Utf16) std::copy_n(r.utf16.begin() + std::ptrdiff_t(p), n, r.utf16.begin());
  // The lines that start at or before the cut start none that a copy from the region can take.
  const auto kept = std::upper_bound(r.lines.begin(), r.lines.end(), p);
  r.lines.erase(r.lines.begin(), kept);
  for (uint64_t& line : r.lines)
    line -= p;
}

// Reads the region on to to. Its words a lookahead before its old end may change with the text after it,
// so they are made again, from the token start the old end left sure.
void DocumentMap::Impl::readOn(Window& r, TextDocument const& document, uint64_t to) const {
  const size_t p = surePosition(r, r.end());
  r.offsets.resize(p + 1);
  r.words.resize(p);
  r.lines.erase(std::upper_bound(r.lines.begin(), r.lines.end(), p), r.lines.end());
  r.ready = r.offsets[p];
  if (r.bytes.size() < to - r.start) r.bytes.resize(size_t(to - r.start));
  r.length += document.copyToBuffer(r.end(), r.bytes.data() + r.length, size_t(to - r.end()));
  r.readTo = to;
  r.endOfText = r.end() >= document.totalBytes();
  if (r.mode == Lexoscope::Utf16 && r.utf16.size() < 2 * (r.length + 1)) r.utf16.resize(2 * (r.length + 1));
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
  if (offset != d.lastRequest) {
    d.forwards = offset > d.lastRequest;
    d.lastRequest = offset;
  }
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

bool DocumentMap::prepare(TextDocument const& document) {
  Impl& d = *impl;
  Window const& w = d.shown;
  if (w.lines.empty() || w.length == 0) return false;
  if (d.forwards) {
    // From the first step on, so that the slices spread over all the steps before the move.
    if (w.endOfText) return false;
    const uint64_t from = d.sureEnd(w, w.end());
    return d.prepareRegion(d.ahead, document, from, from + WINDOW);
  }
  // It moves back once a request's line lies before its start.
  if (w.start == 0 || d.lastRequest >= w.start + NEAR) return false;
  return d.prepareRegion(d.behind, document, w.start > WINDOW ? w.start - WINDOW : 0, w.start);
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
