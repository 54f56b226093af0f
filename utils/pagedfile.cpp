// The window rule keeps at least half a page on each side of the position being read (except at the ends of
// the file), so that small reads moving forward or a little backward seldom move the window:
//  - keep it while pos + chunk - 1 < windowOffset + windowSize and max(pos, chunk) - chunk >= windowOffset;
//  - else it starts at 0 when pos < granularity, or at round_down(pos + chunk, granularity) - granularity.
#include "utils/pagedfile.h"

#include "utils/filemapping.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

namespace {

constexpr int64_t RECHECK_MS = 10;

// Reads up to length bytes at offset; fewer only at the end of the file or on an error.
size_t readAt(int fd, char* out, size_t length, size_t offset) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd, out + done, length - done, off_t(offset + done));
    if (n > 0)
      done += size_t(n);
    else if (n < 0 && errno == EINTR)
      continue;
    else
      break;
  }
  return done;
}

} // namespace

struct PagedFile::Impl {
  explicit Impl(const char* path)
      : handle(path), granularity(FileMapping::granularity()), windowSize(2 * granularity),
        chunk(granularity / 2), window(new char[windowSize]) {
    refresh(true);
  }

  // Another program may rewrite the file in place. Its size and modification time are taken again when a
  // read reaches the recorded end, and otherwise at most every few milliseconds: fstat costs more than a
  // small read inside the window. A change drops the window. (A window that moves is read afresh anyway.)
  void refresh(bool force) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    const int64_t ms = int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    if (!force && ms - checkedAt < RECHECK_MS) return;
    checkedAt = ms;
    struct stat st {};
    if (::fstat(handle.fd(), &st) != 0) return;
    const size_t size = size_t(st.st_size);
    if (size == totalBytes && st.st_mtim.tv_sec == modified.tv_sec && st.st_mtim.tv_nsec == modified.tv_nsec)
      return;
    totalBytes = size;
    modified = st.st_mtim;
    valid = false;
    windowOffset = windowLength = 0;
  }

  bool keeps(size_t pos) const {
    return valid && pos + chunk - 1 < windowOffset + windowSize &&
           std::max(pos, chunk) - chunk >= windowOffset;
  }
  bool move(size_t pos);

  FileHandle handle;
  size_t totalBytes = 0;
  timespec modified{};   // of the file when the size was last taken
  int64_t checkedAt = 0; // when that was, in milliseconds of the coarse monotonic clock
  const size_t granularity;
  const size_t windowSize; // two pages
  const size_t chunk;      // half a page, the most copied per step
  std::unique_ptr<char[]> window;
  bool valid = false;
  size_t windowOffset = 0;
  size_t windowLength = 0;
};

bool PagedFile::Impl::move(size_t pos) {
  windowOffset = pos < granularity ? 0 : (pos + chunk) / granularity * granularity - granularity;
  const size_t wanted = windowOffset < totalBytes ? std::min(windowSize, totalBytes - windowOffset) : 0;
  windowLength = readAt(handle.fd(), window.get(), wanted, windowOffset);
  // A short read is the end of the file: another program has truncated it.
  if (windowLength < wanted)
    totalBytes = windowLength ? windowOffset + windowLength : std::min(windowOffset, handle.size());
  valid = windowLength > 0;
  if (!valid) windowOffset = 0;
  return valid;
}

PagedFile::PagedFile(const char* path) : impl(std::make_unique<Impl>(path)) {}
PagedFile::~PagedFile() = default;

size_t PagedFile::totalBytes() const {
  impl->refresh(false);
  return impl->totalBytes;
}
void PagedFile::recheck() {
  impl->refresh(true);
}

size_t PagedFile::windowOffset() const {
  return impl->windowOffset;
}
size_t PagedFile::windowLength() const {
  return impl->windowLength;
}

size_t PagedFile::read(void* buffer, size_t offset, size_t count) {
  char* out = static_cast<char*>(buffer);
  impl->refresh(offset + count >= impl->totalBytes);
  if (offset >= impl->totalBytes) {
    if (count) out[0] = 0;
    return 0;
  }
  count = std::min(count, impl->totalBytes - offset);
  size_t copied = 0;
  while (copied < count) {
    const size_t pos = offset + copied;
    if (!impl->keeps(pos) && !impl->move(pos)) break;
    const size_t end = impl->windowOffset + impl->windowLength;
    if (pos >= end) break; // the file ended inside this window
    const size_t piece = std::min({impl->chunk, count - copied, end - pos});
    std::memcpy(out + copied, impl->window.get() + (pos - impl->windowOffset), piece);
    copied += piece;
  }
  return copied;
}
