// The source is read and the copy written a piece at a time: a large file never sits in memory, a source
// that another program shortens meanwhile just ends early, and a cancelled job stops between pieces. Every
// write is checked: a copy that could not be written whole is deleted and reported, never handed on as
// converted.
#include "application/fileconverter.h"

#include "application/encodingconverter.h"
#include "application/interimfile.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// A new file, created by its first write, written with checked writes; close() reports whether everything
// reached the file. A source that decodes to nothing leaves no file.
class CopyWriter : public OutputStream {
public:
  explicit CopyWriter(const char* path) : path(path) {}
  ~CopyWriter() override { close(); }
  size_t write(const void* data, size_t n) override {
    if (fd < 0 && !opened) {
      opened = true;
      fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    }
    size_t done = 0;
    while (fd >= 0 && done < n) {
      const ssize_t w = ::write(fd, static_cast<const char*>(data) + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) break;
      done += size_t(w);
    }
    written += done;
    return done;
  }
  bool close() {
    const bool ok = fd < 0 || ::close(fd) == 0;
    fd = -1;
    return ok;
  }
  const char* path;
  int fd = -1;
  bool opened = false;
  uint64_t written = 0;
};

Text newUuid() {
  std::ifstream in("/proc/sys/kernel/random/uuid");
  std::string id;
  std::getline(in, id);
  for (char& c : id)
    c = char(std::toupper(static_cast<unsigned char>(c)));
  return Text(id.c_str());
}

fs::path convertedRoot() {
  return fs::path(interim::userPath("converted"));
}

// A new copy's path in this process's folder, made on the way; empty when the folder cannot be made.
Text makeCopyPath() {
  static std::once_flag swept;
  std::call_once(swept, &FileConverter::sweepStale);
  const fs::path dir(FileConverter::folder().c_str());
  std::error_code ec;
  fs::create_directories(dir, ec);
  return Text((dir / newUuid().c_str()).c_str());
}

// Removes a copy that is not whole; the job then names no copy.
FileConverter::Status discard(FileConverter::Info& info, FileConverter::Status status) {
  std::error_code ec;
  if (!info.converted.empty()) fs::remove(info.converted.c_str(), ec);
  info.converted.clear();
  return status;
}

bool processRunning(long pid) {
  return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

FileConverter::Status convert(FileConverter::Info& info) {
  const EncodingConverter converter(info.encoding);
  if (!converter.supported()) return FileConverter::UnknownError;
  const interim::ReadFile source(info.source.c_str());
  if (!source.valid()) return FileConverter::UnknownError;
  size_t offset = 0;
  auto read = [&](char* buffer, size_t size) {
    const size_t n = source.read(buffer, offset, size);
    offset += n;
    return n;
  };

  info.converted = makeCopyPath();
  CopyWriter copy(info.converted.c_str());
  const auto result = converter.convert(read, copy, [&info] { return info.cancelled(); });
  const bool closed = copy.close();
  if (result == EncodingConverter::Result::Stopped) return discard(info, FileConverter::UnknownError);
  if (result != EncodingConverter::Result::Done || !closed) return discard(info, FileConverter::NotWritten);
  return copy.written ? FileConverter::Converted : FileConverter::NoBytes;
}

} // namespace

FileConverter::Info::Info(uint64_t userData, EncodingDetector::Encoding encoding, Listener* listener,
                          Text source)
    : userData(userData), encoding(encoding), listener(listener), source(std::move(source)) {}

void FileConverter::Info::setCancelled(bool cancelled) {
  std::lock_guard lock(m_mutex);
  m_cancelled = cancelled;
}

bool FileConverter::Info::cancelled() const {
  std::lock_guard lock(m_mutex);
  return m_cancelled;
}

FileConverter::Status FileConverter::runWithInfo(Info& info) {
  info.status = UnknownError;
  try {
    info.status = convert(info);
  } catch (std::bad_alloc const&) {
    info.status = discard(info, OutOfMemory);
  } catch (std::exception const&) {
    info.status = discard(info, UnknownError);
  }
  return info.status;
}

FileConverter::Status FileConverter::writeToTempFile(Info& info, void const* data, size_t length) {
  info.converted = makeCopyPath();
  if (length == 0) return NoBytes;
  CopyWriter copy(info.converted.c_str());
  const bool whole = copy.write(data, length) == length;
  if (!copy.close() || !whole) return discard(info, NotWritten);
  return Converted;
}

Text FileConverter::folder() {
  return Text((convertedRoot() / std::to_string(::getpid())).c_str());
}

void FileConverter::cleanup() {
  std::error_code ec;
  fs::remove_all(folder().c_str(), ec);
  fs::remove(convertedRoot(), ec); // only when no other process has copies there
}

void FileConverter::sweepStale() {
  std::error_code ec;
  for (fs::directory_iterator it(convertedRoot(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos || name.size() > 9)
      continue;
    const long pid = std::stol(name);
    std::error_code ignored;
    if (pid != long(::getpid()) && !processRunning(pid)) fs::remove_all(it->path(), ignored);
  }
}
