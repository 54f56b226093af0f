// Keys are EVP_PKEY objects built from parameters (OpenSSL 3 has no mutable RSA structure); a signature is
// opened with EVP_PKEY_verify_recover, which with PKCS #1 padding and no digest set returns the signed bytes.
#include "openssl/rsapublickey.h"

#include <climits>
#include <cstring>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/decoder.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

namespace OpenSSL {

struct RSAPublicKey::Impl {
  EVP_PKEY* key = nullptr; // owned; an RSA public key
  ~Impl() { EVP_PKEY_free(key); }
};

namespace {

EVP_PKEY* keyFromNumbers(const void* e, int eLength, const void* n, int nLength) {
  if (!e || !n || eLength <= 0 || nLength <= 0) return nullptr;
  BIGNUM* exponent = BN_bin2bn(static_cast<const unsigned char*>(e), eLength, nullptr);
  BIGNUM* modulus = BN_bin2bn(static_cast<const unsigned char*>(n), nLength, nullptr);
  OSSL_PARAM_BLD* build = OSSL_PARAM_BLD_new();
  OSSL_PARAM* params = nullptr;
  EVP_PKEY_CTX* ctx = nullptr;
  EVP_PKEY* key = nullptr;
  if (exponent && modulus && build && OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_N, modulus) &&
      OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_E, exponent) &&
      (params = OSSL_PARAM_BLD_to_param(build)) &&
      (ctx = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr)) && EVP_PKEY_fromdata_init(ctx) > 0)
    EVP_PKEY_fromdata(ctx, &key, EVP_PKEY_PUBLIC_KEY, params);
  EVP_PKEY_CTX_free(ctx);
  OSSL_PARAM_free(params);
  OSSL_PARAM_BLD_free(build);
  BN_free(modulus);
  BN_free(exponent);
  return key;
}

EVP_PKEY* keyFromPem(Span pem) {
  if (!pem.data || pem.length == 0) return nullptr;
  EVP_PKEY* key = nullptr;
  // No structure named: both "PUBLIC KEY" (SubjectPublicKeyInfo) and "RSA PUBLIC KEY" (PKCS #1) are read.
  OSSL_DECODER_CTX* ctx =
      OSSL_DECODER_CTX_new_for_pkey(&key, "PEM", nullptr, "RSA", EVP_PKEY_PUBLIC_KEY, nullptr, nullptr);
  const auto* bytes = reinterpret_cast<const unsigned char*>(pem.data);
  size_t left = pem.length;
  if (ctx && !OSSL_DECODER_from_data(ctx, &bytes, &left)) {
    EVP_PKEY_free(key);
    key = nullptr;
  }
  OSSL_DECODER_CTX_free(ctx);
  return key;
}

} // namespace

RSAPublicKey::RSAPublicKey(const void* exponent, int exponentLength, const void* modulus, int modulusLength)
    : impl(std::make_unique<Impl>()) {
  impl->key = keyFromNumbers(exponent, exponentLength, modulus, modulusLength);
  if (!impl->key) ZUN_THROW(RSAPublicKey::initialise_error);
}

RSAPublicKey::RSAPublicKey(Span pem) : impl(std::make_unique<Impl>()) {
  impl->key = keyFromPem(pem);
  if (!impl->key) ZUN_THROW(RSAPublicKey::initialise_error);
}

RSAPublicKey::~RSAPublicKey() = default;

size_t RSAPublicKey::size() const {
  return size_t(EVP_PKEY_get_size(impl->key));
}

OwnedBuffer RSAPublicKey::decrypt(const void* data, size_t size) const {
  OwnedBuffer out(this->size());
  std::memset(out.data, 0, out.size);
  size_t length = out.size;
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(impl->key, nullptr);
  const bool ok = ctx && data && EVP_PKEY_verify_recover_init(ctx) > 0 &&
                  EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) > 0 &&
                  EVP_PKEY_verify_recover(ctx, reinterpret_cast<unsigned char*>(out.data), &length,
                                          static_cast<const unsigned char*>(data), size) > 0;
  EVP_PKEY_CTX_free(ctx);
  if (!ok) {
    std::memset(out.data, 0, out.size);
    length = 0;
  }
  out.size = length;
  return out;
}

} // namespace OpenSSL
