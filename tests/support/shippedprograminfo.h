// Loads the build's signed program-information file into ProgramInfo::instance(), with the key compiled into
// the program (link qm_programkey): the names, version and links the program itself would have.
#pragma once

#include "openssl/rsapublickey.h"
#include "programinfo/programinfo.h"
#include "programkey.h"
#include "support/tempdir.h"

namespace qmtest {

inline void loadShippedProgramInfo() {
  const OpenSSL::RSAPublicKey key(ProgramKey::exponent, 3, ProgramKey::modulus, 256);
  ProgramInfo::instance().loadFromFile((resourcesDir() / "data" / "program.properties").c_str(), key);
}

} // namespace qmtest
