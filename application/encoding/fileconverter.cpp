// The source is read and the copy written a piece at a time: a large file never sits in memory, a source
// that another program shortens meanwhile just ends early, and a cancelled job stops between pieces. Every
// write is checked: a copy that could not be written whole is deleted and reported, never handed on as
// converted.
#include "encoding/fileconverter.h"

#include "encoding/encodingconverter.h"
#include "utils/filesystem.h"
#include "utils/messagecenter.h"
#include "utils/platform/posix/filehandle.h"
#include "utils/platform/posix/filewriter.h"
#include "utils/system.h"
#include "utils/textbuffer.h"
#include "utils/thread.h"
#include "utils/uuid.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The copy, created by its first write (a source that decodes to nothing leaves no file). Creating it
// throws FileWriter::open_error or file_exists_error.
class CopyWriter : public OutputStream {
public:
  explicit CopyWriter(const char* path) : path(path) {}
  size_t write(const void* data, size_t n) override {
    if (!file) file = std::make_unique<FileWriter>(path, FileWriter::Exclusive);
    const size_t done = file->write(data, n);
    written += done;
    return done;
  }
  bool close() { return !file || file->close(); }

  const char* path;
  std::unique_ptr<FileWriter> file;
  uint64_t written = 0;
};

// Reads the source by offset, so the file is never mapped.
class SourceReader {
public:
  explicit SourceReader(const char* path) : handle(path) {}
  size_t operator()(char* buffer, size_t size) {
    ssize_t n;
    do
      n = ::pread(handle.fd(), buffer, size, off_t(offset));
    while (n < 0 && errno == EINTR);
    if (n <= 0) return 0;
    offset += size_t(n);
    return size_t(n);
  }

private:
  FileHandle handle;
  size_t offset = 0;
};

Text convertedRoot() {
  return FileSystem::instance().userPath("converted");
}

// A new copy's path in this process's folder, made on the way.
Text makeCopyPath() {
  static std::once_flag swept;
  std::call_once(swept, &FileConverter::sweepStale);
  TextBuffer<0> path;
  path.format("%s/%s", FileConverter::folder().c_str(), Uuid::createAsString().c_str());
  FileSystem::instance().privateEnsurePath(path.c_str());
  return Text(path.span());
}

// Removes a copy that is not whole; the job then names no copy.
FileConverter::Status discard(FileConverter::Info& info, FileConverter::Status status) {
  if (!info.converted.empty()) ::unlink(info.converted.c_str());
  info.converted.clear();
  return status;
}

FileConverter::Status convert(FileConverter::Info& info, std::function<bool()> const& stopRequested) {
  const EncodingConverter converter(info.encoding);
  if (!converter.supported()) return FileConverter::UnknownError;
  SourceReader source(info.source.c_str());
  info.converted = makeCopyPath();
  CopyWriter copy(info.converted.c_str());
  const auto result = converter.convert(std::ref(source), copy, [&info, &stopRequested] {
    return info.cancelled() || (stopRequested && stopRequested());
  });
  const bool closed = copy.close();
  if (result == EncodingConverter::Result::Stopped) return discard(info, FileConverter::UnknownError);
  if (result != EncodingConverter::Result::Done || !closed) return discard(info, FileConverter::NotWritten);
  return copy.written ? FileConverter::Converted : FileConverter::NoBytes;
}

// On the main thread: a job nobody wants any more is freed here, the others go to their listener.
void handBack(void* data) {
  std::unique_ptr<FileConverter::Info> info(static_cast<FileConverter::Info*>(data));
  if (!info || info->cancelled() || !info->listener) return;
  FileConverter::Listener* listener = info->listener;
  const FileConverter::Status status = info->status;
  listener->finished(status, std::move(info));
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

bool FileConverter::launch(std::unique_ptr<Info> info) {
  if (!info) return false;
  auto* runner = new Thread::Runner<void (*)(void*)>(&FileConverter::run, info.get());
  Info* job = info.release();
  Thread thread;
  if (Thread::launch(thread, runner)) return true;
  // The work never runs; the job still comes back, so its owner is not left waiting for ever.
  job->status = UnknownError;
  MessageCenter::instance().addMessage(job, &handBack);
  return false;
}

void FileConverter::run(void* info) {
  if (!info) return;
  runWithInfo(*static_cast<Info*>(info));
  MessageCenter::instance().addMessage(info, &handBack);
}

FileConverter::Status FileConverter::runWithInfo(Info& info, std::function<bool()> const& stopRequested) {
  info.status = UnknownError;
  try {
    info.status = convert(info, stopRequested);
  } catch (FileWriter::open_error const&) {
    info.status = discard(info, NotWritten);
  } catch (FileWriter::file_exists_error const&) {
    info.status = discard(info, NotWritten);
  } catch (std::bad_alloc const&) {
    info.status = discard(info, OutOfMemory);
  } catch (std::exception const&) {
    info.status = discard(info, UnknownError);
  }
  return info.status;
}

FileConverter::Status FileConverter::writeToTempFile(Info& info, void const* data, size_t length) {
  try {
    info.converted = makeCopyPath();
    if (length == 0) return NoBytes;
    CopyWriter copy(info.converted.c_str());
    const bool whole = copy.write(data, length) == length;
    if (!copy.close() || !whole) return discard(info, NotWritten);
    return Converted;
  } catch (FileWriter::open_error const&) {
  } catch (FileWriter::file_exists_error const&) {
  }
  return discard(info, NotWritten);
}

Text FileConverter::folder() {
  TextBuffer<64> sub;
  sub.format("converted/%d", System::processID());
  return FileSystem::instance().userPath(sub.c_str());
}

void FileConverter::cleanup() {
  FileSystem::instance().privateDeleteFile(folder().c_str());
  ::rmdir(convertedRoot().c_str()); // only when no other process has copies there
}

void FileConverter::sweepStale() {
  std::error_code ec;
  for (fs::directory_iterator it(convertedRoot().c_str(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const long pid = std::stol(name);
    if (pid != System::processID() && !System::processRunning(pid))
      FileSystem::instance().privateDeleteFile(it->path().c_str());
  }
}
