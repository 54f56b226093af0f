#include "openssl/base64reader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <string>

namespace OpenSSL {

struct Base64Reader::Impl {
  BIO* chain = nullptr; // the Base64 filter pushed over a read-only memory buffer of the input
  size_t length = 0;    // the input's length, an upper bound of the decoded size
  std::string copy;     // the input with a final line feed, when it had none
};

Base64Reader::Base64Reader(const unsigned char* data, size_t length) : impl(std::make_unique<Impl>()) {
  impl->length = length;
  // The filter drops a last line that has no line feed, so a block whose final line feed was lost would
  // decode short; give it one.
  if (data && length > 0 && data[length - 1] != '\n') {
    impl->copy.assign(reinterpret_cast<const char*>(data), length);
    impl->copy += '\n';
    data = reinterpret_cast<const unsigned char*>(impl->copy.data());
    ++length;
  }
  BIO* filter = BIO_new(BIO_f_base64());
  // BIO_new_mem_buf takes an int length; larger input cannot be decoded through it.
  BIO* source = length <= size_t(INT_MAX)
                    ? BIO_new_mem_buf(data ? data : (const unsigned char*)"", int(length))
                    : nullptr;
  if (!filter || !source) {
    BIO_free(filter);
    BIO_free(source);
    ZUN_THROW(Base64Reader::initialise_error);
  }
  impl->chain = BIO_push(filter, source);
}

Base64Reader::~Base64Reader() {
  BIO_free_all(impl->chain);
}

OwnedBuffer Base64Reader::decode() {
  OwnedBuffer out(impl->length);
  size_t decoded = 0;
  while (decoded < impl->length) {
    const size_t want = std::min(impl->length - decoded, size_t(INT_MAX));
    const int n = BIO_read(impl->chain, out.data + decoded, int(want));
    if (n <= 0) break;
    decoded += size_t(n);
  }
  if (decoded == 0 && out.data) std::memset(out.data, 0, impl->length);
  out.size = decoded;
  return out;
}

} // namespace OpenSSL
