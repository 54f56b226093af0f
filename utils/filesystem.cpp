// Folders come from the environment as DESIGN's Linux mapping gives them; operations go through
// std::filesystem with error codes, so that nothing here throws.
#include "utils/filesystem.h"

#include "utils/log.h"
#include "utils/system.h"
#include "utils/uuid.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>

namespace fs = std::filesystem;

#ifndef QM_BUILD_RESOURCES_DIR
#define QM_BUILD_RESOURCES_DIR ""
#endif

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : std::string();
}

std::string withoutTrailingSlash(std::string p) {
  while (p.size() > 1 && p.back() == '/')
    p.pop_back();
  return p;
}

std::string currentDirectory() {
  std::error_code ec;
  const fs::path p = fs::current_path(ec);
  return ec ? std::string(".") : p.string();
}

std::string homeFolder() {
  const std::string home = env("HOME");
  return home.empty() ? std::string("/") : home;
}

std::string resourcesFolder() {
  const std::string fromEnv = env("QUILLMERE_RESOURCES");
  if (!fromEnv.empty()) return fromEnv;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path installed = exe.parent_path().parent_path() / "share" / "quillmere";
    if (fs::is_directory(installed, ec)) return installed.string();
  }
  return QM_BUILD_RESOURCES_DIR;
}

// The first absolute folder of a colon-separated list; empty when it has none.
std::string firstAbsolute(std::string const& folders) {
  for (size_t start = 0; start < folders.size();) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    if (folders[start] == '/') return folders.substr(start, end - start);
    start = end + 1;
  }
  return {};
}

std::string folderOf(CommonDirectory::Type type, std::string const& base) {
  switch (type) {
  case CommonDirectory::LocalAppSupport: {
    const std::string dirs = firstAbsolute(env("XDG_DATA_DIRS"));
    return dirs.empty() ? std::string("/usr/local/share") : dirs;
  }
  case CommonDirectory::Base:
    return base;
  case CommonDirectory::Resources:
    return resourcesFolder();
  case CommonDirectory::Temp: {
    const std::string tmp = env("TMPDIR");
    return tmp.empty() ? std::string("/tmp") : tmp;
  }
  case CommonDirectory::Home:
    return homeFolder();
  case CommonDirectory::UserAppSupport: {
    const Text data = FileSystem::baseDirectory("XDG_DATA_HOME");
    return data.empty() ? homeFolder() + "/.local/share" : std::string(data.view());
  }
  default:
    return currentDirectory();
  }
}

