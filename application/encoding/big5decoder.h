// Big5 as Taiwanese and Hong Kong files are written: the CP950 table first, and the Hong Kong extension
// (glibc's "BIG5-HKSCS") for the codes that CP950 leaves out or gives to private use. Neither table alone
// will do: "BIG5-HKSCS" rejects standard codes such as A1FE, the full-width slash, and CP950 knows none of
// the Hong Kong characters. The table of every two-byte code is built once, from glibc's converters.
#pragma once

#include <cstddef>
#include <memory>

class Big5Decoder {
public:
  static Big5Decoder const& instance();
  ~Big5Decoder();
  Big5Decoder(Big5Decoder const&) = delete;
  Big5Decoder& operator=(Big5Decoder const&) = delete;

  static bool isLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
  static bool isTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE); }

  // Decodes like iconv(3): as far as it can, moving in and out on; then size_t(-1) with errno E2BIG (out
  // is full), EILSEQ (the unit at in does not decode) or EINVAL (a lead byte ends the input); 0 when all
  // the input was decoded.
  size_t decode(const char** in, size_t* inLeft, char** out, size_t* outLeft) const;

private:
  Big5Decoder();
  struct Impl;
  std::unique_ptr<Impl> impl;
};
