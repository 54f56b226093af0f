// Conversion of UTF-16, GB18030 and Big5 to UTF-8. The output is always well-formed UTF-8; text cut into the
// encoding's units converts to the units' conversions one after another, so no undecodable unit takes its
// neighbour with it; a byte-order mark at the start adds nothing; text encoded by glibc converts back; a
// cut buffer gets a prefix of the output; and the input pieces (64 KiB) may cut a character anywhere.
#include "fuzz.h"

#include "encoding/encodingconverter.h"
#include "utils/memoryoutputstream.h"

#include <unordered_map>

namespace {

using Encoding = EncodingDetector::Encoding;

const char* name(Encoding e) {
  return e == EncodingDetector::Utf16LE   ? "UTF-16LE"
         : e == EncodingDetector::Utf16BE ? "UTF-16BE"
         : e == EncodingDetector::Gb18030 ? "GB18030"
                                          : "BIG5-HKSCS";
}

std::string convert(Encoding e, std::string_view in) {
  MemoryOutputStream out;
  const auto result = EncodingConverter(e).convert(Span(in), out);
  FUZZ_CHECK("converter: a conversion into memory is done", result == EncodingConverter::Result::Done,
             name(e));
  return std::string(out.view());
}

std::string_view mark(Encoding e) {
  return e == EncodingDetector::Utf16LE   ? "\xFF\xFE"
         : e == EncodingDetector::Utf16BE ? "\xFE\xFF"
         : e == EncodingDetector::Gb18030 ? "\x84\x31\x95\x33"
                                          : "";
}

// The conversion of text that does not start the input: a mark there is a character (U+FEFF).
std::string convertInside(Encoding e, std::string_view in) {
  const std::string m(mark(e));
  const std::string alone = convert(e, m);
  const std::string all = convert(e, m + std::string(in));
  FUZZ_CHECK("converter: a mark converts the same wherever it ends", all.compare(0, alone.size(), alone) == 0,
             name(e) + std::string(" ") + fuzz::show(in));
  return all.substr(alone.size());
}

bool between(unsigned char b, unsigned char low, unsigned char high) {
  return b >= low && b <= high;
}

// The length of the encoding's unit at i: one character's bytes, or one byte that begins none.
size_t unitLength(Encoding e, std::string_view s, size_t i) {
  const auto at = [&](size_t k) { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0; };
  const size_t left = s.size() - i;
  if (e == EncodingDetector::Utf16LE || e == EncodingDetector::Utf16BE) {
    if (left < 2) return left;
    const auto unit = [&](size_t k) {
      return e == EncodingDetector::Utf16LE ? at(k) | at(k + 1) << 8 : at(k) << 8 | at(k + 1);
    };
    return left >= 4 && between(unit(0) >> 8, 0xD8, 0xDB) && between(unit(2) >> 8, 0xDC, 0xDF) ? 4 : 2;
  }
  if (!between(at(0), 0x81, 0xFE) || left < 2) return 1;
  if (e == EncodingDetector::Big5) return between(at(1), 0x40, 0x7E) || between(at(1), 0xA1, 0xFE) ? 2 : 1;
  if (between(at(1), 0x40, 0x7E) || between(at(1), 0x80, 0xFE)) return 2;
  return left >= 4 && between(at(1), 0x30, 0x39) && between(at(2), 0x81, 0xFE) && between(at(3), 0x30, 0x39)
             ? 4
             : 1;
}

// A unit's conversion, remembered: opening a converter per unit would dominate the run.
std::string const& convertUnit(Encoding e, std::string_view unit, bool first) {
  static std::unordered_map<std::string, std::string> known[2][5];
  auto& table = known[first][e];
  auto it = table.find(std::string(unit));
  if (it == table.end())
    it = table.emplace(std::string(unit), first ? convert(e, unit) : convertInside(e, unit)).first;
  return it->second;
}

void units(Encoding e, std::string_view in, std::string const& whole) {
  std::string expected;
  for (size_t i = 0; i < in.size();) {
    const size_t n = unitLength(e, in, i);
    const std::string_view unit = in.substr(i, n);
    std::string const& out = convertUnit(e, unit, i == 0);
    const bool replaced = out.find("\xEF\xBF\xBD") != std::string::npos;
    // A four-byte GB18030 form outside the mapped ranges has no agreed reading.
    if (e == EncodingDetector::Gb18030 && n == 4 && replaced) return;
    if (e == EncodingDetector::Big5 && n == 2 && replaced)
      FUZZ_CHECK("converter: an undecodable Big5 code in range is one U+FFFD", out == "\xEF\xBF\xBD",
                 fuzz::show(unit) + " gave " + fuzz::show(out));
    expected += out;
    i += n;
  }
  FUZZ_CHECK("converter: units convert one by one (no unit takes its neighbour)", whole == expected,
             name(e) + std::string(" ") + fuzz::show(in) + "\ngot " + fuzz::show(whole) + "\nwant " +
                 fuzz::show(expected));
}

// Scalar values taken from the input, encoded by glibc and converted back.
void roundTrip(Encoding e, FuzzedDataProvider& in) {
  if (e == EncodingDetector::Big5) return; // a many-to-one table: Big5 does not round-trip
  std::string text;
  while (in.remaining_bytes() >= 3 && text.size() < 256) {
    uint32_t c = in.ConsumeIntegralInRange<uint32_t>(0, 0x10FFFF - 0x800);
    c += c >= 0xD800 ? 0x800 : 0;
    if (!(text.empty() && c == 0xFEFF)) text += fuzz::encodeUtf8(c);
  }
  const std::string encoded = fuzz::encodeWithGlibc(name(e), text);
  if (encoded.empty()) return;
  const std::string back = convert(e, encoded);
  FUZZ_CHECK("converter: text encoded by glibc converts back", back == text,
             name(e) + std::string(" ") + fuzz::show(text) + " came back as " + fuzz::show(back));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const auto e = static_cast<Encoding>(in.ConsumeIntegralInRange(1, 4));
  const size_t cut = in.ConsumeIntegral<uint16_t>();
  const bool acrossPieces = in.ConsumeIntegral<uint8_t>() < 16;
  const std::string input = in.ConsumeRandomLengthString(1024);
  const std::string whole = convert(e, input);
  FUZZ_CHECK("converter: the output is well-formed UTF-8", fuzz::validUtf8(whole),
             name(e) + std::string(" ") + fuzz::show(input) + " gave " + fuzz::show(whole));
  units(e, input, whole);

  if (!mark(e).empty() && input.substr(0, mark(e).size()) != mark(e))
    FUZZ_CHECK("converter: a byte-order mark at the start adds nothing",
               convert(e, std::string(mark(e)) + input) == whole,
               name(e) + std::string(" ") + fuzz::show(input));

  std::string buffer(cut % (whole.size() + 2), '\0');
  const size_t n = EncodingConverter(e).convert(input.data(), input.size(), buffer.data(), buffer.size());
  FUZZ_CHECK("converter: a cut buffer gets a prefix",
             n == std::min(buffer.size(), whole.size()) && whole.compare(0, n, buffer.data(), n) == 0,
             name(e) + std::string(" ") + fuzz::show(input));

  if (acrossPieces) {
    const bool utf16 = e == EncodingDetector::Utf16LE || e == EncodingDetector::Utf16BE;
    std::string pad = utf16 ? std::string(e == EncodingDetector::Utf16LE ? "a\0" : "\0a", 2) : "a";
    while (pad.size() < 65536 - cut % 8)
      pad += pad.substr(0, utf16 ? 2 : 1);
    if (utf16 && pad.size() % 2) pad.pop_back();
    FUZZ_CHECK("converter: a character cut by the input's pieces converts whole",
               convert(e, pad + input) == convert(e, pad) + convertInside(e, input),
               name(e) + std::string(" after ") + std::to_string(pad.size()) +
                   " bytes: " + fuzz::show(input));
  }
  roundTrip(e, in);
  return 0;
}
