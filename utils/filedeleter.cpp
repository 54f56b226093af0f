#include "utils/filedeleter.h"

#include "utils/filesystem.h"

void FileDeleter::reset(const char* path) {
  if (!m_path.empty()) {
    const FileSystem& fileSystem = FileSystem::instance();
    fileSystem.privateSetReadOnly(m_path.c_str(), false);
    fileSystem.privateDeleteFile(m_path.c_str());
  }
  m_path = path;
}
