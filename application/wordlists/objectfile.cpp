// Descriptors without FileHandle's shared lock: the store is read while the caller holds the list's lock,
// so no writer can be at work, and the other files are replaced whole by rename; a shared flock would only
// add a way to fail. They are opened as every reader's file is, so a pipe or device never blocks a load.
#include "wordlists/objectfile.h"

#include "utils/platform/posix/filehandle.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor {
public:
  explicit Descriptor(const char* path) : fd(FileHandle::openForReading(path)) {
    if (fd < 0) ZUN_THROW(ObjectFile::read_error);
  }
  ~Descriptor() { ::close(fd); }
  Descriptor(Descriptor const&) = delete;
  Descriptor& operator=(Descriptor const&) = delete;

  // Reads count bytes at offset into out; false on an error or when the file ends first.
  bool read(uint64_t offset, char* out, size_t count) const {
    while (count > 0) {
      const ssize_t n = ::pread(fd, out, count, off_t(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      out += n;
      offset += uint64_t(n);
      count -= size_t(n);
    }
    return true;
  }
  int fd;
};

} // namespace

ObjectFile::ObjectFile(const char* path) : m_path(path), m_sha(OpenSSL::SHA1::of("", 0)) {}

void ObjectFile::readAll(const char* path, std::string& out) {
  const Descriptor file(path);
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) ZUN_THROW(ObjectFile::read_error);
  out.resize(size_t(st.st_size));
  if (!file.read(0, out.data(), out.size())) ZUN_THROW(ObjectFile::read_error);
}

void ObjectFile::readAt(const char* path, uint64_t offset, uint64_t count, std::string& out) {
  const Descriptor file(path);
  out.resize(size_t(count));
  if (!file.read(offset, out.data(), out.size())) ZUN_THROW(ObjectFile::read_error);
}

void ObjectFile::updateSHA() {
  try {
    std::string content;
    readAll(path(), content);
    m_sha = OpenSSL::SHA1::of(content.data(), content.size());
  } catch (zun::exception const&) {
  }
}

bool ObjectFile::checkSHA() const {
  try {
    std::string content;
    readAll(path(), content);
    return OpenSSL::SHA1::of(content.data(), content.size()) == m_sha;
  } catch (zun::exception const&) {
    return false;
  }
}
