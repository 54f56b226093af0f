#include "utils/atomicfilesaver.h"

#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/platform/posix/filewriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct AtomicFileSaver::Impl {
  Text target;    // a copy, so that a caller's temporary cannot dangle
  Text temporary; // beside the target, so that the rename never crosses filesystems
  bool replace = true;
};

AtomicFileSaver::AtomicFileSaver(const char*, const char* target) : impl(std::make_unique<Impl>()) {
  impl->target = target;
  impl->temporary = FileSystem::siblingTempFilename(target);
  if (impl->temporary.empty()) impl->replace = false;
}

AtomicFileSaver::~AtomicFileSaver() {
  if (!impl->temporary.empty()) ::unlink(impl->temporary.c_str());
}

const char* AtomicFileSaver::path() const {
  return impl->temporary.c_str();
}
const char* AtomicFileSaver::target() const {
  return impl->target.c_str();
}

void AtomicFileSaver::abort() {
  impl->replace = false;
}

bool AtomicFileSaver::commit() {
  if (!impl->replace) return false;
  impl->replace = false;
  // Anything but a file or a link in the target's place (a pipe, a device, a folder) was put there by
  // someone else, and is left to them.
  struct stat st {};
  if (::lstat(target(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
    Log::print("ERR", "Not replacing '%s': it is not a regular file\n", target());
    return false;
  }
  const FileSystem& fileSystem = FileSystem::instance();
  if (!FileSystem::syncFile(impl->temporary.c_str()) ||
      !fileSystem.privateReplaceFile(impl->target.c_str(), impl->temporary.c_str())) {
    Log::print("ERR", "Error replacing file:\n\t'%s' with\n\t'%s'\n", target(), impl->temporary.c_str());
    return false;
  }
  return true;
}

bool AtomicFileSaver::save(const char* target, std::function<void(OutputStream&)> const& write) {
  if (!target) return false;
  AtomicFileSaver saver(nullptr, target);
  try {
    FileWriter out(saver.path(), FileWriter::Exclusive);
    write(out);
    if (out.close()) return saver.commit();
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error saving file: ", e);
  }
  Log::print("ERR", "Error writing file '%s'\n", saver.path());
  saver.abort();
  return false;
}
