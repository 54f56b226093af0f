// Temporary folders and environment for tests. The test main points HOME, XDG_DATA_HOME and TMPDIR at a
// folder of its own, so no test touches the real home folder.
#pragma once

#include <filesystem>
#include <string>

namespace qmtest {

// A fresh folder under $TMPDIR, removed with everything in it on destruction.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(TempDir const&) = delete;
  TempDir& operator=(TempDir const&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::string str() const { return m_path.string(); }
  std::filesystem::path operator/(std::string const& name) const { return m_path / name; }

private:
  std::filesystem::path m_path;
};

// Sets an environment variable and restores the old value on destruction.
class ScopedEnv {
public:
  ScopedEnv(const char* name, std::string const& value);
  ~ScopedEnv();
  ScopedEnv(ScopedEnv const&) = delete;
  ScopedEnv& operator=(ScopedEnv const&) = delete;

private:
  std::string m_name;
  std::string m_old;
  bool m_hadOld;
};

// The folder of the build's shipped resources (data/, wordlists/).
std::filesystem::path resourcesDir();
// The shared data folder (corpus/ with the real texts).
std::filesystem::path sharedDataDir();

std::string readFile(std::filesystem::path const& p);
void writeFile(std::filesystem::path const& p, std::string const& content);

} // namespace qmtest
