// Greedy longest match. Every prefix of every dictionary word is an entry of the dictionary, so a candidate
// grows a character at a time until the table has no entry for it; the longest candidate that was a whole
// word wins, and the first unit (one Chinese character, or a whole run of digits or letters) is the fallback.
// Candidates are hashed a character at a time, never from the start again.
#include "text/chinesetokenizer.h"

#include "text/wordhash.h"
#include "utils/utf8.h"

#include <bit>
#include <cstring>
#include <vector>

namespace {
const Token END_TOKEN{nullptr, 0, 0, Token::EndOfText};

// The code point of a sequence that lies wholly within the range, len from utf8::sequence_length.
inline uint32_t decodeWhole(const char* p, size_t len, const char* end) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  // sequence_length has checked the continuation bytes of a whole sequence. A four-byte lead cut short to
  // three bytes by a bad last byte also has length 3, and must not decode.
  if (len == 3 && (b[0] & 0xF0) == 0xE0) {
    const uint32_t cp = ((b[0] & 0x0Fu) << 12) | ((b[1] & 0x3Fu) << 6) | (b[2] & 0x3Fu);
    return cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) ? utf8::REPLACEMENT : cp; // overlong, surrogate
  }
  size_t n;
  return utf8::decode(p, end, n);
}

// What an invalid sequence counts as: a literal U+FFFD is one character, each byte that does not decode
// another.
inline uint64_t invalidCharacters(const char* p, size_t n) {
  return n == 3 && std::memcmp(p, "\xEF\xBF\xBD", 3) == 0 ? 1 : n;
}

inline utf8::Type classOf(uint32_t cp) {
  if (cp >= 0x4E00 && cp <= 0x9FCF) return utf8::ChineseCharacter; // the common case first
  return utf8::get_type(cp);
}

// sequence_length with the three-byte sequence of nearly every Chinese text decided first.
inline size_t nextLength(const char* q, const char* end) {
  const auto* b = reinterpret_cast<const unsigned char*>(q);
  if (end - q >= 3 && (b[0] & 0xF0) == 0xE0 && (b[1] & 0xC0) == 0x80 && (b[2] & 0xC0) == 0x80) return 3;
  return utf8::sequence_length(q, end);
}

