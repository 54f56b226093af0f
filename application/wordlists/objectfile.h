// The file behind an object store: its path and the SHA-1 of its content as last read or written, by which
// a change made by another process is recognised.
#pragma once

#include "openssl/sha1.h"
#include "utils/exception.h"
#include "utils/text.h"

#include <string>

class ObjectFile {
public:
  ZUN_ERROR(read_error);

  // The path is kept whole: a cut path would name another file. The recorded digest starts as that of no
  // bytes.
  explicit ObjectFile(const char* path);

  const char* path() const { return m_path.c_str(); }
  OpenSSL::SHA1 const& sha() const { return m_sha; }
  void setSHA(OpenSSL::SHA1 const& sha) { m_sha = sha; }

  // Recomputes the digest from the file; a file that cannot be read leaves it unchanged.
  void updateSHA();
  // True when the file's content now has the recorded digest; false also when it cannot be read.
  bool checkSHA() const;

  // The whole content of path. Throws read_error when it cannot be opened or read (a missing file too).
  static void readAll(const char* path, std::string& out);
  // Reads exactly count bytes at offset. Throws read_error on failure or a short read.
  static void readAt(const char* path, uint64_t offset, uint64_t count, std::string& out);

private:
  Text m_path;
  OpenSSL::SHA1 m_sha;
};
