#include "support/testenvironment.h"

#include <cstdlib>
#include <string>

namespace qmtest {

TestEnvironment::TestEnvironment() {
  char pattern[] = "/tmp/qmtests-XXXXXX";
  const char* root = mkdtemp(pattern);
  if (!root) std::exit(2);
  m_root = root;
  for (const char* sub : {"home", "xdg-data", "tmp", "base"})
    std::filesystem::create_directories(m_root / sub);
  // The program's base folder is the current directory at first use: an empty one, wherever the binary
  // was started, so that no data file of the working tree joins the shipped ones.
  std::filesystem::current_path(m_root / "base");
  setenv("HOME", (m_root / "home").c_str(), 1);
  setenv("XDG_DATA_HOME", (m_root / "xdg-data").c_str(), 1);
  setenv("TMPDIR", (m_root / "tmp").c_str(), 1);
  if (!std::getenv("QUILLMERE_RESOURCES")) setenv("QUILLMERE_RESOURCES", QM_RESOURCES_DIR, 1);
}

TestEnvironment::~TestEnvironment() {
  std::error_code ec;
  std::filesystem::remove_all(m_root, ec);
}

} // namespace qmtest
