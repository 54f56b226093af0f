// Files of a benchmark run: a whole file read outside the timed loop, and a folder of this run (for word
// lists and large documents made from the corpus) under $TMPDIR, removed at exit.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qmbench {

inline std::string readFile(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::filesystem::path const& scratch() {
  static const struct Folder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quillmere-bench-" + std::to_string(::getpid()));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() { std::filesystem::remove_all(path); }
  } folder;
  return folder.path;
}

} // namespace qmbench
