// Encoding detection on the input as a file, and on text made from it: UTF-16 ASCII without a mark, and
// common Chinese characters in Big5 or GB18030. Properties: a mark decides UTF-16; well-formed UTF-8 is
// UTF-8; a sample with fewer well-formed multi-byte sequences than invalid ones is not UTF-8; ASCII in UTF-16
// is found without a mark; clean Chinese text in a legacy encoding is read as one; only the first 512 bytes
// count.
#include "fuzz.h"

#include "encoding/encodingdetector.h"
#include "utils/filesystem.h"

namespace {

using Encoding = EncodingDetector::Encoding;
constexpr size_t SAMPLE = 512;

const char* name(Encoding e) {
  static const char* const names[] = {"utf-8", "utf-16le", "utf-16be", "gb18030", "big5", "unknown"};
  return names[e];
}

// The common characters as two-byte codes of the legacy encoding whose lead lies in [low, high].
std::vector<std::string> commonCodes(const char* encoding, unsigned char low, unsigned char high) {
  std::vector<std::string> codes;
  const std::string list = fuzz::readFile(std::string(QM_RESOURCES_DIR) + "/data/common.u8");
  for (std::string_view c : fuzz::lines(list)) {
    const std::string code = fuzz::encodeWithGlibc(encoding, c);
    if (code.size() == 2 && static_cast<unsigned char>(code[0]) >= low &&
        static_cast<unsigned char>(code[0]) <= high)
      codes.push_back(code);
  }
  return codes;
}

// Well-formed multi-byte sequences (by their shape) and invalid ones in the sample; a sequence cut by the
// sample's end counts as neither.
void countSequences(std::string_view s, size_t& multi, size_t& invalid) {
  multi = invalid = 0;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t n = b < 0x80                 ? 1
                     : b >= 0xC0 && b <= 0xDF ? 2
                     : b >= 0xE0 && b <= 0xEF ? 3
                     : b >= 0xF0 && b <= 0xF7 ? 4
                                              : 0;
    size_t k = 1;
    while (n > 1 && k < n && i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80)
      ++k;
    if (n > 1 && k < n && i + k == s.size()) break;
    multi += n > 1 && k == n;
    invalid += n != 1 && k != n;
    i += k;
  }
}

Encoding detect(std::string const& bytes) {
  static const EncodingDetector detector;
  static const std::string path = FileSystem::path(CommonDirectory::Temp, "detect.txt").c_str();
  fuzz::writeFile(path, bytes);
  return detector.detect(path.c_str());
}

void check(std::string const& bytes, const char* made) {
  const Encoding got = detect(bytes);
  const std::string where = std::string(made) + " " + fuzz::show(bytes, 600) + " detected as " + name(got);
  if (bytes.size() < 3) return;
  if (bytes[0] == '\xFF' && bytes[1] == '\xFE')
    FUZZ_CHECK("detector: a UTF-16LE mark decides", got == EncodingDetector::Utf16LE, where);
  if (bytes[0] == '\xFE' && bytes[1] == '\xFF')
    FUZZ_CHECK("detector: a UTF-16BE mark decides", got == EncodingDetector::Utf16BE, where);
  const std::string_view sample = std::string_view(bytes).substr(0, SAMPLE);
  size_t multi, invalid;
  countSequences(sample, multi, invalid);
  if (bytes.size() <= SAMPLE && multi && fuzz::validUtf8(bytes) && bytes.find('\0') == std::string::npos)
    FUZZ_CHECK("detector: well-formed UTF-8 is UTF-8", got == EncodingDetector::Utf8, where);
  if (multi < invalid)
    FUZZ_CHECK("detector: fewer well-formed sequences than invalid ones are not UTF-8",
               got != EncodingDetector::Utf8,
               where + " (" + std::to_string(multi) + " well-formed, " + std::to_string(invalid) +
                   " invalid)");
  if (bytes.size() > SAMPLE)
    FUZZ_CHECK("detector: only the first 512 bytes count",
               detect(bytes.substr(0, SAMPLE) + "\xFF\xFE\x80") == got, where);
}

// Clean text of common characters in Big5 or GB18030 (only two-byte codes, no ASCII) that is not UTF-8 by
// the evidence: read as one of the two legacy encodings.
void legacy(FuzzedDataProvider& in, bool big5) {
  static const std::vector<std::string> big5Codes = commonCodes("BIG5-HKSCS", 0xA4, 0xF9);
  static const std::vector<std::string> gbCodes = commonCodes("GB18030", 0xB0, 0xF7);
  std::vector<std::string> const& codes = big5 ? big5Codes : gbCodes;
  std::string text;
  const size_t n = in.ConsumeIntegralInRange<size_t>(2, 40);
  for (size_t i = 0; i < n; ++i)
    text += codes[in.ConsumeIntegralInRange<size_t>(0, codes.size() - 1)];
  check(text, big5 ? "big5" : "gb18030");
  size_t multi, invalid;
  countSequences(text, multi, invalid);
  if (multi >= invalid) return;
  const Encoding got = detect(text);
  FUZZ_CHECK("detector: clean Chinese text in Big5 or GB18030 is read as one of them",
             got == EncodingDetector::Big5 || got == EncodingDetector::Gb18030,
             fuzz::show(text) + (big5 ? " (Big5)" : " (GB18030)") + " detected as " + name(got));
}

// ASCII text in UTF-16 without a mark. It is told by its zero bytes only with a strong signal: at least 32
// characters, one in eight of them a space, digit or punctuation (letters beside a zero byte are also
// Chinese characters read the wrong way round).
void utf16(FuzzedDataProvider& in, bool little) {
  std::string text;
  size_t separators = 0;
  while (in.remaining_bytes() && text.size() < 400) {
    const char c = char(0x20 + in.ConsumeIntegral<uint8_t>() % 0x5F);
    separators += c <= 0x40 && c != '0';
    text += little ? std::string{c, '\0'} : std::string{'\0', c};
  }
  check(text, little ? "utf-16le" : "utf-16be");
  if (text.size() < 64 || 16 * separators < text.size()) return;
  const Encoding got = detect(text);
  FUZZ_CHECK("detector: ASCII in UTF-16 is found without a mark",
             got == (little ? EncodingDetector::Utf16LE : EncodingDetector::Utf16BE),
             fuzz::show(text) + " detected as " + name(got));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  switch (in.ConsumeIntegralInRange(0, 7)) {
  case 4:
    legacy(in, true);
    break;
  case 5:
    legacy(in, false);
    break;
  case 6:
    utf16(in, true);
    break;
  case 7:
    utf16(in, false);
    break;
  default:
    check(in.ConsumeRemainingBytesAsString(), "file");
  }
  return 0;
}
