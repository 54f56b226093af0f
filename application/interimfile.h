// Stand-ins for the file layer's mapped and paged files and folder look-ups, until they land: the callers
// use only these few operations, so the swap touches nothing else.
#pragma once

#include "utils/text.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace interim {

// A read-only file read by offset; size() is taken at opening. Valid when fd >= 0.
struct ReadFile {
  int fd = -1;
  size_t bytes = 0;
  explicit ReadFile(const char* path) {
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
      ::close(fd);
      fd = -1;
    }
    if (fd >= 0) bytes = size_t(st.st_size);
  }
  ~ReadFile() {
    if (fd >= 0) ::close(fd);
  }
  ReadFile(ReadFile const&) = delete;
  ReadFile& operator=(ReadFile const&) = delete;
  bool valid() const { return fd >= 0; }
  size_t read(void* buffer, size_t offset, size_t count) const {
    size_t done = 0;
    while (done < count) {
      const ssize_t n = ::pread(fd, static_cast<char*>(buffer) + done, count - done, off_t(offset + done));
      if (n <= 0) break;
      done += size_t(n);
    }
    return done;
  }
};

// The whole file mapped; data is null for a file that could not be opened or is empty.
struct WholeFile {
  const char* data = nullptr;
  size_t bytes = 0;
  explicit WholeFile(const char* path) {
    ReadFile f(path);
    if (!f.valid() || f.bytes == 0) return;
    void* p = ::mmap(nullptr, f.bytes, PROT_READ, MAP_PRIVATE, f.fd, 0);
    if (p == MAP_FAILED) return;
    data = static_cast<const char*>(p);
    bytes = f.bytes;
  }
  ~WholeFile() {
    if (data) ::munmap(const_cast<char*>(data), bytes);
  }
  WholeFile(WholeFile const&) = delete;
  WholeFile& operator=(WholeFile const&) = delete;
};

inline bool exists(std::string const& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// The shipped file: the resources first, then the base folder. Empty when neither holds it.
inline std::string findShipped(const char* name) {
  const char* resources = std::getenv("QUILLMERE_RESOURCES");
  if (resources && *resources && exists(std::string(resources) + "/" + name))
    return std::string(resources) + "/" + name;
  return exists(name) ? std::string(name) : std::string();
}

// The user root: $XDG_DATA_HOME (else ~/.local/share) and the folder name.
inline std::string userPath(const char* sub) {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  std::string root = xdg && *xdg
                         ? std::string(xdg)
                         : std::string(std::getenv("HOME") ? std::getenv("HOME") : "") + "/.local/share";
  return root + "/OrvaneSoftware/" + sub;
}

} // namespace interim
