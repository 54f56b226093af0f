#include "utils/directorywalker.h"

#include <filesystem>

namespace fs = std::filesystem;

void DirectoryWalker::process(const char* folder, const char*) {
  if (!folder) return;
  const bool deep = m_visitor.recurse();
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    unsigned long reserved = 0;
    std::error_code typeError;
    if (it->is_directory(typeError)) {
      if (!deep) it.disable_recursion_pending();
      m_visitor.directory(it->path().c_str(), &reserved);
    } else {
      m_visitor.file(it->path().c_str(), &reserved);
    }
  }
}
