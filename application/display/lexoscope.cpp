// Characters are walked over the whole window, not token by token, so that the count of attributes always
// equals the count of positions the display map numbered, whatever the tokenizer makes of invalid bytes.
// A character takes the attribute of the token that holds its first byte.
#include "display/lexoscope.h"

#include "documents/searchterm.h"
#include "text/chinesetokenizer.h"
#include "text/segmentengine.h"
#include "utils/utf8.h"
#include "wordlists/wordlistmanager.h"

#include <utility>

namespace {
using Ranges = std::vector<std::pair<size_t, size_t>>; // byte ranges of matches in the window

uint64_t withStyle(uint64_t attribute, uint64_t style) {
  return (attribute & 0xFFFFFFFFu) | (style << 32);
}

// Whether bytes[0, n) are whole three-byte sequences only: each is one character of one UTF-16 unit.
bool threeByteCharacters(const char* bytes, size_t n) {
  if (n == 0 || n % 3 != 0) return false;
  for (const auto* b = reinterpret_cast<const unsigned char*>(bytes); n > 0; b += 3, n -= 3)
    if ((b[0] & 0xF0) != 0xE0 || (b[1] & 0xC0) != 0x80 || (b[2] & 0xC0) != 0x80) return false;
  return true;
}
} // namespace

struct Lexoscope::Impl {
  Impl(WordListManager const& lists, SegmentEngine const& engine, Mode mode)
      : lists(lists), engine(engine), tokenizer(Utf8Range(), engine.dictionary()), mode(mode) {}

  // The matches of the term in the window, the current one first when it lies there.
  void findMatches(const char* bytes, size_t length, uint64_t documentOffset, Ranges& matches,
                   std::pair<size_t, size_t>& current) const;

  WordListManager const& lists;
  SegmentEngine const& engine;
  mutable ChineseTokenizer tokenizer; // ours alone: the engine's shared one may be busy on a script thread
  SearchTerm term;
  uint64_t currentMatch = 0;
  mutable uint64_t changeCount = 0;
  Mode mode;
};

Lexoscope::Lexoscope(WordListManager const& lists, SegmentEngine const& engine, Mode mode)
    : impl(std::make_unique<Impl>(lists, engine, mode)) {}
Lexoscope::~Lexoscope() = default;

Lexoscope::Mode Lexoscope::mode() const {
  return impl->mode;
}
uint64_t Lexoscope::changeCount() const {
  return impl->changeCount;
}
void Lexoscope::setSearchTerm(Span const& term) {
  impl->term.reset(term);
}
void Lexoscope::setCurrentMatch(uint64_t offset) {
  impl->currentMatch = offset;
}

uint32_t Lexoscope::character(const char* p, const char* end, size_t& length) {
  const uint32_t c = utf8::decode(p, end, length);
  return c > 0x10FFFF ? utf8::REPLACEMENT : c;
}

size_t Lexoscope::plainWords(const char* bytes, size_t length, size_t from, Mode mode,
                             std::vector<uint64_t>& words, Resume const* resume) {
  const char* end = bytes + length;
  for (const char* p = bytes + from; p < end;) {
    if (resume && size_t(p - bytes) >= resume->from && resume->at(size_t(p - bytes)))
      return size_t(p - bytes);
    size_t n = 0;
    const uint32_t c = character(p, end, n);
    words.push_back(PLAIN);
    words.insert(words.end(), positions(mode, c, n) - 1, PLAIN & ~TOKEN_START);
    p += n;
  }
  return length;
}

void Lexoscope::Impl::findMatches(const char* bytes, size_t length, uint64_t documentOffset, Ranges& matches,
                                  std::pair<size_t, size_t>& current) const {
  if (term.empty()) return;
  uint64_t start = 0, end = 0;
  // The current match as the search found it: scanning from its start gives it back exactly.
  if (currentMatch >= documentOffset && currentMatch < documentOffset + length) {
    SearchTerm::Scan scan;
    scan.from = currentMatch - documentOffset;
    if (term.scan(scan, bytes, length, 0, true, start, end) == SearchTerm::Outcome::Found &&
        start == currentMatch - documentOffset)
      current = {size_t(start), size_t(end)};
  }
  SearchTerm::Scan scan;
  while (term.scan(scan, bytes, length, 0, true, start, end) == SearchTerm::Outcome::Found) {
    matches.emplace_back(size_t(start), size_t(end));
    scan = SearchTerm::Scan();
    scan.from = end;
  }
}