// Flushes a folder's entries to storage, so that a rename in it survives a power cut.
void syncFolder(fs::path const& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool hasDotDot(fs::path const& p) {
  for (const auto& part : p)
    if (part == "..") return true;
  return false;
}

// True when inner lies strictly below outer once symbolic links are resolved.
bool isStrictlyInside(fs::path const& outer, fs::path const& inner) {
  std::error_code ec;
  const fs::path o = fs::weakly_canonical(outer, ec);
  if (ec) return false;
  const fs::path i = fs::weakly_canonical(inner, ec);
  if (ec) return false;
  auto oi = o.begin(), ii = i.begin();
  for (; oi != o.end(); ++oi, ++ii) {
    if (oi->empty()) continue; // a trailing separator
    if (ii == i.end() || *oi != *ii) return false;
  }
  for (; ii != i.end(); ++ii)
    if (!ii->empty()) return true;
  return false;
}

// Temporary names: ".<target name>.tmp-<process id>-<RANDOM_DIGITS hex digits>", and before the process id
// was in them ".<target name>.tmp-<UUID>". The target's name and the hex digits keep the longest name within
// the 255 bytes a file name may have, as the old form did.
constexpr std::string_view TEMP_MARK = ".tmp-";
constexpr size_t RANDOM_DIGITS = 24;
// An old-form file changes while its save writes and is renamed a moment after; one that stayed as it is for
// this long, with no writer holding it, belongs to no running save.
constexpr auto ABANDONED_AFTER = std::chrono::hours(1);

bool allOf(std::string_view s, const char* set) {
  return !s.empty() && s.find_first_not_of(set) == std::string_view::npos;
}

bool isUuid(std::string_view s) {
  if (s.size() != 36) return false;
  for (size_t i = 0; i < s.size(); ++i)
    if ((i == 8 || i == 13 || i == 18 || i == 23) ? s[i] != '-' : !std::isxdigit((unsigned char)s[i]))
      return false;
  return true;
}

// The process id in a temporary name; 0 for the old form without one, -1 for any other name.
long tempFileOwner(std::string_view name) {
  const size_t mark = name.rfind(TEMP_MARK);
  if (name.empty() || name[0] != '.' || mark == std::string_view::npos || mark < 2) return -1;
  const std::string_view id = name.substr(mark + TEMP_MARK.size());
  if (isUuid(id)) return 0;
  const size_t dash = id.find('-');
  if (dash == std::string_view::npos || dash > 10 || id.size() - dash - 1 != RANDOM_DIGITS ||
      !allOf(id.substr(0, dash), "0123456789") || !allOf(id.substr(dash + 1), "0123456789ABCDEFabcdef"))
    return -1;
  const long pid = std::stol(std::string(id.substr(0, dash)));
  return pid > 0 ? pid : -1;
}

// Deletes an old-form temporary file that no writer holds and that has not changed for a while.
bool removeIfAbandoned(fs::path const& path) {
  std::error_code ec;
  const auto changed = fs::last_write_time(path, ec);
  if (ec || fs::file_time_type::clock::now() - changed < ABANDONED_AFTER) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool removed = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.c_str()) == 0;
  ::close(fd);
  return removed;
}

} // namespace

struct FileSystem::Impl {
  std::string base = currentDirectory(); // fixed on first use
  mutable std::mutex mutex;              // guards folderName, which start-up may set
  std::string folderName = "OrvaneSoftware";
};

FileSystem::FileSystem() : impl(std::make_unique<Impl>()) {}
FileSystem::~FileSystem() = default;

FileSystem& FileSystem::instance() {
  // Never destroyed: detached workers may still use it while the process exits.
  static FileSystem* fileSystem = new FileSystem;
  return *fileSystem;
}

Text FileSystem::path(CommonDirectory::Type type, const char* a, const char* b) {
  return instance().privatePath(type, a, b);
}

Text FileSystem::baseDirectory(const char* variable) {
  const std::string value = env(variable);
  return value.empty() || value[0] != '/' ? Text() : Text(value.data(), value.size());
}

Text FileSystem::privatePath(CommonDirectory::Type type, const char* a, const char* b) const {
  std::string out = withoutTrailingSlash(folderOf(type, impl->base));
  for (const char* part : {a, b})
    if (part) out.append("/").append(part);
  for (char& c : out)
    if (c == '\\') c = '/';
  return Text(out.data(), out.size());
}

void FileSystem::setFolderName(const char* name) {
  std::lock_guard lock(impl->mutex);
  impl->folderName = name && *name ? name : "OrvaneSoftware";
}

Text FileSystem::folderName() const {
  std::lock_guard lock(impl->mutex);
  return Text(impl->folderName.c_str());
}

Text FileSystem::userPath(const char* sub) const {
  return privatePath(CommonDirectory::UserAppSupport, folderName().c_str(), sub);
}

Text FileSystem::stripPath(const char* path) {
  if (!path) return Text();
  const char* slash = std::strrchr(path, '/');
  return Text(slash ? slash + 1 : path);
}

Text FileSystem::getTempFilename(const char* prefix) {
  std::string name = withoutTrailingSlash(folderOf(CommonDirectory::Temp, std::string()));
  name.append("/").append(prefix ? prefix : "").append(Uuid::createAsString().c_str());
  return Text(name.c_str());
}

