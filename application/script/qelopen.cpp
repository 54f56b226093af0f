// A name that does not exist yet is made with O_EXCL, which opens nothing that exists (a link included);
// one that is a link to a file not made yet is followed here, a link at a time, as the kernel would have
// followed it.
#include "script/qelopen.h"

#include "script/qelstream.h"
#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

constexpr int MAX_LINKS = 40; // followed before giving up with ELOOP, as the kernel does

enum class Reach { file, proc, descriptor };

Reach reachOf(int fd) {
  struct statfs filesystem {};
  if (fstatfs(fd, &filesystem) != 0) return Reach::file;
  switch (filesystem.f_type) {
  case PROC_SUPER_MAGIC:
    return Reach::proc;
  case PIPEFS_MAGIC:
  case SOCKFS_MAGIC:
  case ANON_INODE_FS_MAGIC:
    return Reach::descriptor;
  default:
    return Reach::file;
  }
}

int flagsOf(const char* mode) {
  const int access = mode[1] == '+' ? O_RDWR : mode[0] == 'r' ? O_RDONLY : O_WRONLY;
  switch (mode[0]) {
  case 'w':
    return access | O_CREAT | O_TRUNC;
  case 'a':
    return access | O_CREAT | O_APPEND;
  default:
    return access;
  }
}

// The file that found (an O_PATH descriptor) leads to, opened with flags.
int reopen(int found, int flags) {
  char link[32];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", found);
  return ::open(link, (flags & ~O_CREAT) | O_CLOEXEC);
}

FILE* streamOf(int fd, const char* mode) {
  FILE* file = fdopen(fd, mode);
  if (!file) {
    const int error = errno;
    close(fd);
    errno = error;
  }
  return file;
}

// Replaces path (a name that is a link leading to nothing) by where the link points; false when it is no
// longer such a link.
bool followLink(char (&path)[PATH_MAX]) {
  const int link = ::open(path, O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (link < 0) return false;
  char target[PATH_MAX];
  const ssize_t n = readlinkat(link, "", target, sizeof target);
  close(link);
  if (n <= 0 || size_t(n) >= sizeof target) return false;
  target[n] = '\0';
  const char* slash = std::strrchr(path, '/');
  const size_t folder = target[0] == '/' || !slash ? 0 : size_t(slash - path) + 1; // kept from path
  if (folder + size_t(n) >= sizeof path) return false;
  std::memcpy(path + folder, target, size_t(n) + 1);
  return true;
}

} // namespace

namespace qelLua {

bool validOpenMode(const char* mode) {
  if (*mode == '\0' || !std::strchr("rwa", *mode++)) return false;
  if (*mode == '+') ++mode;
  return std::strspn(mode, "b") == std::strlen(mode);
}

FILE* openForScript(lua_State* L, const char* path, const char* mode) {
  const int flags = flagsOf(mode);
  if (!std::strpbrk(mode, "wa+")) { // nothing to refuse: one open resolves it
    const int fd = ::open(path, flags | O_CLOEXEC);
    return fd < 0 ? nullptr : streamOf(fd, mode);
  }
  char current[PATH_MAX];
  if (std::strlen(path) >= sizeof current) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  std::strcpy(current, path);
  for (int links = 0; links <= MAX_LINKS; ++links) {
    const int found = ::open(current, O_PATH | O_CLOEXEC);
    if (found >= 0) {
      const Reach reach = reachOf(found);
      const int fd = reach == Reach::file ? reopen(found, flags) : -1;
      const int error = errno;
      close(found);
      if (reach == Reach::descriptor)
        luaL_error(L, "cannot write to '%s': it leads to a pipe, socket or event descriptor of a process",
                   path);
      errno = reach == Reach::proc ? EACCES : error;
      return fd < 0 ? nullptr : streamOf(fd, mode);
    }
    if (errno != ENOENT || !(flags & O_CREAT)) return nullptr;
    const int made = ::open(current, flags | O_EXCL | O_CLOEXEC, 0666);
    if (made >= 0) return streamOf(made, mode);
    if (errno != EEXIST) return nullptr;
    if (!followLink(current)) continue; // it changed meanwhile: looked at again
  }
  errno = ELOOP;
  return nullptr;
}

bool openNewStream(lua_State* L, const char* path, const char* mode) {
  luaL_Stream* stream = newStream(L, closeOpened);
  checkKill(L);
  stream->f = openForScript(L, path, mode);
  const int error = errno;
  checkKill(L);
  errno = error;
  return stream->f != nullptr;
}

} // namespace qelLua
