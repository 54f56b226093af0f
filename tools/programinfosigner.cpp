#include "programinfosigner.h"

#include <cstdio>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <stdexcept>
#include <sys/stat.h>

struct ProgramInfoSigner::Impl {
  EVP_PKEY* key = nullptr; // owned; an RSA key pair
  ~Impl() { EVP_PKEY_free(key); }
};

namespace {

std::vector<unsigned char> bigEndian(EVP_PKEY* key, const char* name) {
  BIGNUM* n = nullptr;
  if (!EVP_PKEY_get_bn_param(key, name, &n)) throw std::runtime_error("cannot read the key's numbers");
  std::vector<unsigned char> bytes(size_t(BN_num_bytes(n)));
  BN_bn2bin(n, bytes.data());
  BN_free(n);
  return bytes;
}

std::string base64Lines(const unsigned char* data, size_t size) {
  std::string encoded(4 * ((size + 2) / 3) + 1, '\0');
  encoded.resize(size_t(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()), data, int(size))));
  std::string lines;
  for (size_t i = 0; i < encoded.size(); i += 64)
    lines += encoded.substr(i, 64) + "\n";
  return lines;
}

} // namespace

ProgramInfoSigner::ProgramInfoSigner(std::unique_ptr<Impl> impl) : impl(std::move(impl)) {}
ProgramInfoSigner::ProgramInfoSigner(ProgramInfoSigner&&) noexcept = default;
ProgramInfoSigner& ProgramInfoSigner::operator=(ProgramInfoSigner&&) noexcept = default;
ProgramInfoSigner::~ProgramInfoSigner() = default;

ProgramInfoSigner ProgramInfoSigner::generate(int bits) {
  auto impl = std::make_unique<Impl>();
  impl->key = EVP_RSA_gen(unsigned(bits));
  if (!impl->key) throw std::runtime_error("cannot generate an RSA key");
  return ProgramInfoSigner(std::move(impl));
}

ProgramInfoSigner ProgramInfoSigner::load(std::string const& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw std::runtime_error("cannot open the key file " + path);
  auto impl = std::make_unique<Impl>();
  impl->key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  if (!impl->key || EVP_PKEY_get_base_id(impl->key) != EVP_PKEY_RSA)
    throw std::runtime_error("no RSA private key in " + path);
  return ProgramInfoSigner(std::move(impl));
}

void ProgramInfoSigner::save(std::string const& path) const {
  const mode_t old = umask(077);
  FILE* f = std::fopen(path.c_str(), "wb");
  umask(old);
  if (!f) throw std::runtime_error("cannot create the key file " + path);
  const bool ok = PEM_write_PrivateKey(f, impl->key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write the key file " + path);
}

std::vector<unsigned char> ProgramInfoSigner::modulus() const {
  return bigEndian(impl->key, OSSL_PKEY_PARAM_RSA_N);
}

std::vector<unsigned char> ProgramInfoSigner::exponent() const {
  return bigEndian(impl->key, OSSL_PKEY_PARAM_RSA_E);
}

std::string ProgramInfoSigner::publicPem() const {
  BIO* out = BIO_new(BIO_s_mem());
  if (!out || PEM_write_bio_PUBKEY(out, impl->key) != 1) {
    BIO_free(out);
    throw std::runtime_error("cannot write the public key");
  }
  char* data = nullptr;
  const long n = BIO_get_mem_data(out, &data);
  std::string pem(data, size_t(n));
  BIO_free(out);
  return pem;
}

std::string ProgramInfoSigner::signature(std::string_view signedData) const {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned digestLength = 0;
  if (!EVP_Digest(signedData.data(), signedData.size(), digest, &digestLength, EVP_sha1(), nullptr))
    throw std::runtime_error("cannot digest");
  std::vector<unsigned char> sig(size_t(EVP_PKEY_get_size(impl->key)));
  size_t sigLength = sig.size();
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(impl->key, nullptr);
  // No signature digest is set, so the padding wraps the raw 20 bytes without an algorithm identifier.
  const bool ok = ctx && EVP_PKEY_sign_init(ctx) > 0 &&
                  EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) > 0 &&
                  EVP_PKEY_sign(ctx, sig.data(), &sigLength, digest, digestLength) > 0;
  EVP_PKEY_CTX_free(ctx);
  if (!ok) throw std::runtime_error("cannot sign");
  return base64Lines(sig.data(), sigLength);
}

std::string ProgramInfoSigner::signFile(std::string_view body) const {
  std::string signedData(body);
  if (signedData.empty() || signedData.back() != '\n') signedData += '\n';
  // The reader takes the first line "-" for the separator: such a body could never verify.
  if (signedData.find("\n-\n") != std::string::npos)
    throw std::runtime_error("the body holds a line \"-\", which would end the signed part");
  signedData += "-\n";
  return signedData + signature(signedData);
}
