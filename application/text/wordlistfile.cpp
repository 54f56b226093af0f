#include "text/wordlistfile.h"

#include "utils/platform/posix/filehandle.h"

WordListFile::WordListFile(const char* path) {
  FileHandle(path).readAll(m_text);
}
