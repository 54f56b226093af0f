// The start-up of libcrypto. OpenSSL 3 locks for itself and cleans up at process exit, so what is left is
// loading the error strings once, before threads use the library.
#pragma once

namespace OpenSSL {

// Safe to call more than once and from any thread.
void init();

} // namespace OpenSSL
