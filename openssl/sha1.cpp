// SHA-1 through the EVP interface of libcrypto 3.
#include "openssl/sha1.h"

#include "utils/hexdigit.h"

#include <openssl/evp.h>

#include <algorithm>
#include <new>

namespace OpenSSL {

SHA1 SHA1::of(const void* data, size_t size) {
  static const unsigned char nothing = 0;
  Bytes bytes;
  unsigned int length = 0;
  if (!EVP_Digest(data ? data : &nothing, data ? size : 0, bytes.data(), &length, EVP_sha1(), nullptr) ||
      length != SIZE)
    ZUN_THROW(SHA1::digest_error);
  return SHA1(bytes);
}

SHA1 SHA1::fromHex(const char* text) {
  if (!text) return SHA1();
  Bytes bytes;
  for (size_t i = 0; i < SIZE; ++i) {
    // Stops at the NUL too, so a short text is never read past its end.
    const int high = hexDigitValue(text[2 * i]);
    if (high < 0) return SHA1();
    const int low = hexDigitValue(text[2 * i + 1]);
    if (low < 0) return SHA1();
    bytes[i] = static_cast<unsigned char>(high << 4 | low);
  }
  if (text[HEX_LENGTH] != 0) return SHA1();
  return SHA1(bytes);
}

void SHA1::toHex(char* out, size_t size) const {
  if (!out || size == 0) return;
  if (size <= HEX_LENGTH) {
    out[0] = 0;
    return;
  }
  static const char digits[] = "0123456789abcdef";
  for (size_t i = 0; i < SIZE; ++i) {
    out[2 * i] = digits[m_bytes[i] >> 4];
    out[2 * i + 1] = digits[m_bytes[i] & 0xF];
  }
  out[HEX_LENGTH] = 0;
}

TextBuffer<SHA1::HEX_LENGTH> SHA1::hex() const {
  char text[HEX_LENGTH + 1];
  toHex(text, sizeof text);
  return TextBuffer<HEX_LENGTH>(Span(text, HEX_LENGTH));
}

bool SHA1::isZero() const {
  return std::all_of(m_bytes.begin(), m_bytes.end(), [](unsigned char b) { return b == 0; });
}

struct SHA1::Stream::Impl {
  EVP_MD_CTX* context = nullptr; // owned
  EVP_MD_CTX* copy = nullptr;    // owned, made on the first digestSoFar()
  bool failed = false;           // a step failed since the last digest(): the result would be wrong

  void start() { failed = EVP_DigestInit_ex(context, EVP_sha1(), nullptr) != 1; }
};

SHA1::Stream::Stream() : impl(std::make_unique<Impl>()) {
  impl->context = EVP_MD_CTX_new();
  if (!impl->context) throw std::bad_alloc();
  impl->start();
}

SHA1::Stream::~Stream() {
  EVP_MD_CTX_free(impl->context);
  EVP_MD_CTX_free(impl->copy);
}

size_t SHA1::Stream::write(const void* data, size_t size) {
  if (impl->failed) return 0;
  if (!size) return 0;
  if (EVP_DigestUpdate(impl->context, data, size) != 1) {
    impl->failed = true;
    return 0;
  }
  return size;
}

SHA1 SHA1::Stream::digest() {
  Bytes bytes;
  unsigned int length = 0;
  const bool ok =
      !impl->failed && EVP_DigestFinal_ex(impl->context, bytes.data(), &length) == 1 && length == SIZE;
  impl->start();
  if (!ok) ZUN_THROW(SHA1::digest_error);
  return SHA1(bytes);
}

SHA1 SHA1::Stream::digestSoFar() const {
  if (!impl->copy) impl->copy = EVP_MD_CTX_new();
  if (!impl->copy) throw std::bad_alloc();
  Bytes bytes;
  unsigned int length = 0;
  const bool ok = !impl->failed && EVP_MD_CTX_copy_ex(impl->copy, impl->context) == 1 &&
                  EVP_DigestFinal_ex(impl->copy, bytes.data(), &length) == 1 && length == SIZE;
  if (!ok) ZUN_THROW(SHA1::digest_error);
  return SHA1(bytes);
}

} // namespace OpenSSL
