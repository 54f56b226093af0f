#include "support/tempdir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace qmtest {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/qmtest-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  m_path = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only folders behind; make them writable so they can be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(m_path, ec);
}

ScopedEnv::ScopedEnv(const char* name, std::string const& value) : m_name(name) {
  const char* old = std::getenv(name);
  m_hadOld = old != nullptr;
  if (old) m_old = old;
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (m_hadOld)
    setenv(m_name.c_str(), m_old.c_str(), 1);
  else
    unsetenv(m_name.c_str());
}

std::filesystem::path resourcesDir() {
  return QM_RESOURCES_DIR;
}
std::filesystem::path sharedDataDir() {
  return QM_SHARED_DATA_DIR;
}

std::string readFile(std::filesystem::path const& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(std::filesystem::path const& p, std::string const& content) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(content.data(), std::streamsize(content.size()));
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

} // namespace qmtest
