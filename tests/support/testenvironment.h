// The environment every test binary runs in: HOME, XDG_DATA_HOME and TMPDIR inside a folder of its own,
// removed at the end, the current directory an empty folder beside them, and QUILLMERE_RESOURCES at the
// build's resources unless CTest set it.
#pragma once

#include <filesystem>

namespace qmtest {

class TestEnvironment {
public:
  // Exits the process with status 2 when the folder cannot be made.
  TestEnvironment();
  ~TestEnvironment();
  TestEnvironment(TestEnvironment const&) = delete;
  TestEnvironment& operator=(TestEnvironment const&) = delete;

  // The folder that holds home/, xdg-data/ and tmp/.
  std::filesystem::path const& root() const { return m_root; }

private:
  std::filesystem::path m_root;
};

} // namespace qmtest
