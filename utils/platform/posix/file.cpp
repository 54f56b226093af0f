#include "utils/platform/posix/file.h"

#include <climits>

File::File(const char* path) {
  if (path) m_fp = std::fopen(path, "re");
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
