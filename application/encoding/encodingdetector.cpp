// Scoring a legacy candidate: walk the sample with a reader that knows the encoding's character lengths,
// counting the bytes that cannot begin a character; decode what the reader accepted and count how many of
// the decoded characters are common ones. A text in the right encoding scores high with few invalid
// characters; the wrong one decodes into rare characters or fails.
#include "encoding/encodingdetector.h"

#include "encoding/encodingconverter.h"
#include "text/wordhash.h"
#include "utils/exception.h"
#include "utils/filefinder.h"
#include "utils/pagedfile.h"
#include "utils/utf8.h"

#include <algorithm>

namespace {

constexpr size_t SAMPLE_SIZE = 512;
constexpr size_t DECODED_SIZE = 2049;
constexpr uint32_t COMMON_BITS = 12;

struct Candidate {
  uint64_t invalid = 0;
  uint64_t score = 0;
  EncodingDetector::Encoding encoding;
};

// Character lengths in a legacy sample: 0 for a byte that cannot begin a character (and at the end).
class EncodingIterator {
public:
  EncodingIterator(const unsigned char* begin, const unsigned char* end) : position(begin), end(end) {}
  virtual ~EncodingIterator() = default;
  virtual size_t length() const = 0;
  virtual EncodingDetector::Encoding encoding() const = 0;

  const unsigned char* position;
  const unsigned char* end;

protected:
  // The rules both double-byte encodings share; -1 when the second byte decides.
  int leadLength() const {
    if (position >= end) return 0;
    if (*position < 0x80) return 1;
    if (*position == 0x80 || *position == 0xFF) return 0;
    return end - position == 1 ? 2 : -1; // a lead cut by the end reaches past it
  }
};

class GBKIterator : public EncodingIterator {
public:
  using EncodingIterator::EncodingIterator;
  size_t length() const override {
    const int lead = leadLength();
    if (lead >= 0) return size_t(lead);
    const unsigned char b1 = position[1];
    if (b1 >= 0x40 && b1 <= 0xFE) return 2;
    if (b1 < 0x30 || b1 > 0x39) return 0;
    if (end - position < 4) return 4;
    return position[2] >= 0x81 && position[2] <= 0xFE ? 4 : 0;
  }
  EncodingDetector::Encoding encoding() const override { return EncodingDetector::Gb18030; }
};

class Big5Iterator : public EncodingIterator {
public:
  using EncodingIterator::EncodingIterator;
  size_t length() const override {
    const int lead = leadLength();
    if (lead >= 0) return size_t(lead);
    const unsigned char b1 = position[1];
    return (b1 >= 0x40 && b1 <= 0x7E) || (b1 >= 0xA1 && b1 <= 0xFE) ? 2 : 0;
  }
  EncodingDetector::Encoding encoding() const override { return EncodingDetector::Big5; }
};

bool continuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// Continuation bytes in a row after p, at most max.
size_t continuations(const unsigned char* p, size_t max) {
  size_t n = 0;
  while (n < max && continuation(p[n + 1]))
    ++n;
  return n;
}

struct Utf8Counts {
  size_t invalid = 0;   // counted until they reach the threshold
  size_t multibyte = 0; // whole valid sequences of two to four bytes
};

// The sample's invalid UTF-8 sequences and valid multi-byte ones. A sequence cut by the sample's end (a lead
// and nothing but continuation bytes up to the end) counts once as invalid; a lead near the end followed by
// a byte that continues nothing is an invalid sequence like any other, and the walk goes on after it.
Utf8Counts countUtf8(const unsigned char* s, size_t n, size_t threshold) {
  Utf8Counts c;
  for (size_t i = 0; i < n && c.invalid < threshold;) {
    const unsigned char b = s[i];
    const size_t left = n - i;
    const size_t whole = (b & 0xF8) == 0xF0 ? 4 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xE0) == 0xC0 ? 2 : 1;
    if (whole == 1) {
      c.invalid += b >= 0x80;
      ++i;
      continue;
    }
    const size_t step = 1 + continuations(s + i, std::min(whole, left) - 1);
    const bool valid = step == whole;
    c.invalid += !valid;
    c.multibyte += valid;
    i += step;
  }
  return c;
}

