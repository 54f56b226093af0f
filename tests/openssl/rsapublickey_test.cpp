#include "openssl/rsapublickey.h"

#include "openssl/base64reader.h"
#include "support/signingkeys.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <string>

namespace {

using qmtest::otherSigner;
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

TEST(RSAPublicKeyTest, OpensASignatureOfTheMatchingKeyOnly) {
  const std::string data = "displayName = Quillmere\n-\n";
  const std::string signature = signer().signature(data);
  const auto key = publicKeyOf(signer());
  EXPECT_EQ(key.size(), 256u);
  EXPECT_EQ(signer().modulus().size(), 256u);
  EXPECT_EQ(signer().exponent().size(), 3u);
  EXPECT_EQ(opened(key, signature), digestOf(data));
  EXPECT_EQ(opened(publicKeyOf(otherSigner()), signature), "") << "another key's signature gives nothing";
}

TEST(RSAPublicKeyTest, PemAndNumbersGiveTheSameKey) {
  const std::string pem = signer().publicPem();
  const OpenSSL::RSAPublicKey fromPem(Span(pem.data(), pem.size()));
  const std::string data = "x";
  EXPECT_EQ(opened(fromPem, signer().signature(data)), digestOf(data));
}

TEST(RSAPublicKeyTest, MalformedSignaturesGiveAZeroedEmptyResult) {
  const auto key = publicKeyOf(signer());
  const std::string short_(10, 'x');
  std::string flipped = std::string(256, '\x55');
  const struct {
    const char* name;
    const void* data;
    size_t size;
  } cases[] = {
      {"null", nullptr, 0}, {"too short", short_.data(), short_.size()}, {"noise", flipped.data(), 256}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    OwnedBuffer out = key.decrypt(c.data, c.size);
    EXPECT_EQ(out.size, 0u);
    ASSERT_NE(out.data, nullptr);
    for (size_t i = 0; i < 256; ++i)
      ASSERT_EQ(out.data[i], 0);
  }
}

TEST(RSAPublicKeyTest, BadKeyMaterialThrows) {
  const unsigned char e[] = {1, 0, 1};
  const std::string notPem = "-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n";
  EXPECT_THROW(OpenSSL::RSAPublicKey(e, 3, nullptr, 0), OpenSSL::RSAPublicKey::initialise_error);
  EXPECT_THROW(OpenSSL::RSAPublicKey(Span(notPem.data(), notPem.size())),
               OpenSSL::RSAPublicKey::initialise_error);
  EXPECT_THROW(OpenSSL::RSAPublicKey(Span("")), OpenSSL::RSAPublicKey::initialise_error);
  try {
    OpenSSL::RSAPublicKey(Span("nothing"));
  } catch (zun::exception const& error) {
    EXPECT_STREQ(error.name, "RSAPublicKey::initialise_error");
  }
}
