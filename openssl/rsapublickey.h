// An RSA public key that opens signatures made with the matching private key (PKCS #1 v1.5 signature padding
// around raw data, no algorithm identifier): the program-information file's check.
#pragma once

#include "utils/exception.h"
#include "utils/ownedbuffer.h"
#include "utils/span.h"

#include <cstddef>
#include <memory>

namespace OpenSSL {

class RSAPublicKey {
public:
  ZUN_ERROR(initialise_error);

  // From big-endian bytes, the exponent first. Throws initialise_error when no key can be made of them.
  RSAPublicKey(const void* exponent, int exponentLength, const void* modulus, int modulusLength);
  // From a PEM text ("PUBLIC KEY" or "RSA PUBLIC KEY"). Throws initialise_error when it holds no RSA key.
  explicit RSAPublicKey(Span pem);
  ~RSAPublicKey();
  RSAPublicKey(RSAPublicKey const&) = delete;
  RSAPublicKey& operator=(RSAPublicKey const&) = delete;

  // The key's size in bytes (256 for a 2048-bit key).
  size_t size() const;

  // The data that the private key signed, in an array of the key's size; size is its length, or 0 (array
  // zeroed) when the signature does not open with this key or is malformed. Never throws.
  OwnedBuffer decrypt(const void* data, size_t size) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

} // namespace OpenSSL
