// iconv stops at the first byte it cannot decode (EILSEQ) or at a sequence cut by the end (EINVAL); the
// loop writes U+FFFD for one byte there and restarts after it, so a decoder that lost its place picks
// up again at the next byte that begins a character.
#include "encoding/encodingconverter.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr size_t PIECE = 64 * 1024;
constexpr char REPLACEMENT[] = "\xEF\xBF\xBD";

const char* iconvName(EncodingDetector::Encoding e) {
  switch (e) {
  case EncodingDetector::Utf16LE:
    return "UTF-16LE";
  case EncodingDetector::Utf16BE:
    return "UTF-16BE";
  case EncodingDetector::Gb18030:
    return "GB18030";
  case EncodingDetector::Big5:
    return "BIG5-HKSCS";
  default:
    return nullptr;
  }
}

class Iconv {
public:
  explicit Iconv(const char* from) : cd(from ? iconv_open("UTF-8", from) : iconv_t(-1)) {}
  ~Iconv() {
    if (valid()) iconv_close(cd);
  }
  Iconv(Iconv const&) = delete;
  Iconv& operator=(Iconv const&) = delete;
  bool valid() const { return cd != iconv_t(-1); }
  iconv_t cd;
};

// The input and output pieces around the iconv calls.
struct Pieces {
  Pieces(EncodingConverter::Reader const& read, OutputStream& out) : read(read), out(out) {}

  // Moves what is left of the input to the front and reads until the piece is full or the input ends.
  void refill() {
    std::memmove(input.get(), in, inLeft);
    in = input.get();
    while (!eof && inLeft < PIECE) {
      const size_t n = read(in + inLeft, PIECE - inLeft);
      eof = n == 0;
      inLeft += n;
    }
  }
  bool flush() {
    const size_t n = size_t(outPos - output.get());
    outPos = output.get();
    outLeft = PIECE;
    return n == 0 || out.write(output.get(), n) == n;
  }
  // U+FFFD in place of the unit at the input position (caller makes sure there is room).
  void replace(size_t unit) {
    std::memcpy(outPos, REPLACEMENT, 3);
    outPos += 3;
    outLeft -= 3;
    const size_t skip = std::min(inLeft, unit);
    in += skip;
    inLeft -= skip;
  }

  EncodingConverter::Reader const& read;
  OutputStream& out;
  std::unique_ptr<char[]> input = std::make_unique<char[]>(PIECE);
  char* in = input.get();
  size_t inLeft = 0;
  bool eof = false;
  std::unique_ptr<char[]> output = std::make_unique<char[]>(PIECE);
  char* outPos = output.get();
  size_t outLeft = PIECE;
};

// Takes bytes up to its size and then refuses the rest.
class CutBuffer : public OutputStream {
public:
  CutBuffer(char* out, size_t size) : out(out), size(size) {}
  size_t write(const void* data, size_t n) override {
    const size_t take = std::min(n, size - used);
    if (take) std::memcpy(out + used, data, take);
    used += take;
    return take;
  }
  char* out;
  size_t size;
  size_t used = 0;
};

} // namespace

bool EncodingConverter::supported() const {
  return iconvName(m_encoding) != nullptr;
}

size_t EncodingConverter::convert(const char* in, size_t n, char* out, size_t size) const {
  if (!out || !size) return 0;
  CutBuffer buffer(out, size);
  convert(Span(in, in ? n : 0), buffer);
  return buffer.used;
}

EncodingConverter::Result EncodingConverter::convert(Span const& input, OutputStream& out,
                                                     std::function<bool()> const& stopRequested) const {
  size_t offset = 0;
  const size_t length = input.data ? input.length : 0;
  auto read = [&](char* buffer, size_t size) {
    const size_t n = std::min(size, length - offset);
    if (n) std::memcpy(buffer, input.data + offset, n);
    offset += n;
    return n;
  };
  return convert(read, out, stopRequested);
}

EncodingConverter::Result EncodingConverter::convert(Reader const& read, OutputStream& out,
                                                     std::function<bool()> const& stopRequested) const {
  Iconv decoder(iconvName(m_encoding));
  if (!decoder.valid()) return Result::Unsupported;
  const bool utf16 = m_encoding == EncodingDetector::Utf16LE || m_encoding == EncodingDetector::Utf16BE;
  const size_t unit = utf16 ? 2 : 1; // what one U+FFFD stands for
  Pieces p(read, out);
  p.refill();
  const char* bom = m_encoding == EncodingDetector::Utf16LE ? "\xFF\xFE" : "\xFE\xFF";
  if (utf16 && p.inLeft >= 2 && std::memcmp(p.in, bom, 2) == 0) p.in += 2, p.inLeft -= 2;
  for (;;) {
    if (!p.inLeft && !p.eof) {
      if (stopRequested && stopRequested()) return Result::Stopped;
      p.refill();
      continue;
    }
    // With the input used up, one more call lets a stateful decoder (Big5-HKSCS holds a character back
    // to see whether a combining one follows) hand over what it still holds.
    const bool last = p.inLeft == 0;
    const size_t r = last ? ::iconv(decoder.cd, nullptr, nullptr, &p.outPos, &p.outLeft)
                          : ::iconv(decoder.cd, &p.in, &p.inLeft, &p.outPos, &p.outLeft);
    if (r != size_t(-1)) {
      if (last) break;
    } else if (errno == E2BIG || p.outLeft < sizeof REPLACEMENT) {
      if (!p.flush()) return Result::WriteFailed;
      if (stopRequested && stopRequested()) return Result::Stopped;
    } else if (errno == EINVAL && !p.eof) {
      p.refill(); // a character cut by the end of the piece, not of the input
    } else if ((errno == EILSEQ || errno == EINVAL) && p.inLeft) {
      p.replace(unit);
    } else {
      break; // nothing iconv can report here; keep what was decoded
    }
  }
  return p.flush() ? Result::Done : Result::WriteFailed;
}
