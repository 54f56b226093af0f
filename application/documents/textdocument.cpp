// Line navigation. Backwards, startOfLine scans pieces of 4 KB towards the start of the file; past
// maxBackwardRead it cuts the line half that distance after the last piece's start and remembers the cut,
// so that every offset of a long line within reach of the cut maps to the same line start (the text view
// lays out from there). Forwards, nextLine cuts once a scan has gone past maxForwardRead.
#include "documents/textdocument.h"

#include "utils/pagedfile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr unsigned long NO_CUT = ~0ul;

// ASCII or a lead byte 0xC0-0xF7; everything else is skipped when a cut moves to a boundary.
bool isBoundary(unsigned char c) {
  return c < 0x80 || (c >= 0xC0 && c <= 0xF7);
}

unsigned long leadLength(unsigned char c) {
  if (c < 0x80) return 1;
  if (c >= 0xC0 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF7) return 4;
  return 0;
}

} // namespace

struct TextDocument::Impl {
  explicit Impl(const char* path) : file(path), filename(path) {}

  // Reads what the file still holds of [offset, offset + count).
  unsigned long read(char* buffer, unsigned long offset, unsigned long count) {
    return count ? file.read(buffer, offset, count) : 0;
  }
  // The file's size; at or past the recorded end it is taken again, for a file that has grown since.
  unsigned long sizeAt(unsigned long offset) {
    if (offset < file.totalBytes()) return file.totalBytes();
    file.recheck();
    return file.totalBytes();
  }
  // The count of bytes at offset, up to 4, before the next character boundary.
  unsigned long boundarySkip(unsigned long offset) {
    char b[4];
    const unsigned long got = read(b, offset, sizeof b);
    unsigned long n = 0;
    while (n < got && !isBoundary(static_cast<unsigned char>(b[n])))
      ++n;
    return n;
  }
  void forgetCut() {
    cutStart = NO_CUT;
    cutSkip = 0;
  }
  // Just past the last line feed in [from, to), or NO_CUT.
  unsigned long lastLineFeed(unsigned long from, unsigned long to);
  unsigned long lineStartNearCut(unsigned long offset);

  unsigned long cutStart = NO_CUT;
  unsigned long cutSkip = 0;
  unsigned long maxBackwardRead = DEFAULT_MAX_READ;
  unsigned long maxForwardRead = DEFAULT_MAX_READ;
  bool hasBOM = false;
  PagedFile file;
  Text filename;
};

unsigned long TextDocument::Impl::lastLineFeed(unsigned long from, unsigned long to) {
  char piece[PIECE];
  while (to > from) {
    const unsigned long start = to - from > PIECE ? to - PIECE : from;
    const unsigned long got = read(piece, start, to - start);
    for (unsigned long i = got; i > 0; --i)
      if (piece[i - 1] == '\n') return start + i;
    to = start;
  }
  return NO_CUT;
}

// Within reach of the remembered cut the line starts at the cut, unless a line feed lies between the cut
// and the offset: then that line feed ends the cut line. The cut is kept for the offsets before it.
unsigned long TextDocument::Impl::lineStartNearCut(unsigned long offset) {
  const unsigned long lineStart = cutStart + cutSkip;
  const unsigned long afterFeed = lastLineFeed(lineStart, offset);
  return afterFeed != NO_CUT ? afterFeed : lineStart;
}

TextDocument::TextDocument(const char* path) : impl(std::make_unique<Impl>(path)) {
  unsigned char head[3];
  impl->hasBOM = impl->read(reinterpret_cast<char*>(head), 0, 3) == 3 && head[0] == 0xEF && head[1] == 0xBB &&
                 head[2] == 0xBF;
}

TextDocument::~TextDocument() = default;

Text const& TextDocument::filename() const {
  return impl->filename;
}

unsigned long TextDocument::totalBytes() const {
  return impl->file.totalBytes();
}

unsigned long TextDocument::skipBOM(unsigned long offset) const {
  return impl->hasBOM && offset < 3 ? 3 : offset;
}

void TextDocument::setMaxForwardRead(unsigned long bytes) {
  impl->maxForwardRead = bytes;
}