void Lexoscope::analyse(const char* bytes, size_t length, uint64_t documentOffset, bool endOfText,
                        std::vector<uint64_t>& attributes) const {
  attributes.clear();
  attributes.reserve(2 * length + 1);
  words(bytes, length, 0, endOfText, attributes);
  markMatches(bytes, length, documentOffset, attributes);
}

size_t Lexoscope::words(const char* bytes, size_t length, size_t from, bool endOfText,
                        std::vector<uint64_t>& words, Resume const* resume) const {
  Impl& d = *impl;
  WordHash const& known = d.lists.current();
  d.tokenizer.setEndOfText(endOfText);
  d.tokenizer.reset(Utf8Range(bytes + from, length - from));
  const char* end = bytes + length;
  const char* p = bytes + from;
  // Appends the positions of every character that starts before stop; only the first position of the run
  // (of each character, for the plain tail) starts a token.
  const auto style = [&](const char* stop, uint64_t attribute, bool eachCharacter) {
    for (bool first = true; p < stop; first = eachCharacter) {
      size_t n = 0;
      const uint32_t c = character(p, end, n);
      words.push_back(first ? attribute : attribute & ~TOKEN_START);
      words.insert(words.end(), positions(d.mode, c, n) - 1, attribute & ~TOKEN_START);
      p += n;
    }
  };
  while (p < end) {
    if (resume && size_t(p - bytes) >= resume->from && resume->at(size_t(p - bytes)))
      return size_t(p - bytes);
    const Token token = d.tokenizer.nextToken();
    if (token.type == uint32_t(d.engine.endToken()) || !token.text) break;
    const uint64_t attribute = d.engine.getAttribute(token, known);
    if (token.text == p && threeByteCharacters(p, token.bytes)) {
      // The common Chinese word: one position a character, or three in bytes, without decoding each.
      const size_t count = d.mode == Utf16 ? token.bytes / 3 : token.bytes;
      words.push_back(attribute);
      words.insert(words.end(), count - 1, attribute & ~TOKEN_START);
      p += token.bytes;
      continue;
    }
    style(token.text + token.bytes, attribute, false);
  }
  style(end, PLAIN, true); // what the tokenizer left for a later window
  return length;
}

void Lexoscope::markMatches(const char* bytes, size_t length, uint64_t documentOffset,
                            std::vector<uint64_t>& attributes) const {
  Impl& d = *impl;
  ++d.changeCount;
  Ranges matches;
  std::pair<size_t, size_t> current{0, 0};
  d.findMatches(bytes, length, documentOffset, matches, current);
  if (matches.empty() && current.first == current.second) return;
  auto match = matches.begin();
  const char* end = bytes + length;
  size_t position = 0;
  for (const char* p = bytes; p < end && position < attributes.size();) {
    size_t n = 0;
    const uint32_t c = character(p, end, n);
    const size_t at = size_t(p - bytes);
    while (match != matches.end() && match->second <= at)
      ++match;
    const size_t count = positions(d.mode, c, n);
    uint64_t style = 0;
    if (at >= current.first && at < current.second)
      style = CURRENT_MATCH;
    else if (match != matches.end() && at >= match->first)
      style = OTHER_MATCH;
    for (size_t k = position; style && k < position + count && k < attributes.size(); ++k)
      attributes[k] = withStyle(attributes[k], style);
    position += count;
    p += n;
  }
}

size_t Lexoscope::lookahead() const {
  // The longest word, and a character on either side of it to tell where it ends.
  return size_t(impl->engine.dictionary().longestWord()) + 8;
}

uint64_t Lexoscope::stamp() const {
  return impl->engine.attributeStamp(impl->lists.current());
}