// The byte tests on words loaded from the text read the first byte in the low bits.
static_assert(std::endian::native == std::endian::little);
template <typename W> inline W load(const char* p) {
  W w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// w: the four bytes at a three-byte sequence whose lead is E4 to E9. Whether it is U+4E00 to U+9FCF.
inline bool isCommonChinese(uint32_t w) {
  const uint32_t cp = ((w & 0x0Fu) << 12) | ((w >> 2) & 0xFC0u) | ((w >> 16) & 0x3Fu);
  return cp >= 0x4E00 && cp <= 0x9FCF;
}

// Key bytes compared without a library call: candidates are mostly 6 to 12 bytes, which two overlapping
// loads from each side cover.
inline bool sameBytes(const char* a, const char* b, size_t n) {
  if (n >= 8) {
    if (n > 16) return std::memcmp(a, b, n) == 0;
    return load<uint64_t>(a) == load<uint64_t>(b) && load<uint64_t>(a + n - 8) == load<uint64_t>(b + n - 8);
  }
  if (n >= 4)
    return load<uint32_t>(a) == load<uint32_t>(b) && load<uint32_t>(a + n - 4) == load<uint32_t>(b + n - 4);
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

inline WordHash::Table::Node const* find(WordHash::Table const& table, const char* key, size_t length,
                                         uint32_t hash) {
  for (WordHash::Table::Node const* n = table.headFor(hash); n; n = n->next)
    if (WordHash::entryHash(n->value) == hash && n->key.length == length &&
        sameBytes(n->key.data, key, length))
      return n;
  return nullptr;
}
} // namespace

struct ChineseTokenizer::Impl {
  WordHash const* dictionary;
  WordHash::Table const* table;
  WordHash::KeyFilter filter;
  const char* end = nullptr;
  uint64_t longest = 0;  // the dictionary's, read at each reset
  bool prefixes = false; // whether every prefix of a word is an entry, which the shortcuts of match rely on
  bool endFlag = false;
  bool endOfText = false;   // the range ends where the text ends
  std::vector<Token> stack; // holds the end token until it is handed out

  bool needMore() {
    endFlag = true;
    return false;
  }
  bool read(const char* p, Token& out);
  bool readNonAscii(const char* p, Token& out);
  bool readInvalid(const char* p, size_t first, Token& out);
  bool match(const char* p, size_t bytes, uint64_t characters, uint32_t type, Token& out);
  bool matchCommon(const char* p, Token& out);
};

// One token at p into out; false (with the end flag set) when there is none in this range.
bool ChineseTokenizer::Impl::read(const char* p, Token& out) {
  if (p >= end) return needMore();
  const auto c = static_cast<unsigned char>(*p);
  if (c >= 0x80) return readNonAscii(p, out);
  const utf8::Type cls = utf8::ASCII_LOOKUP[c];
  if (cls == utf8::AsciiDigit || cls == utf8::AsciiLetter) {
    const char* q = p + 1;
    while (q < end && static_cast<unsigned char>(*q) < 0x80 &&
           utf8::ASCII_LOOKUP[static_cast<unsigned char>(*q)] == cls)
      ++q;
    const size_t bytes = size_t(q - p);
    // The run may go on in the next window; a run longer than any word is cut so that windows progress.
    if (q == end && !endOfText && bytes <= longest) return needMore();
    return match(p, bytes, bytes, cls == utf8::AsciiDigit ? Token::Number : Token::Alpha, out);
  }
  const uint32_t type = cls == utf8::AsciiWhite         ? Token::Whitespace
                        : cls == utf8::AsciiPunctuation ? Token::AsciiPunctuation
                                                        : Token::Other;
  out = Token{p, 1, 1, type};
  return true;
}

bool ChineseTokenizer::Impl::readNonAscii(const char* p, Token& out) {
  // A common Chinese character (leads E4 to E9) away from the range end goes straight to matching.
  if (end - p >= 4) {
    const uint32_t w = load<uint32_t>(p);
    if ((w & 0xC0C0F0u) == 0x8080E0u && (w & 0xFFu) - 0xE4u <= 5u && isCommonChinese(w))
      return prefixes ? matchCommon(p, out) : match(p, 3, 1, Token::Chinese, out);
  }
  const size_t len = utf8::sequence_length(p, end);
  if (p + len > end) {
    if (!endOfText) return needMore();
    return readInvalid(p, utf8::step(p, end), out); // a sequence cut by the end of the text
  }
  switch (classOf(decodeWhole(p, len, end))) {
  case utf8::ChineseCharacter:
  case utf8::ChineseCharacterExtA:
  case utf8::ChineseCharacterExtB:
    return match(p, len, 1, Token::Chinese, out);
  case utf8::Invalid:
    return readInvalid(p, len, out);
  case utf8::IdeographicSpace:
    out = Token{p, len, 1, Token::Whitespace};
    return true;
  case utf8::ChinesePunctuation:
    out = Token{p, len, 1, Token::ChinesePunctuation};
    return true;
  default:
    out = Token{p, len, 1, Token::Other};
    return true;
  }
}

// A run of bytes that don't decode (each bad sequence and each literal U+FFFD).
bool ChineseTokenizer::Impl::readInvalid(const char* p, size_t first, Token& out) {
  const char* q = p + first;
  uint64_t characters = invalidCharacters(p, first);
  bool reachesEnd = true;
  while (q < end) {
    const size_t n = utf8::sequence_length(q, end);
    if (q + n > end) {
      if (!endOfText) break;
      const size_t cut = utf8::step(q, end); // a sequence cut by the end of the text is invalid too
      characters += cut;
      q += cut;
      continue;
    }
    if (classOf(decodeWhole(q, n, end)) != utf8::Invalid) {
      reachesEnd = false;
      break;
    }
    characters += invalidCharacters(q, n);
    q += n;
  }
  const size_t bytes = size_t(q - p);
  if (reachesEnd && !endOfText && bytes <= longest) return needMore();
  out = Token{p, bytes, characters, Token::Invalid};
  return true;
}

// The hot loop of segmentation. In a dictionary with prefix entries, the first unit is the fallback whatever
// its entry, so its own look-up is skipped when a longer candidate is looked up (that one is absent whenever
// the first unit is), and a word that starts no longer one ends the match without a further look-up.
bool ChineseTokenizer::Impl::match(const char* p, size_t bytes, uint64_t characters, uint32_t type,
                                   Token& out) {
  // Locals, so that the stores of the token cannot make the compiler reload the fields.
  const char* const textEnd = end;
  const uint64_t bound = longest;
  const bool withPrefixes = prefixes;
  const WordHash::KeyFilter keys = filter;
  WordHash::Table const& words = *table;
  size_t bestBytes = bytes, length = bytes;
  uint64_t bestCharacters = characters;
  uint32_t hash = fnv1a::hash(p, bytes);
  bool first = true;
  while (length <= bound) {
    const char* q = p + length;
    const size_t n = nextLength(q, textEnd);
    const bool pastEnd = q + n > textEnd;
    if (!first || pastEnd || !withPrefixes) {
      if (!keys.mayContain(hash)) break; // surely absent: nothing longer can match either
      const WordHash::Table::Node* node = find(words, p, length, hash);
      if (!node) break;
      if (WordHash::entryType(node->value) == WordHash::Word) {
        bestBytes = length;
        bestCharacters = characters;
      }
      if (withPrefixes && !(node->value & WordHash::EXTENDED)) break;
    }
    first = false;
    if (pastEnd) {
      // A longer word may follow in the next window, unless one more byte already passes the bound.
      if (!endOfText && length < bound) return needMore();
      break;
    }
    if (n == 3) {
      hash = fnv1a::extend(hash, static_cast<unsigned char>(q[0]));
      hash = fnv1a::extend(hash, static_cast<unsigned char>(q[1]));
      hash = fnv1a::extend(hash, static_cast<unsigned char>(q[2]));
    } else {
      for (const char* b = q; b < q + n; ++b)
        hash = fnv1a::extend(hash, static_cast<unsigned char>(*b));
    }
    length += n;
    ++characters;
  }
  out = Token{p, bestBytes, bestCharacters, type};
  return true;
}

// match for a prefix set and a token that starts with a three-byte character, while at least four bytes
// follow the candidate: no candidate then reaches the range end, which is left to match.
bool ChineseTokenizer::Impl::matchCommon(const char* p, Token& out) {
  const char* const textEnd = end;
  const uint64_t bound = longest;
  const WordHash::KeyFilter keys = filter;
  WordHash::Table const& words = *table;
  size_t bestBytes = 3, length = 3;
  uint64_t bestCharacters = 1, characters = 1;
  uint32_t hash = fnv1a::OFFSET;
  hash = fnv1a::extend(hash, static_cast<unsigned char>(p[0]));
  hash = fnv1a::extend(hash, static_cast<unsigned char>(p[1]));
  hash = fnv1a::extend(hash, static_cast<unsigned char>(p[2]));
  // Most words are two characters long, so the next token most often starts two characters on. Its first
  // look-up (the pair of characters there) depends only on the text: its filter word and bucket start
  // loading while this token's look-ups wait. Guessing one character on as well costs more than it saves.
  if (textEnd - p >= 12) {
    uint32_t next = fnv1a::OFFSET;
    for (int i = 6; i < 12; ++i)
      next = fnv1a::extend(next, static_cast<unsigned char>(p[i]));
    keys.prefetch(next);
    words.prefetch(next);
  }
  bool first = true;
  while (length <= bound) {
    const char* q = p + length;
    if (textEnd - q < 4) return match(p, 3, 1, Token::Chinese, out);
    const uint32_t w = load<uint32_t>(q);
    const size_t n = (w & 0xC0C0F0u) == 0x8080E0u ? 3 : utf8::sequence_length(q, textEnd);
    if (!first) {
      if (!keys.mayContain(hash)) break;
      const WordHash::Table::Node* node = find(words, p, length, hash);
      if (!node) break;
      if (WordHash::entryType(node->value) == WordHash::Word) {
        bestBytes = length;
        bestCharacters = characters;
      }
      if (!(node->value & WordHash::EXTENDED)) break;
    }
    first = false;
    if (n == 3) {
      hash = fnv1a::extend(hash, static_cast<unsigned char>(w));
      hash = fnv1a::extend(hash, static_cast<unsigned char>(w >> 8));
      hash = fnv1a::extend(hash, static_cast<unsigned char>(w >> 16));
    } else {
      for (const char* b = q; b < q + n; ++b)
        hash = fnv1a::extend(hash, static_cast<unsigned char>(*b));
    }
    length += n;
    ++characters;
  }
  out = Token{p, bestBytes, bestCharacters, Token::Chinese};
  return true;
}

ChineseTokenizer::ChineseTokenizer(Utf8Range const& range, WordHash const& dictionary, bool endOfText)
    : Tokenizer(range), impl(std::make_unique<Impl>()) {
  impl->dictionary = &dictionary;
  impl->table = &dictionary.table();
  impl->filter = dictionary.keyFilter();
  impl->endOfText = endOfText;
  internalReset();
}

ChineseTokenizer::~ChineseTokenizer() = default;

void ChineseTokenizer::internalReset() {
  impl->stack.clear();
  impl->endFlag = false;
  impl->end = m_start + m_length;
  impl->longest = impl->dictionary->longestWord();
  impl->prefixes = impl->dictionary->hasPrefixes();
  impl->stack.push_back(END_TOKEN);
}

bool ChineseTokenizer::hasTokens() const {
  return !impl->stack.empty();
}

Token ChineseTokenizer::nextToken() {
  // One named result on every path, so the token is built in place: copying it out of a temporary that was
  // just written field by field stalls on store forwarding.
  Token token;
  Impl& m = *impl;
  bool read = false;
  if (!m.endFlag) {
    // The token that starts with a common Chinese character is by far the most frequent: it skips the
    // calls that sort out the others.
    const char* p = m_position;
    uint32_t w;
    if (m.prefixes && m.end - p >= 4 && ((w = load<uint32_t>(p)) & 0xC0C0F0u) == 0x8080E0u &&
        (w & 0xFFu) - 0xE4u <= 5u && isCommonChinese(w))
      read = m.matchCommon(p, token);
    else
      read = m.read(p, token);
  }
  // A token read is pushed and popped at once, so it is handed out straight away.
  if (read) {
    m_position += token.bytes;
  } else if (impl->stack.empty()) {
    token = END_TOKEN;
  } else {
    token = impl->stack.back();
    impl->stack.pop_back();
    m_position += token.bytes;
  }
  return token;
}

void ChineseTokenizer::setEndOfText(bool endOfText) {
  impl->endOfText = endOfText;
}
bool ChineseTokenizer::endOfText() const {
  return impl->endOfText;
}
bool ChineseTokenizer::endFlag() const {
  return impl->endFlag;
}
WordHash const& ChineseTokenizer::dictionary() const {
  return *impl->dictionary;
}
