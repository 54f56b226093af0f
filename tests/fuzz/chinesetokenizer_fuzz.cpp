// The segmenter over the shipped master word list, or over a small list taken from the input. One pass over
// the text is checked against a naive longest match over a plain set of the words and against the strict
// UTF-8 reference (types, character counts); a walk over random windows, each longer than the longest word
// by a character, must give the tokens of one pass, but for runs longer than any word, which the windows may
// cut.
#include "fuzz.h"

#include "text/chinesetokenizer.h"
#include "text/wordhash.h"

#include <memory>
#include <unordered_set>

namespace {

struct Words {
  std::unique_ptr<WordHash> hash;
  std::unordered_set<std::string_view> set;
  std::vector<std::string> owned;
};

Words const& shipped() {
  static const Words* words = [] {
    auto* w = new Words;
    const std::string path = std::string(QM_RESOURCES_DIR) + "/data/words.u8";
    w->owned.push_back(fuzz::readFile(path));
    w->hash = std::make_unique<WordHash>(20, path.c_str(), true);
    for (std::string_view line : fuzz::lines(fuzz::withoutMark(w->owned.back())))
      if (!line.empty()) w->set.insert(line);
    return w;
  }();
  return *words;
}

// Well-formed lines of the text, at most 64.
void fromInput(std::string_view text, Words& words) {
  words.hash = std::make_unique<WordHash>(10, nullptr, true);
  for (std::string_view line : fuzz::lines(text)) {
    if (!line.empty() && fuzz::validUtf8(line) && words.owned.size() < 64) words.owned.emplace_back(line);
  }
  for (std::string const& w : words.owned) { // the set views the strings once they no longer move
    words.hash->add(Span(w));
    words.set.insert(w);
  }
}

struct Piece {
  size_t offset, bytes, characters;
  uint32_t type;
  bool cut; // ends at the end of a window that is not the end of the text, or in front of a character it cuts
};

std::string describe(Piece const& p, std::string_view text) {
  return "token at " + std::to_string(p.offset) + " type " + Token::typeName(p.type) + " " +
         fuzz::show(text.substr(p.offset, p.bytes)) + " characters " + std::to_string(p.characters);
}

// The tokens of range [from, to) of text; appends them and returns the position reached.
size_t tokenize(std::string_view text, size_t from, size_t to, WordHash const& words,
                std::vector<Piece>& out) {
  const bool last = to == text.size();
  ChineseTokenizer tokenizer(Utf8Range(text.data() + from, to - from), words, last);
  for (size_t count = 0;; ++count) {
    FUZZ_CHECK("tokenizer: a range ends", count <= to - from + 1, fuzz::show(text));
    const Token t = tokenizer.nextToken();
    if (t.type == Token::EndOfText) break;
    const size_t at = size_t(t.text - text.data());
    FUZZ_CHECK("tokenizer: tokens tile the range",
               t.bytes > 0 && at == (out.empty() ? 0 : out.back().offset + out.back().bytes),
               "token at " + std::to_string(at) + " in " + fuzz::show(text));
    out.push_back(Piece{at, size_t(t.bytes), size_t(t.characters), t.type, !last && at + t.bytes + 3 >= to});
  }
  return size_t(tokenizer.position() - text.data());
}

// The naive longest match at offset: the longest word there that is longer than the first unit.
size_t longestMatch(std::string_view text, size_t offset, size_t unit, Words const& words, size_t longest) {
  size_t best = unit;
  for (size_t n = unit + 1; n <= longest && offset + n <= text.size(); ++n)
    if (words.set.count(text.substr(offset, n))) best = n;
  return best;
}

bool isRun(uint32_t type) {
  return type == Token::Alpha || type == Token::Number || type == Token::Invalid;
}

void checkToken(Piece const& p, std::string_view text, Words const& words, size_t longest) {
  const std::string_view bytes = text.substr(p.offset, p.bytes);
  size_t replacements = 0, characters = 0;
  bool valid = true;
  for (size_t i = 0; i < bytes.size();) {
    const fuzz::Decoded d = fuzz::decodeStrict(bytes, i);
    valid = valid && d.valid;
    replacements += d.valid && d.codePoint == 0xFFFD;
    characters += d.valid;
    i += d.length;
  }
  if (p.type == Token::Invalid) {
    FUZZ_CHECK("tokenizer: an invalid token holds no character but U+FFFD", characters == replacements,
               describe(p, text));
    FUZZ_CHECK("tokenizer: an invalid token counts U+FFFD as one character",
               p.characters >= 1 && p.characters <= p.bytes - 2 * replacements, describe(p, text));
    return;
  }
  FUZZ_CHECK("tokenizer: only invalid tokens hold ill-formed UTF-8", valid, describe(p, text));
  FUZZ_CHECK("tokenizer: a token counts its characters", p.characters == characters, describe(p, text));
  const fuzz::Decoded first = fuzz::decodeStrict(bytes, 0);
  const bool chinese = p.type == Token::Chinese;
  FUZZ_CHECK("tokenizer: a token that begins with an ideograph is Chinese, and only such a token",
             fuzz::isHanBlock(first.codePoint) ? chinese : !chinese || fuzz::mayBeHan(first.codePoint),
             describe(p, text));
  if (p.type != Token::Chinese && p.type != Token::Alpha && p.type != Token::Number) return;
  size_t unit = first.length;
  if (p.type != Token::Chinese) {
    const auto sameClass = [&](char c) {
      const bool digit = c >= '0' && c <= '9';
      const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      return p.type == Token::Number ? digit : letter;
    };
    unit = 0;
    while (p.offset + unit < text.size() && sameClass(text[p.offset + unit]))
      ++unit;
  }
  FUZZ_CHECK("tokenizer: words are the naive longest match",
             p.bytes == longestMatch(text, p.offset, unit, words, longest), describe(p, text));
}

// Walks the one-pass tokens and the windowed ones side by side. Where they differ the windowed token must
// be a run cut at its window's end; both then go on until they end at the same offset again.
void compare(std::vector<Piece> const& one, std::vector<Piece> const& windowed, std::string_view text) {
  size_t i = 0, j = 0;
  while (i < one.size() && j < windowed.size()) {
    Piece const& a = one[i];
    Piece const& b = windowed[j];
    ++i, ++j;
    if (a.offset == b.offset && a.bytes == b.bytes && a.type == b.type && a.characters == b.characters)
      continue;
    FUZZ_CHECK("tokenizer: tokens over windows are those of one pass, but for cut runs",
               b.cut && isRun(b.type), "one pass " + describe(a, text) + "\nwindowed " + describe(b, text));
    size_t endA = a.offset + a.bytes, endB = b.offset + b.bytes;
    while (endA < endB && i < one.size())
      endA += one[i++].bytes;
    while (endB < endA && j < windowed.size()) {
      endB += windowed[j++].bytes;
      while (endA < endB && i < one.size())
        endA += one[i++].bytes;
    }
  }
  FUZZ_CHECK("tokenizer: windows cover the text as one pass does", i == one.size() && j == windowed.size(),
             fuzz::show(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Words own;
  const bool fromShipped = in.ConsumeBool();
  if (!fromShipped) fromInput(in.ConsumeRandomLengthString(512), own);
  Words const& words = fromShipped ? shipped() : own;
  uint32_t seed = in.ConsumeIntegral<uint32_t>() | 1;
  const std::string text = in.ConsumeRemainingBytesAsString();
  const size_t longest = size_t(words.hash->longestWord());

  std::vector<Piece> one;
  FUZZ_CHECK("tokenizer: one pass reads the whole text",
             tokenize(text, 0, text.size(), *words.hash, one) == text.size(), fuzz::show(text));
  for (Piece const& p : one)
    checkToken(p, text, words, longest);

  std::vector<Piece> windowed;
  for (size_t at = 0; at < text.size();) {
    seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
    // Longer than any word by a character: a run of invalid bytes that ends in a cut sequence waits for
    // the rest of that sequence.
    const size_t to = std::min(text.size(), at + longest + 4 + seed % 64);
    const size_t reached = tokenize(text, at, to, *words.hash, windowed);
    FUZZ_CHECK("tokenizer: a window longer than any word by a character moves on",
               reached > at && reached <= to,
               "window [" + std::to_string(at) + ", " + std::to_string(to) + ") of " + fuzz::show(text));
    at = reached;
  }
  compare(one, windowed, text);
  return 0;
}
