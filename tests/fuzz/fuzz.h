// What every harness shares: the property check that stops the run with the failing input, a folder of
// the process's own for the files a harness writes, and independent references for UTF-8. A harness checks
// a property against a reference or a round trip; a crash or a sanitizer report ends the run the same way.
#pragma once

#include "knownfaults.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// Prints the property and the detail and aborts, so that libFuzzer keeps the input that broke it.
[[noreturn]] void fail(const char* property, std::string const& detail);

// The bytes as C-escaped text, cut after limit bytes.
std::string show(std::string_view bytes, size_t limit = 160);

// This process's folder (on tmpfs when there is one), removed at exit. HOME, XDG_DATA_HOME and TMPDIR point
// inside it and QUILLMERE_RESOURCES at the build's resources, as in the tests.
std::string const& folder();
void writeFile(std::string const& path, std::string_view bytes);
std::string readFile(std::string const& path);

// Lines of word-list text: LF, CR or CR LF end a line; a last line needs no end.
std::vector<std::string_view> lines(std::string_view text);
// The text without a leading UTF-8 byte-order mark.
std::string_view withoutMark(std::string_view text);

// UTF-8 as the standard defines it: no overlong form, no surrogate, nothing above U+10FFFF.
struct Decoded {
  uint32_t codePoint; // meaningful when valid
  size_t length;      // of the valid sequence; 1 for an invalid byte
  bool valid;
};
Decoded decodeStrict(std::string_view text, size_t at);
bool validUtf8(std::string_view text);
std::string encodeUtf8(uint32_t codePoint);
// UTF-8 text in another encoding by glibc's iconv; empty when glibc cannot encode all of it.
std::string encodeWithGlibc(const char* encoding, std::string_view utf8);

// The CJK ideograph blocks: the unified block, Extension A, and Extensions B to G.
bool isHanBlock(uint32_t c);
// What may count as Chinese besides: the compatibility ideographs and the rest of the ideographic planes.
bool mayBeHan(uint32_t c);

} // namespace fuzz

#define FUZZ_CHECK(property, condition, detail)                                                              \
  do {                                                                                                       \
    if (!(condition)) ::fuzz::fail(property, detail);                                                        \
  } while (0)
