// Files of a benchmark run: a whole file read outside the timed loop, a folder of this run (for word lists
// and large documents made from the corpus) under $TMPDIR, removed at exit, and a large document made from
// the corpus there.
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

// A document of about `bytes` made of the PKU corpus over and over, in the run's folder; made once.
inline std::string const& repeatedCorpus(size_t bytes = size_t(50) << 20) {
  static const std::string path = [bytes] {
    const std::string p = (scratch() / "pku-repeated.txt").string();
    const std::string corpus = readFile(QM_SHARED_DATA_DIR "/corpus/pku_test.utf8");
    std::ofstream out(p, std::ios::binary);
    for (size_t written = 0; written < bytes; written += corpus.size())
      out << corpus;
    return p;
  }();
  return path;
}

} // namespace qmbench
