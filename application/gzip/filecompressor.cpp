#include "gzip/filecompressor.h"

#include "programinfo/programinfo.h"
#include "utils/exception.h"
#include "utils/filesystem.h"
#include "utils/platform/posix/filehandle.h"

#include <climits>
#include <string>
#include <zlib.h>

namespace {

constexpr int GZIP_WINDOW = 15 + 16; // a 32 KB window with the gzip wrapper
constexpr int OS_UNIX = 3;

} // namespace

struct FileCompressor::Impl {
  Text filename;
  Text basename;
  std::unique_ptr<unsigned char[]> output; // the gzip member, after compress
  size_t outputSize = 0;
  int flags = 0;     // for opening the file
  OwnedBuffer input; // the handed-over bytes, if any

  bool readFile(std::string& data) const;
  bool deflateAll(const unsigned char* data, size_t size);
};

bool FileCompressor::Impl::readFile(std::string& data) const {
  try {
    FileHandle file(filename.c_str(), flags);
    if (file.size() > UINT_MAX) return false; // more than one deflate call takes
    file.readAll(data);
    return true;
  } catch (zun::exception const&) {
    return false; // logged where it was thrown
  }
}

bool FileCompressor::Impl::deflateAll(const unsigned char* data, size_t size) {
  // One deflate call: the counts of a zlib stream are 32 bits wide.
  if (size > UINT_MAX) return false;
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, GZIP_WINDOW, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    return false;
  const std::string comment = ProgramInfo::instance().displayName();
  gz_header header{};
  header.time = 0;
  header.os = OS_UNIX;
  header.comment = comment.empty() ? Z_NULL : reinterpret_cast<Bytef*>(const_cast<char*>(comment.c_str()));
  header.hcrc = 0;
  bool ok = deflateSetHeader(&stream, &header) == Z_OK;
  const uLong bound = deflateBound(&stream, uLong(size));
  std::unique_ptr<unsigned char[]> out;
  if (ok && bound <= UINT_MAX) {
    out.reset(new (std::nothrow) unsigned char[bound]);
    stream.next_in = const_cast<Bytef*>(data ? data : reinterpret_cast<const Bytef*>(""));
    stream.avail_in = uInt(size);
    stream.next_out = out.get();
    stream.avail_out = uInt(bound);
    // Anything short of the stream's end would be a truncated member that still looks like data.
    ok = out && deflate(&stream, Z_FINISH) == Z_STREAM_END;
  } else {
    ok = false;
  }
  deflateEnd(&stream);
  if (!ok) return false;
  outputSize = bound - stream.avail_out;
  output = std::move(out);
  return true;
}

FileCompressor::FileCompressor(const char* path, int flags) : impl(std::make_unique<Impl>()) {
  impl->filename = path;
  impl->basename = FileSystem::stripPath(path);
  impl->flags = flags;
}

FileCompressor::FileCompressor(const char* name, OwnedBuffer&& input) : FileCompressor(name, 0) {
  impl->input = std::move(input);
}

FileCompressor::~FileCompressor() = default;

bool FileCompressor::compress() {
  impl->output.reset();
  impl->outputSize = 0;
  try {
    if (impl->input.data)
      return impl->deflateAll(reinterpret_cast<const unsigned char*>(impl->input.data), impl->input.size);
    std::string data;
    return impl->readFile(data) &&
           impl->deflateAll(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  } catch (std::exception const&) { // out of memory
    impl->output.reset();
    impl->outputSize = 0;
    return false;
  }
}

const char* FileCompressor::filename() const {
  return impl->filename.c_str();
}
const char* FileCompressor::basename() const {
  return impl->basename.c_str();
}
const unsigned char* FileCompressor::data() const {
  return impl->output.get();
}
size_t FileCompressor::size() const {
  return impl->outputSize;
}