void TextDocument::setMaxBackwardRead(unsigned long bytes) {
  impl->maxBackwardRead = bytes;
  impl->forgetCut();
}

unsigned long TextDocument::startOfLine(unsigned long offset) const {
  const unsigned long size = impl->sizeAt(offset);
  if (offset >= size) return size;
  if (impl->cutStart != NO_CUT && impl->cutStart + impl->cutSkip <= offset &&
      offset - impl->cutStart < impl->maxBackwardRead)
    return impl->lineStartNearCut(offset);
  if (offset == 0) {
    impl->forgetCut();
    return 0;
  }
  char piece[PIECE];
  for (unsigned long end = offset; end > 0;) {
    const unsigned long start = end > PIECE ? end - PIECE : 0;
    // A file that shrank reads short: the missing bytes hold no line feed.
    const unsigned long got = impl->read(piece, start, end - start);
    for (unsigned long i = got; i > 0; --i) {
      if (piece[i - 1] == '\n') {
        impl->forgetCut();
        return start + i;
      }
    }
    if (offset - start > impl->maxBackwardRead) {
      const unsigned long cut = start + impl->maxBackwardRead / 2;
      impl->cutStart = cut;
      impl->cutSkip = impl->boundarySkip(cut);
      return std::min(cut + impl->cutSkip, offset);
    }
    end = start;
  }
  impl->forgetCut();
  return 0;
}

unsigned long TextDocument::nextLine(unsigned long offset) const {
  char buffer[PIECE];
  return nextLine(offset, buffer, sizeof buffer);
}

unsigned long TextDocument::nextLine(unsigned long offset, char* buffer, unsigned long size) const {
  const unsigned long total = impl->sizeAt(offset);
  if (offset >= total) return total;
  char own[PIECE];
  if (!buffer || !size) {
    buffer = own;
    size = sizeof own;
  }
  for (unsigned long pos = offset; pos < total;) {
    const unsigned long want = std::min(size, total - pos);
    const unsigned long got = impl->read(buffer, pos, want);
    if (const void* feed = std::memchr(buffer, '\n', got))
      return pos + static_cast<unsigned long>(static_cast<const char*>(feed) - buffer) + 1;
    // The file shrank: its last bytes end the line, and past them the document ends at once, so that a walk
    // over the lines still terminates.
    if (got < want) return got ? pos + got : total;
    if (pos + got - offset > impl->maxForwardRead) {
      // Cut at this piece's start; when that is the offset itself (a piece longer than the reading
      // distance), at its end instead, so that the caller always moves on.
      const unsigned long cut = pos > offset ? pos : pos + got;
      return std::min(cut + impl->boundarySkip(cut), total);
    }
    pos += got;
  }
  return total;
}

unsigned long TextDocument::lineLength(unsigned long offset) const {
  return nextLine(offset) - startOfLine(offset);
}

unsigned long TextDocument::copyLineToBuffer(unsigned long offset, char* buffer, unsigned long size) const {
  if (!buffer || !size) return 0;
  const unsigned long length = nextLine(offset) - startOfLine(offset);
  const unsigned long got = impl->read(buffer, offset, std::min(length, size - 1));
  buffer[got] = 0;
  return got;
}

unsigned long TextDocument::copyToBuffer(unsigned long offset, char* buffer, unsigned long n) const {
  if (!buffer || !n) return 0;
  const unsigned long got = impl->read(buffer, offset, n);
  if (got < n || offset + got >= totalBytes()) return got;
  return wholeBytes(buffer, got);
}

unsigned long TextDocument::wholeBytes(const char* buffer, unsigned long count) {
  // Look back over at most three continuation bytes for the lead of the last sequence.
  unsigned long i = count;
  while (i > 0 && count - i < 3 && (static_cast<unsigned char>(buffer[i - 1]) & 0xC0) == 0x80)
    --i;
  if (i == 0) return count;
  const unsigned long length = leadLength(static_cast<unsigned char>(buffer[i - 1]));
  return length > 1 && i - 1 + length > count ? i - 1 : count;
}
