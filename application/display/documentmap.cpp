// The window always begins at a line start (or, for a line longer than the reader goes back, at a
// character boundary the reader chose), so its first character is whole and its numbering matches the
// layout's. A window that reaches the end of the file is styled as the end of the text.
#include "display/documentmap.h"

#include "documents/textdocument.h"
#include "utils/utf8.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
constexpr uint64_t WINDOW = 65536;
constexpr uint64_t HALF = 32768;
} // namespace

struct DocumentMap::Impl {
  void rebuild(TextDocument const& document, uint64_t start);
  void number();
  void style();
  LineInfo lineAt(uint64_t offset) const;

  Lexoscope const* lexoscope = nullptr;
  std::vector<char> bytes = std::vector<char>(WINDOW); // the window's text
  std::vector<uint16_t> utf16;                         // the window as UTF-16 (Utf16 mode)
  std::vector<uint64_t> attributes;
  std::vector<uint64_t> offsets = std::vector<uint64_t>(2 * WINDOW);
  std::vector<uint64_t> lines;
  uint64_t windowStart = 0;
  uint64_t windowLength = 0;
  bool endOfText = false; // the window reaches the end of the file
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
  impl->windowStart = impl->windowLength = 0;
  impl->lines.clear();
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
  if (!impl->lines.empty()) impl->style();
}

void DocumentMap::Impl::number() {
  offsets.clear();
  lines.assign(1, 0);
  const char* text = bytes.data();
  const char* end = text + windowLength;
  if (mode == Lexoscope::Utf16 && utf16.size() < 2 * (windowLength + 1)) utf16.resize(2 * (windowLength + 1));
  size_t units = 0;
  for (const char* p = text; p < end;) {
    size_t n = 0;
    const uint32_t c = Lexoscope::character(p, end, n);
    const uint64_t at = windowStart + uint64_t(p - text);
    if (mode == Lexoscope::Utf8) {
      for (size_t i = 0; i < n; ++i)
        offsets.push_back(at + i);
    } else if (c >= 0x10000) {
      utf16[units++] = uint16_t(0xD800 + ((c - 0x10000) >> 10));
      utf16[units++] = uint16_t(0xDC00 + (c & 0x3FF));
      offsets.insert(offsets.end(), 2, at);
    } else {
      utf16[units++] = uint16_t(c);
      offsets.push_back(at);
    }
    if (c == '\n') lines.push_back(offsets.size());
    p += n;
  }
  offsets.push_back(windowStart + windowLength);
  // The final entry is the number of positions; a window that ends in a line feed already has it.
  if (windowLength == 0 || text[windowLength - 1] != '\n') lines.push_back(offsets.size() - 1);
}

void DocumentMap::Impl::style() {
  const size_t positions = offsets.size() - 1;
  if (lexoscope) {
    lexoscope->analyse(bytes.data(), size_t(windowLength), windowStart, endOfText, attributes);
  } else {
    Lexoscope::plain(bytes.data(), size_t(windowLength), mode, attributes);
  }
  // A guard, not a case: the lexoscope counts characters the way number() does.
  attributes.resize(positions, Lexoscope::PLAIN);
}

void DocumentMap::Impl::rebuild(TextDocument const& document, uint64_t start) {
  ++changeCount;
  attributes.clear();
  const uint64_t total = document.totalBytes();
  windowStart = start;
  windowLength = start < total ? document.copyToBuffer(start, bytes.data(), WINDOW) : 0;
  endOfText = start + windowLength >= total;
  number();
  style();
}

DocumentMap::LineInfo DocumentMap::Impl::lineAt(uint64_t offset) const {
  // The last line whose first character lies at or before offset.
  size_t line = 0;
  if (lines.size() > 1) {
    const auto after = std::upper_bound(lines.begin(), lines.end() - 1, offset,
                                        [&](uint64_t o, uint64_t index) { return o < offsets[index]; });
    line = after == lines.begin() ? 0 : size_t(after - lines.begin()) - 1;
  }
  const uint64_t first = lines[line];
  const void* text = mode == Lexoscope::Utf8 ? static_cast<const void*>(bytes.data() + first)
                                             : static_cast<const void*>(utf16.data() + first);
  return LineInfo{attributes.data() + first,    offsets.data() + first, lines.data() + line, text, first,
                  uint64_t(lines.size() - line)};
}

DocumentMap::LineInfo DocumentMap::startOfLineAtOffset(TextDocument const& document, uint64_t offset) {
  Impl& d = *impl;
  const uint64_t total = document.totalBytes();
  const uint64_t s = document.startOfLine(offset);
  const uint64_t e = std::min(s + HALF, total);
  const uint64_t windowEnd = d.windowStart + d.windowLength;
  if (d.lines.empty() || s < d.windowStart || e > windowEnd || total == 0) {
    uint64_t start = s;
    // Scrolling back: up to 32 KB of earlier text at once, from the first line that starts in it.
    if (!d.lines.empty() && s < d.windowStart) {
      const uint64_t back = s <= HALF ? 0 : s - HALF;
      start = document.startOfLine(back);
      if (start < back) start = std::min(document.nextLine(back), s);
    }
    d.rebuild(document, start);
  }
  return d.lineAt(offset);
}

size_t DocumentMap::copyToBuffer(uint64_t offset, char* buffer, size_t n) const {
  Impl const& d = *impl;
  if (!buffer || n == 0 || offset < d.windowStart || offset >= d.windowStart + d.windowLength) return 0;
  const char* from = d.bytes.data() + (offset - d.windowStart);
  const char* end = d.bytes.data() + d.windowLength;
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
