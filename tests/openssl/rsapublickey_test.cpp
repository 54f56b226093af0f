#include "openssl/rsapublickey.h"

#include "openssl/base64reader.h"
#include "support/signingkeys.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <string>

namespace {

using qmtest::publicKeyOf;
using qmtest::signer;

std::string digestOf(std::string const& data) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned n = 0;
  EVP_Digest(data.data(), data.size(), md, &n, EVP_sha1(), nullptr);
  return std::string(reinterpret_cast<char*>(md), n);
}

std::string opened(OpenSSL::RSAPublicKey const& key, std::string const& signatureText) {
  OpenSSL::Base64Reader reader(reinterpret_cast<const unsigned char*>(signatureText.data()),
                               signatureText.size());
  OwnedBuffer sig = reader.decode();
  OwnedBuffer out = key.decrypt(sig.data, sig.size);
  return std::string(out.data, out.size);
}

} // namespace

// A key from its numbers or from PEM text opens the matching key's signature, and only that.
TEST(RSAPublicKeyTest, OpensASignatureOfTheMatchingKeyOnly) {
  const std::string data = "displayName = Quillmere\n-\n", signature = signer().signature(data);
  const std::string pem = signer().publicPem();
  EXPECT_EQ(opened(publicKeyOf(signer()), signature), digestOf(data));
  EXPECT_EQ(opened(OpenSSL::RSAPublicKey(Span(pem.data(), pem.size())), signature), digestOf(data));
  EXPECT_EQ(opened(publicKeyOf(qmtest::otherSigner()), signature), "");
}

TEST(RSAPublicKeyTest, MalformedSignaturesGiveAZeroedEmptyResult) {
  const auto key = publicKeyOf(signer());
  const std::string shortText(10, 'x'), noise(256, '\x55');
  for (std::string const* s : {static_cast<std::string const*>(nullptr), &shortText, &noise}) {
    OwnedBuffer out = key.decrypt(s ? s->data() : nullptr, s ? s->size() : 0);
    EXPECT_EQ(out.size, 0u);
    ASSERT_NE(out.data, nullptr);
    EXPECT_EQ(std::string(out.data, 256), std::string(256, '\0'));
  }
}

TEST(RSAPublicKeyTest, BadKeyMaterialThrows) {
  const unsigned char e[] = {1, 0, 1};
  const std::string notPem = "-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n";
  EXPECT_THROW(OpenSSL::RSAPublicKey(e, 3, nullptr, 0), OpenSSL::RSAPublicKey::initialise_error);
  EXPECT_THROW(OpenSSL::RSAPublicKey(Span(notPem.data(), notPem.size())),
               OpenSSL::RSAPublicKey::initialise_error);
  EXPECT_THROW(OpenSSL::RSAPublicKey(Span("")), OpenSSL::RSAPublicKey::initialise_error);
}
