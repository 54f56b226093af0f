// Each code is decoded alone by each converter, so that one table's refusal never shifts the other's
// reading. The Hong Kong table also holds the few codes that stand for a letter and a combining mark.
#include "encoding/big5decoder.h"

#include "utils/utf8.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr size_t TRAILS = 157; // 0x40-0x7E and 0xA1-0xFE
constexpr size_t LEADS = 0xFE - 0x81 + 1;

struct Entry {
  unsigned char length = 0; // 0: neither table decodes the code
  char utf8[7];
};

size_t indexOf(unsigned char lead, unsigned char trail) {
  return size_t(lead - 0x81) * TRAILS + (trail <= 0x7E ? trail - 0x40 : trail - 0xA1 + 0x3F);
}

// The UTF-8 of one two-byte code through a glibc converter; false when it does not decode.
bool decodeOne(iconv_t cd, const char code[2], Entry& e) {
  if (cd == iconv_t(-1)) return false;
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(code);
  size_t inLeft = 2;
  char* out = e.utf8;
  size_t outLeft = sizeof e.utf8;
  if (::iconv(cd, &in, &inLeft, &out, &outLeft) == size_t(-1) || inLeft ||
      ::iconv(cd, nullptr, nullptr, &out, &outLeft) == size_t(-1) || out == e.utf8)
    return false;
  e.length = static_cast<unsigned char>(out - e.utf8);
  return true;
}

bool privateUse(Entry const& e) {
  size_t n = 0;
  const uint32_t c = utf8::decode(e.utf8, e.utf8 + e.length, n);
  return c >= 0xE000 && c <= 0xF8FF;
}

} // namespace

struct Big5Decoder::Impl {
  std::vector<Entry> table = std::vector<Entry>(LEADS * TRAILS);
};

Big5Decoder const& Big5Decoder::instance() {
  static const Big5Decoder decoder;
  return decoder;
}

Big5Decoder::Big5Decoder() : impl(std::make_unique<Impl>()) {
  const iconv_t cp950 = iconv_open("UTF-8", "CP950");
  const iconv_t hkscs = iconv_open("UTF-8", "BIG5-HKSCS");
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (!isTrail(static_cast<unsigned char>(trail))) continue;
      const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      Entry& e = impl->table[indexOf(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))];
      // CP950 gives its user-defined rows (C6A1-C8FE) to private use, where the Hong Kong table has the
      // kana, Cyrillic and numbered signs that Big5 files mean there.
      if (decodeOne(cp950, code, e) && !privateUse(e)) continue;
      Entry hk;
      if (decodeOne(hkscs, code, hk)) e = hk;
    }
  if (cp950 != iconv_t(-1)) iconv_close(cp950);
  if (hkscs != iconv_t(-1)) iconv_close(hkscs);
}

Big5Decoder::~Big5Decoder() = default;

size_t Big5Decoder::decode(const char** in, size_t* inLeft, char** out, size_t* outLeft) const {
  while (*inLeft) {
    const auto* p = reinterpret_cast<const unsigned char*>(*in);
    const char* bytes = *in;
    size_t length = 1, used = 1;
    if (p[0] >= 0x80) {
      if (!isLead(p[0])) return errno = EILSEQ, size_t(-1);
      if (*inLeft < 2) return errno = EINVAL, size_t(-1);
      if (!isTrail(p[1])) return errno = EILSEQ, size_t(-1);
      Entry const& e = impl->table[indexOf(p[0], p[1])];
      if (!e.length) return errno = EILSEQ, size_t(-1);
      bytes = e.utf8;
      length = e.length;
      used = 2;
    }
    if (*outLeft < length) return errno = E2BIG, size_t(-1);
    std::memcpy(*out, bytes, length);
    *out += length;
    *outLeft -= length;
    *in += used;
    *inLeft -= used;
  }
  return 0;
}