// UTF-16 without a byte-order mark, told by its ASCII characters: a zero byte beside an ASCII space,
// digit or punctuation byte, always on the same side of the pair. Read the wrong way round, a Chinese
// character U+xx00 makes such a pair too; "0" is left out for the ideographic space U+3000 that starts
// paragraphs, and one side must have at least two pairs and four times as many as the other. Utf8 when
// the sample shows no such pattern.
EncodingDetector::Encoding utf16Pattern(const unsigned char* s, size_t n) {
  auto asciiBeside = [](unsigned char b) {
    return (b >= 0x09 && b <= 0x0D) || (b >= 0x20 && b <= 0x40 && b != 0x30);
  };
  size_t le = 0, be = 0;
  for (size_t i = 0; i + 1 < n; i += 2) {
    le += s[i + 1] == 0 && asciiBeside(s[i]);
    be += s[i] == 0 && asciiBeside(s[i + 1]);
  }
  if (le >= 2 && le >= 4 * be) return EncodingDetector::Utf16LE;
  if (be >= 2 && be >= 4 * le) return EncodingDetector::Utf16BE;
  return EncodingDetector::Utf8;
}

// a before b in the ranking: a candidate whose score does not beat its invalid count is weighed by a
// hundred times that count.
bool before(Candidate const& a, Candidate const& b) {
  // A reading without a single common character cannot win, however clean: it must not hold back one
  // that has some.
  if ((a.score == 0) != (b.score == 0)) return b.score == 0;
  if (a.score <= a.invalid || b.score <= b.invalid) {
    auto weighted = [](Candidate const& c) { return c.score > c.invalid ? c.invalid : 100 * c.invalid; };
    return weighted(a) < weighted(b);
  }
  if (a.score != b.score) return a.score > b.score;
  return a.invalid < b.invalid;
}

} // namespace

struct EncodingDetector::Impl {
  static std::unique_ptr<WordHash> readCommon();

  std::unique_ptr<WordHash> common = readCommon(); // the common characters, one word-list line each

  Candidate score(EncodingIterator& reader) const;
};

// The list is looked for in the resources, then the base folder; without it the set stays empty.
std::unique_ptr<WordHash> EncodingDetector::Impl::readCommon() {
  FileFinder finder;
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::Base);
  return std::make_unique<WordHash>(COMMON_BITS, finder.find("data/common.u8"), false);
}

Candidate EncodingDetector::Impl::score(EncodingIterator& reader) const {
  Candidate c{0, 0, reader.encoding()};
  const unsigned char* begin = reader.position;
  const unsigned char* decodable = reader.end;
  while (reader.position < reader.end) {
    const size_t n = reader.length();
    if (n == 0) {
      ++c.invalid;
      ++reader.position;
    } else if (size_t(reader.end - reader.position) < n) {
      decodable = reader.position;
      break;
    } else {
      reader.position += n;
    }
  }
  char decoded[DECODED_SIZE];
  const size_t bytes =
      EncodingConverter(c.encoding)
          .convert(reinterpret_cast<const char*>(begin), size_t(decodable - begin), decoded, sizeof decoded);
  for (const char* p = decoded; p < decoded + bytes;) {
    const size_t n = utf8::step(p, decoded + bytes);
    if (common->exists(Span(p, n)) == WordHash::Word) ++c.score;
    p += n;
  }
  return c;
}

EncodingDetector::EncodingDetector() : impl(std::make_unique<Impl>()) {}

EncodingDetector::~EncodingDetector() = default;

EncodingDetector::Encoding EncodingDetector::detect(const char* path) const {
  unsigned char sample[SAMPLE_SIZE];
  size_t n = 0;
  try {
    if (path) n = PagedFile(path).read(sample, 0, SAMPLE_SIZE);
  } catch (zun::exception const&) {
    return Utf8; // what cannot be read is left to the document's own reader to report
  }
  if (n < 3) return Utf8;
  if (sample[0] == 0xFF && sample[1] == 0xFE) return Utf16LE;
  if (sample[0] == 0xFE && sample[1] == 0xFF) return Utf16BE;
  if (const Encoding utf16 = utf16Pattern(sample, n); utf16 != Utf8) return utf16;
  const size_t threshold = std::max(n / 16, size_t(4));
  // A few invalid sequences are tolerated only in text that shows it is UTF-8: a legacy file that is
  // mostly ASCII would otherwise pass with its few Chinese words.
  const Utf8Counts utf8 = countUtf8(sample, n, threshold);
  if (utf8.invalid == 0 || (utf8.invalid < threshold && utf8.multibyte > utf8.invalid)) return Utf8;

  GBKIterator gbk(sample, sample + n);
  Big5Iterator big5(sample, sample + n);
  Candidate candidates[2] = {impl->score(gbk), impl->score(big5)};
  if (before(candidates[1], candidates[0])) std::swap(candidates[0], candidates[1]);
  const Candidate& best = candidates[0];
  return best.score > best.invalid && best.invalid < threshold ? best.encoding : Unknown;
}