bool FileSystem::syncFile(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

Text FileSystem::siblingTempFilename(const char* target) {
  if (!target) return Text();
  const fs::path t(target);
  if (!t.has_filename()) return Text();
  const Text uuid = Uuid::createAsString();
  std::string random;
  for (char c : uuid.view())
    if (c != '-' && random.size() < RANDOM_DIGITS) random += c;
  const fs::path temp = t.parent_path() / ("." + t.filename().string() + std::string(TEMP_MARK) +
                                           std::to_string(System::processID()) + "-" + random);
  return Text(temp.c_str());
}

size_t FileSystem::removeLeftoverTempFiles(const char* folder) {
  if (!folder) return 0;
  size_t removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    const long owner = tempFileOwner(path.filename().string());
    std::error_code typeError;
    if (owner < 0 || it->symlink_status(typeError).type() != fs::file_type::regular) continue;
    if (owner == 0
            ? removeIfAbandoned(path)
            : owner != System::processID() && !System::processRunning(owner) && ::unlink(path.c_str()) == 0)
      ++removed;
  }
  return removed;
}

bool FileSystem::privateFileExists(const char* path) const {
  if (!path) return false;
  struct stat st;
  return ::stat(path, &st) == 0;
}

bool FileSystem::privateIsDirectory(const char* path) const {
  if (!path) return false;
  struct stat st;
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileSystem::privateDeleteFile(const char* path) const {
  if (!path || !*path) return false;
  std::error_code ec;
  const auto removed = fs::remove_all(path, ec);
  return !ec && removed > 0;
}

bool FileSystem::privateDeletePath(CommonDirectory::Type type, const char* sub) const {
  if (!sub || !*sub || sub[0] == '.' || sub[0] == '/' || sub[0] == '\\') return false;
  std::string rel(sub);
  for (char& c : rel)
    if (c == '\\') c = '/';
  const fs::path base(privatePath(type).c_str());
  const fs::path target = base / rel;
  if (hasDotDot(fs::path(rel)) || !isStrictlyInside(base, target)) {
    Log::print("ERR", "Refusing to delete '%s': it is not inside '%s'\n", rel.c_str(), base.c_str());
    return false;
  }
  return privateDeleteFile(target.c_str());
}

bool FileSystem::privateReplaceFile(const char* target, const char* replacement) const {
  if (!target || !replacement) return false;
  if (::rename(replacement, target) != 0) return false;
  syncFolder(fs::path(target).parent_path());
  return true;
}

bool FileSystem::privateCopyFile(const char* source, const char* dest) const {
  if (!source || !dest) return false;
  std::error_code ec;
  fs::path to(dest);
  if (privateIsDirectory(source)) {
    fs::copy(source, to, fs::copy_options::recursive, ec);
    return !ec;
  }
  if (privateIsDirectory(dest)) to /= fs::path(source).filename();
  // Copied beside the destination and renamed over it, so that a failed copy never leaves it half-written.
  const Text temp = siblingTempFilename(to.c_str());
  fs::copy_file(source, temp.c_str(), ec);
  if (ec || !syncFile(temp.c_str()) || !privateReplaceFile(to.c_str(), temp.c_str())) {
    fs::remove(temp.c_str(), ec);
    return false;
  }
  return true;
}

bool FileSystem::privateMoveFile(const char* source, const char* dest) const {
  if (!source || !dest) return false;
  if (::rename(source, dest) == 0) return true;
  if (errno != EXDEV) return false;
  return privateCopyFile(source, dest) && privateDeleteFile(source);
}

void FileSystem::privateEnsurePath(const char* path) const {
  if (!path || !*path) return;
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  const fs::path folder = p.back() == '/' ? fs::path(p) : fs::path(p).parent_path();
  if (folder.empty()) return;
  std::error_code ec;
  fs::create_directories(folder, ec);
}

bool FileSystem::privateSetReadOnly(const char* path, bool on) const {
  if (!path) return false;
  std::error_code ec;
  if (on)
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ec);
  else
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
  return !ec;
}
