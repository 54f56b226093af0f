#include "openssl/openssl.h"

#include <openssl/crypto.h>

namespace OpenSSL {

void init() {
  OPENSSL_init_crypto(OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr);
}

} // namespace OpenSSL
