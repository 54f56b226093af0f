// The private side of the program-information signature, for the build's signing tool and for tests: makes
// and stores RSA key pairs and signs files. Never linked into the program. Errors throw std::runtime_error.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ProgramInfoSigner {
public:
  // A new key pair of the given size.
  static ProgramInfoSigner generate(int bits = 2048);
  // The private key from a PEM file written by save.
  static ProgramInfoSigner load(std::string const& path);

  ProgramInfoSigner(ProgramInfoSigner&&) noexcept;
  ProgramInfoSigner& operator=(ProgramInfoSigner&&) noexcept;
  ~ProgramInfoSigner();

  // Writes the private key as PEM, readable by its owner only.
  void save(std::string const& path) const;

  // The public key: big-endian modulus and exponent bytes (256 and 3 for the program's key), and as PEM.
  std::vector<unsigned char> modulus() const;
  std::vector<unsigned char> exponent() const;
  std::string publicPem() const;

  // The Base64 signature block (64-character lines, each ended by "\n") of the SHA-1 digest of signedData,
  // PKCS #1 v1.5 padded with no algorithm identifier.
  std::string signature(std::string_view signedData) const;
  // A whole signed file: the body (a final line feed added when missing), "-\n", the signature block. A body
  // that holds a line "-" is refused (std::runtime_error): the program would take it for the separator.
  std::string signFile(std::string_view body) const;

private:
  struct Impl;
  explicit ProgramInfoSigner(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl;
};
