#include "script/qeldocumentlines.h"

#include "documents/textdocument.h"

#include <vector>

namespace qelLua {

struct DocumentLines::Impl {
  explicit Impl(const char* path) : text(path) {
    text.setMaxForwardRead(MAX_LINE);
    text.setMaxBackwardRead(MAX_LINE);
    position = text.skipBOM(0);
  }

  TextDocument text;
  std::vector<char> buffer = std::vector<char>(4096);
  unsigned long position = 0;  // where the next line starts
  unsigned long lineStart = 0; // of the line in the buffer
  unsigned long length = 0;    // of the line in the buffer
  bool done = false;           // the last line has been read
};

DocumentLines::DocumentLines(const char* path) : impl(std::make_unique<Impl>(path)) {}

DocumentLines::~DocumentLines() = default;

void DocumentLines::seekLineOf(unsigned long offset) {
  const unsigned long total = impl->text.totalBytes();
  impl->position = offset >= total ? total : impl->text.skipBOM(impl->text.startOfLine(offset));
  impl->done = false;
}

bool DocumentLines::next() {
  if (impl->done) return false;
  const unsigned long total = impl->text.totalBytes();
  const unsigned long start = impl->position;
  unsigned long end = impl->text.nextLine(start);
  if (end <= start) end = total; // never stand still
  const unsigned long length = end > start ? end - start : 0;
  if (impl->buffer.size() < length + 1) impl->buffer.resize(length + 1);
  impl->length = impl->text.copyToBuffer(start, impl->buffer.data(), length);
  impl->lineStart = start;
  impl->position = end;
  impl->done = end >= total;
  return true;
}

Span DocumentLines::line() const {
  return Span(impl->buffer.data(), impl->length);
}

Span DocumentLines::lineWithoutEnd() const {
  size_t n = impl->length;
  while (n > 0 && (impl->buffer[n - 1] == '\n' || impl->buffer[n - 1] == '\r'))
    --n;
  return Span(impl->buffer.data(), n);
}

unsigned long DocumentLines::lineStart() const {
  return impl->lineStart;
}

} // namespace qelLua
