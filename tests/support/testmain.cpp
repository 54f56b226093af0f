// Every test binary runs with HOME, XDG_DATA_HOME and TMPDIR inside a folder of its own, removed at the end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  char pattern[] = "/tmp/qmtests-XXXXXX";
  const char* root = mkdtemp(pattern);
  if (!root) return 2;
  const std::filesystem::path base(root);
  for (const char* sub : {"home", "xdg-data", "tmp"})
    std::filesystem::create_directories(base / sub);
  setenv("HOME", (base / "home").c_str(), 1);
  setenv("XDG_DATA_HOME", (base / "xdg-data").c_str(), 1);
  setenv("TMPDIR", (base / "tmp").c_str(), 1);
  if (!std::getenv("QUILLMERE_RESOURCES")) setenv("QUILLMERE_RESOURCES", QM_RESOURCES_DIR, 1);

  testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(base, ec);
  return rc;
}
