#include "export/exportcontext.h"

#include "documents/textdocument.h"

#include <cstring>

namespace {
constexpr uint64_t BEFORE = 1000;
constexpr size_t READ = 2000;
const char* const ELLIPSIS = "\xE2\x80\xA6";

bool isContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of the terminator that ends at p (exclusive), or 0.
size_t terminatorBefore(const char* begin, const char* p, ExportContext::Mode mode) {
  if (p <= begin) return 0;
  const char c = p[-1];
  if (c == '\n' || c == '\r') return 1;
  if (mode == ExportContext::Line) return 0;
  if (c == '!' || c == '.' || c == '?') return 1;
  if (p - begin < 3) return 0;
  for (const char* t : {"\xE2\x80\xA6", "\xE3\x80\x82", "\xEF\xBC\x81", "\xEF\xBC\x9F"}) // … 。 ！ ？
    if (std::memcmp(p - 3, t, 3) == 0) return 3;
  return 0;
}

// The length of the terminator that starts at p, or 0.
size_t terminatorAt(const char* p, const char* end, ExportContext::Mode mode) {
  for (size_t n = 1; n <= 3 && p + n <= end; n += 2)
    if (terminatorBefore(p, p + n, mode) == n) return n;
  return 0;
}

void replaceTabs(std::string& s) {
  for (char& c : s)
    if (c == '\t') c = ' ';
}
} // namespace

void ExportContext::extract(TextDocument const& document, uint64_t offset, Span const& word, Mode mode,
                            std::string& text, std::string& cloze) {
  const uint64_t textStart = document.skipBOM(0);
  const uint64_t readStart = document.skipBOM(offset <= BEFORE ? 0 : offset - BEFORE);
  char buffer[READ];
  const size_t n = document.copyToBuffer(readStart, buffer, READ);
  extract(buffer, n, readStart, textStart, document.totalBytes(), offset, word, mode, text, cloze);
}

void ExportContext::extract(const char* bytes, size_t length, uint64_t readStart, uint64_t textStart,
                            uint64_t totalBytes, uint64_t offset, Span const& word, Mode mode,
                            std::string& text, std::string& cloze) {
  text.clear();
  cloze.clear();
  const char* end = bytes + length;
  const char* begin = bytes;
  while (begin < end && isContinuation(*begin)) // the read began inside a character
    ++begin;
  if (offset < readStart || offset - readStart > length) return;
  const char* wordStart = bytes + (offset - readStart);
  if (wordStart < begin || word.length > size_t(end - wordStart) || word.empty() ||
      std::memcmp(wordStart, word.data, word.length) != 0)
    return;

  const char* start = wordStart;
  while (start > begin && !terminatorBefore(begin, start, mode))
    start -= 1;
  const bool cutBefore = !terminatorBefore(begin, start, mode) && readStart > textStart;
  for (bool quote = mode == Sentence; start < wordStart;) {
    if (*start == '\n' || *start == '\r' || *start == '\t' || *start == ' ')
      ++start;
    else if (size_t(wordStart - start) >= 3 && std::memcmp(start, "\xE3\x80\x80", 3) == 0)
      start += 3;
    else if (*start == '"' && quote) {
      ++start;
      quote = false;
    } else
      break;
  }

  const char* stop = wordStart + word.length;
  while (stop < end && *stop != '\n' && *stop != '\r') {
    const size_t t = terminatorAt(stop, end, mode);
    if (t) {
      stop += t;
      break;
    }
    ++stop;
  }
  const bool cutAfter = stop == end && readStart + length < totalBytes;

  if (cutBefore) text = ELLIPSIS;
  cloze = text;
  text.append(start, stop);
  cloze.append(start, wordStart).append(CLOZE).append(wordStart + word.length, stop);
  if (cutAfter) {
    text += ELLIPSIS;
    cloze += ELLIPSIS;
  }
  replaceTabs(text);
  replaceTabs(cloze);
}
