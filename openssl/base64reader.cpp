// Decodes with libcrypto's decoding context over the whole text at once, not through its Base64 filter,
// whose line buffer makes it fail on a line of 1,024 characters or more.
#include "openssl/base64reader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <openssl/evp.h>

namespace OpenSSL {

struct Base64Reader::Impl {
  EVP_ENCODE_CTX* context = nullptr;
  const unsigned char* data = nullptr;
  size_t length = 0; // the input's length, an upper bound of the decoded size
};

Base64Reader::Base64Reader(const unsigned char* data, size_t length) : impl(std::make_unique<Impl>()) {
  impl->context = EVP_ENCODE_CTX_new();
  if (!impl->context) ZUN_THROW(Base64Reader::initialise_error);
  EVP_DecodeInit(impl->context);
  impl->data = data;
  impl->length = data ? length : 0;
}

Base64Reader::~Base64Reader() {
  EVP_ENCODE_CTX_free(impl->context);
}

OwnedBuffer Base64Reader::decode() {
  OwnedBuffer out(impl->length);
  size_t decoded = 0, read = 0;
  bool failed = false;
  // In pieces a multiple of four long, since the context takes int lengths.
  constexpr size_t PIECE = size_t(INT_MAX) / 4 * 4;
  while (read < impl->length && !failed) {
    const int piece = int(std::min(impl->length - read, PIECE));
    int n = 0;
    failed = EVP_DecodeUpdate(impl->context, reinterpret_cast<unsigned char*>(out.data) + decoded, &n,
                              impl->data + read, piece) < 0;
    decoded += size_t(std::max(n, 0));
    read += size_t(piece);
  }
  int n = 0;
  if (!failed && impl->length > 0 &&
      EVP_DecodeFinal(impl->context, reinterpret_cast<unsigned char*>(out.data) + decoded, &n) >= 0)
    decoded += size_t(std::max(n, 0));
  impl->length = 0; // used up
  if (decoded == 0 && out.data) std::memset(out.data, 0, out.size);
  out.size = decoded;
  return out;
}

} // namespace OpenSSL
