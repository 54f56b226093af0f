// The signed program-information file ("data/program.properties"): the program's names, version and
// addresses. The body is property text; a line "-" follows it and then the Base64 RSA signature of the SHA-1
// digest of everything up to and including that line. Nothing is taken from a file whose signature does not
// verify against the key built into the program.
#pragma once

#include "utils/exception.h"

#include <memory>

namespace OpenSSL {
class RSAPublicKey;
}

class ProgramInfoInstance {
public:
  ZUN_ERROR(invalid_signature);

  // Empty: every getter gives "" until a file has loaded.
  ProgramInfoInstance();
  ~ProgramInfoInstance();
  ProgramInfoInstance(ProgramInfoInstance const&) = delete;
  ProgramInfoInstance& operator=(ProgramInfoInstance const&) = delete;

  // Verifies the file at path with key and, when it is valid, takes its values. Throws invalid_signature for
  // every kind of bad file (the previous values stay), FileHandle::open_error when it cannot be read.
  void loadFromFile(const char* path, OpenSSL::RSAPublicKey const& key);

  // Valid until the next successful load; "" when absent.
  const char* displayName() const;
  const char* folderName() const;
  const char* shortName() const;
  const char* displayVersion() const;
  const char* feedbackLink() const;
  const char* versionLink() const;
  const char* helpFile() const;
  const char* supportEmail() const;
  const char* latestVersionLink() const;

  // Logs the name, version and bitness, and the build's compile date, under "LOG".
  void log() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

class ProgramInfo {
public:
  ProgramInfo() = delete;
  static ProgramInfoInstance& instance();
};
