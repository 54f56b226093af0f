// Tokens arrive in file order from an inline run. A CR right before an LF is held back, so that a line's
// suffix is written before the whole line end; the bytes that no token covers (a tail the run did not hand
// out) are copied from the file at the end, so the export always holds the entire text.
#include "export/documentexporter.h"

#include "documents/documentprocessor.h"
#include "text/oldwordlistmanager.h"
#include "text/wordhash.h"
#include "utils/exception.h"
#include "utils/log.h"
#include "utils/outputstream.h"
#include "utils/platform/posix/filehandle.h"
#include "utils/text.h"
#include "utils/utf8.h"

#include <unistd.h>

#include <string>

namespace {
enum Markup {
  DocumentPrefix,
  DocumentSuffix,
  LinePrefix,
  LineSuffix,
  WordPrefix,
  WordSuffix,
  CharPrefix,
  CharSuffix
};
}

struct DocumentExporter::Impl {
  explicit Impl(const char* path) : path(path) {}

  void write(const void* data, size_t size);
  void write(std::string const& s) { write(s.data(), s.size()); }
  void writeWord(Token const& token);
  void copy(uint64_t from, uint64_t to);
  void flushCR();

  Text path;
  std::string markup[8];
  WordHash const* words = nullptr;  // segment against this instead, when set
  OutputStream* out = nullptr;      // the export under way
  std::unique_ptr<FileHandle> file; // the document, for bytes that no token covers
  bool failed = false;              // a write came up short
  bool pendingCR = false;           // a CR token held back to see whether an LF follows
  uint64_t nextOffset = 0;          // just past the last token written
};

void DocumentExporter::Impl::write(const void* data, size_t size) {
  if (failed || !out || size == 0) return;
  if (out->write(data, size) != size) failed = true;
}

void DocumentExporter::Impl::writeWord(Token const& token) {
  write(markup[WordPrefix]);
  if (markup[CharPrefix].empty() && markup[CharSuffix].empty()) {
    write(token.text, size_t(token.bytes));
  } else {
    const char* end = token.text + token.bytes;
    for (const char* p = token.text; p < end;) {
      const size_t n = utf8::step(p, end);
      write(markup[CharPrefix]);
      write(p, n);
      write(markup[CharSuffix]);
      p += n;
    }
  }
  write(markup[WordSuffix]);
}

void DocumentExporter::Impl::copy(uint64_t from, uint64_t to) {
  char buffer[65536];
  for (uint64_t offset = from; offset < to;) {
    const size_t want = size_t(std::min<uint64_t>(sizeof buffer, to - offset));
    const ssize_t n = ::pread(file->fd(), buffer, want, off_t(offset));
    if (n <= 0) break;
    write(buffer, size_t(n));
    offset += uint64_t(n);
  }
}

void DocumentExporter::Impl::flushCR() {
  if (pendingCR) write("\r", 1);
  pendingCR = false;
}

DocumentExporter::DocumentExporter(const char* documentPath) : impl(std::make_unique<Impl>(documentPath)) {}
DocumentExporter::~DocumentExporter() = default;

std::string DocumentExporter::unescape(const char* markup) {
  std::string out;
  for (const char* p = markup; p && *p; ++p) {
    if (*p != '\\') {
      out += *p;
      continue;
    }
    switch (p[1]) {
    case 0:
      return out; // a backslash at the very end is dropped
    case '\\':
      out += '\\';
      break;
    case 'n':
      out += '\n';
      break;
    case 'r':
      out += '\r';
      break;
    case 't':
      out += '\t';
      break;
    default:
      out.append(p, 2);
      break;
    }
    ++p;
  }
  return out;
}

void DocumentExporter::configure(const char* documentPrefix, const char* documentSuffix,
                                 const char* linePrefix, const char* lineSuffix, const char* wordPrefix,
                                 const char* wordSuffix, const char* characterPrefix,
                                 const char* characterSuffix) {
  const char* texts[8] = {documentPrefix, documentSuffix, linePrefix,      lineSuffix,
                          wordPrefix,     wordSuffix,     characterPrefix, characterSuffix};
  for (int i = 0; i < 8; ++i)
    impl->markup[i] = unescape(texts[i]);
}

void DocumentExporter::setWordHash(WordHash const* words) {
  impl->words = words;
}

bool DocumentExporter::exportData(OutputStream& out) {
  Impl& d = *impl;
  d.failed = d.pendingCR = false;
  d.nextOffset = 0;
  try {
    d.file = std::make_unique<FileHandle>(d.path.c_str());
    WordHash const& words = d.words ? *d.words : OldWordListManager::instance().privateMasterList();
    DocumentProcessor processor(d.path.c_str(), words, *this);
    d.out = &out;
    d.write(d.markup[DocumentPrefix]);
    d.write(d.markup[LinePrefix]);
    processor.beginProcessing(false);
    d.flushCR();
    d.copy(d.nextOffset, UINT64_MAX);
    d.write(d.markup[LineSuffix]);
    d.write(d.markup[DocumentSuffix]);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error exporting the document", e);
    d.failed = true;
  }
  d.out = nullptr;
  d.file.reset();
  return !d.failed;
}

void DocumentExporter::beginProcessing() {}

void DocumentExporter::processToken(Token const& token, unsigned long offset) {
  Impl& d = *impl;
  if (!d.out) return;
  if (offset > d.nextOffset) {
    d.flushCR();
    d.copy(d.nextOffset, offset);
  }
  const bool whitespace = token.type == Token::Whitespace && token.bytes > 0;
  const bool lineFeed = whitespace && token.text[0] == '\n';
  d.nextOffset = offset + token.bytes;
  if (d.pendingCR && !lineFeed) d.flushCR();
  if (whitespace && token.bytes == 1 && token.text[0] == '\r') {
    d.pendingCR = true;
    return;
  }
  if (token.type == Token::Chinese || token.type == Token::Alpha || token.type == Token::Number) {
    d.writeWord(token);
  } else if (lineFeed) {
    d.write(d.markup[LineSuffix]);
    d.flushCR();
    d.write(token.text, size_t(token.bytes));
    d.write(d.markup[LinePrefix]);
  } else {
    d.write(token.text, size_t(token.bytes));
  }
}

void DocumentExporter::processingFinished(float, bool error, unsigned long, unsigned long,
                                          OpenSSL::SHA1 const&) {
  if (error) impl->failed = true; // the run stopped reading the file
}
