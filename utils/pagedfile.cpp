// The window rule keeps at least half a page on each side of the position being read (except at the ends of
// the file), so that small reads moving forward or a little backward seldom move the window:
//  - keep it while pos + chunk - 1 < windowOffset + windowSize and max(pos, chunk) - chunk >= windowOffset;
//  - else it starts at 0 when pos < granularity, or at round_down(pos + chunk, granularity) - granularity.
#include "utils/pagedfile.h"

#include "utils/filemapping.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

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
      : handle(path), totalBytes(handle.size()), granularity(FileMapping::granularity()),
        windowSize(2 * granularity), chunk(granularity / 2), window(new char[windowSize]) {}

  bool keeps(size_t pos) const {
    return valid && pos + chunk - 1 < windowOffset + windowSize &&
           std::max(pos, chunk) - chunk >= windowOffset;
  }
  bool move(size_t pos);

  FileHandle handle;
  size_t totalBytes;
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
  return impl->totalBytes;
}
size_t PagedFile::windowOffset() const {
  return impl->windowOffset;
}
size_t PagedFile::windowLength() const {
  return impl->windowLength;
}

size_t PagedFile::read(void* buffer, size_t offset, size_t count) {
  char* out = static_cast<char*>(buffer);
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
