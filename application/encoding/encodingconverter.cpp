// A decoder stops at the first unit it cannot decode (EILSEQ) or at a unit cut by the end (EINVAL); the
// loop writes one U+FFFD there and restarts after the unit, so a decoder that lost its place picks up again
// at the next byte that begins a character. The unit is one byte, except a UTF-16 code unit and a Big5 pair
// of a lead and a trail byte, whose trail must not be read as a new lead. A mark at the start is skipped.
#include "encoding/encodingconverter.h"

#include "encoding/big5decoder.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

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
  default:
    return nullptr;
  }
}

// The byte-order mark that a file in the encoding may begin with.
std::string_view byteOrderMark(EncodingDetector::Encoding e) {
  switch (e) {
  case EncodingDetector::Utf16LE:
    return "\xFF\xFE";
  case EncodingDetector::Utf16BE:
    return "\xFE\xFF";
  case EncodingDetector::Gb18030:
    return "\x84\x31\x95\x33";
  default:
    return {};
  }
}

// One decoding step with iconv(3)'s contract; a null in hands over what a stateful decoder still holds.
class Decoder {
public:
  explicit Decoder(EncodingDetector::Encoding e) : m_encoding(e) {
    if (const char* name = iconvName(e)) m_cd = iconv_open("UTF-8", name);
  }
  ~Decoder() {
    if (m_cd != iconv_t(-1)) iconv_close(m_cd);
  }
  Decoder(Decoder const&) = delete;
  Decoder& operator=(Decoder const&) = delete;

  bool valid() const { return m_encoding == EncodingDetector::Big5 || m_cd != iconv_t(-1); }
  size_t operator()(char** in, size_t* inLeft, char** out, size_t* outLeft) {
    if (m_encoding != EncodingDetector::Big5) return ::iconv(m_cd, in, inLeft, out, outLeft);
    if (!in) return 0;
    return Big5Decoder::instance().decode(const_cast<const char**>(in), inLeft, out, outLeft);
  }
  // The bytes that one U+FFFD stands for, where the decoder stopped.
  size_t badUnit(const char* in, size_t inLeft) const {
    switch (m_encoding) {
    case EncodingDetector::Utf16LE:
    case EncodingDetector::Utf16BE:
      return 2;
    case EncodingDetector::Big5:
      return inLeft >= 2 && Big5Decoder::isLead(static_cast<unsigned char>(in[0])) &&
                     Big5Decoder::isTrail(static_cast<unsigned char>(in[1]))
                 ? 2
                 : 1;
    default:
      return 1;
    }
  }

private:
  EncodingDetector::Encoding m_encoding;
  iconv_t m_cd = iconv_t(-1);
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
  return Decoder(m_encoding).valid();
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
  Decoder decode(m_encoding);
  if (!decode.valid()) return Result::Unsupported;
  Pieces p(read, out);
  p.refill();
  const std::string_view mark = byteOrderMark(m_encoding);
  if (!mark.empty() && p.inLeft >= mark.size() && std::memcmp(p.in, mark.data(), mark.size()) == 0)
    p.in += mark.size(), p.inLeft -= mark.size();
  for (;;) {
    if (!p.inLeft && !p.eof) {
      if (stopRequested && stopRequested()) return Result::Stopped;
      p.refill();
      continue;
    }
    // With the input used up, one more call lets a stateful decoder hand over what it still holds.
    const bool last = p.inLeft == 0;
    const size_t r = last ? decode(nullptr, nullptr, &p.outPos, &p.outLeft)
                          : decode(&p.in, &p.inLeft, &p.outPos, &p.outLeft);
    if (r != size_t(-1)) {
      if (last) break;
    } else if (errno == E2BIG || p.outLeft < sizeof REPLACEMENT) {
      if (!p.flush()) return Result::WriteFailed;
      if (stopRequested && stopRequested()) return Result::Stopped;
    } else if (errno == EINVAL && !p.eof) {
      p.refill(); // a character cut by the end of the piece, not of the input
    } else if ((errno == EILSEQ || errno == EINVAL) && p.inLeft) {
      p.replace(decode.badUnit(p.in, p.inLeft));
    } else {
      break; // nothing iconv can report here; keep what was decoded
    }
  }
  return p.flush() ? Result::Done : Result::WriteFailed;
}
