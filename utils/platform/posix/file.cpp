#include "utils/platform/posix/file.h"

#include "utils/platform/posix/filehandle.h"

#include <climits>
#include <unistd.h>

File::File(const char* path) {
  const int fd = FileHandle::openForReading(path);
  if (fd >= 0 && !(m_fp = ::fdopen(fd, "r"))) ::close(fd);
  if (!m_fp) ZUN_THROW(File::open_error);
}

File::~File() {
  std::fclose(m_fp);
}

bool File::eof() const {
  return std::feof(m_fp) != 0;
}

bool File::readLine(char* buffer, unsigned size) {
  if (!buffer || size == 0 || size > unsigned(INT_MAX)) return false;
  return std::fgets(buffer, int(size), m_fp) != nullptr;
}
