// Key pairs made once per test binary (generation is slow), and their public halves as the program reads
// them: modulus and exponent bytes.
#pragma once

#include "openssl/rsapublickey.h"
#include "programinfosigner.h"

namespace qmtest {

inline ProgramInfoSigner const& signer() {
  static const ProgramInfoSigner s = ProgramInfoSigner::generate(2048);
  return s;
}

inline ProgramInfoSigner const& otherSigner() {
  static const ProgramInfoSigner s = ProgramInfoSigner::generate(2048);
  return s;
}

inline OpenSSL::RSAPublicKey publicKeyOf(ProgramInfoSigner const& s) {
  const auto e = s.exponent();
  const auto n = s.modulus();
  return OpenSSL::RSAPublicKey(e.data(), int(e.size()), n.data(), int(n.size()));
}

} // namespace qmtest
