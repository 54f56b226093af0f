// The UTF-8 toolkit against a strict reference decoder: stepping never leaves the text, a decoded character
// is exactly what the standard reads there (U+FFFD for anything ill-formed, never an overlong form, a
// surrogate or a value above U+10FFFF), encoding and decoding are inverse, and the ideograph blocks are
// Chinese.
#include "fuzz.h"

#include "utils/utf8.h"

namespace {

std::string cp(uint32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", c);
  return text;
}

void walk(std::string_view text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  size_t steps = 0;
  for (const char* p = begin; p < end; ++steps) {
    const size_t at = size_t(p - begin);
    const size_t step = utf8::step(p, end);
    FUZZ_CHECK("utf8: a step moves on and stays within the text", step >= 1 && step <= 4 && p + step <= end,
               "at " + std::to_string(at) + " step " + std::to_string(step) + " in " + fuzz::show(text));
    size_t length = 0;
    const uint32_t c = utf8::decode(p, end, length);
    FUZZ_CHECK("utf8: decode reads what step steps over", length == step,
               "at " + std::to_string(at) + " in " + fuzz::show(text));
    const fuzz::Decoded ref = fuzz::decodeStrict(text, at);
    if (ref.valid) {
      FUZZ_CHECK("utf8: a well-formed character decodes to itself",
                 c == ref.codePoint && length == ref.length,
                 "at " + std::to_string(at) + " got " + cp(c) + " of " + std::to_string(length) +
                     " bytes, want " + cp(ref.codePoint) + " in " + fuzz::show(text));
    } else {
      FUZZ_CHECK("utf8: an ill-formed sequence decodes to U+FFFD", c == utf8::REPLACEMENT,
                 "at " + std::to_string(at) + " got " + cp(c) + " from " +
                     fuzz::show(text.substr(at, length)));
    }
    p += step;
  }
  FUZZ_CHECK("utf8: character_count counts the steps",
             utf8::character_count(Span(begin, text.size())) == steps, fuzz::show(text));
}

// Scalar values encode to the standard form and decode back; their class follows the ideograph blocks.
void codePoint(uint32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return;
  char out[8];
  const size_t n = utf8::encode(c, out);
  FUZZ_CHECK("utf8: encode writes the standard form", std::string_view(out, n) == fuzz::encodeUtf8(c), cp(c));
  size_t length = 0;
  FUZZ_CHECK("utf8: decode inverts encode", utf8::decode(out, out + n, length) == c && length == n, cp(c));
  const bool chinese = utf8::isChinese(utf8::get_type(c));
  FUZZ_CHECK("utf8: the ideograph blocks are Chinese, and only ideographs are",
             fuzz::isHanBlock(c) ? chinese : !chinese || fuzz::mayBeHan(c),
             cp(c) + " is class " + std::to_string(int(utf8::get_type(c))));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  walk(std::string_view(reinterpret_cast<const char*>(data), size));
  FuzzedDataProvider in(data, size);
  while (in.remaining_bytes() >= 3)
    codePoint(in.ConsumeIntegralInRange<uint32_t>(0, 0x10FFFF));
  return 0;
}
