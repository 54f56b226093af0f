// Names the encoding the program detects for each file, one line each: the file name, a tab and one of
// utf-8, utf-16le, utf-16be, gb18030, big5 or unknown. With --convert DIR it also writes each file's UTF-8
// text to DIR under the file's own base name, decoded as the program decodes documents: a file in UTF-8,
// or in no encoding it knows, is copied unchanged, as the program reads it unchanged.
//
//   encoding_eval [--convert DIR] file...
#include "encoding/encodingconverter.h"
#include "encoding/encodingdetector.h"
#include "utils/platform/posix/filewriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* nameOf(EncodingDetector::Encoding e) {
  switch (e) {
  case EncodingDetector::Utf8:
    return "utf-8";
  case EncodingDetector::Utf16LE:
    return "utf-16le";
  case EncodingDetector::Utf16BE:
    return "utf-16be";
  case EncodingDetector::Gb18030:
    return "gb18030";
  case EncodingDetector::Big5:
    return "big5";
  default:
    return "unknown";
  }
}

// The file's UTF-8 text into target; false with a message when it cannot be read or written.
bool convert(const char* path, EncodingDetector::Encoding encoding, fs::path const& target) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read '%s'\n", path);
    return false;
  }
  try {
    FileWriter out(target.c_str(), 0);
    const EncodingConverter converter(encoding);
    bool written = true;
    if (converter.supported()) {
      auto read = [&in](char* buffer, size_t size) {
        in.read(buffer, std::streamsize(size));
        return size_t(in.gcount());
      };
      written = converter.convert(read, out) == EncodingConverter::Result::Done;
    } else {
      char buffer[65536];
      while (written && in.read(buffer, sizeof buffer).gcount() > 0)
        written = out.write(buffer, size_t(in.gcount())) == size_t(in.gcount());
    }
    if (out.close() && written && !in.bad()) return true;
  } catch (std::exception const&) {
  }
  std::fprintf(stderr, "cannot write '%s'\n", target.c_str());
  return false;
}

} // namespace

int main(int argc, char** argv) {
  int first = 1;
  const char* convertDir = nullptr;
  if (argc > 2 && std::strcmp(argv[1], "--convert") == 0) {
    convertDir = argv[2];
    first = 3;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: %s [--convert DIR] file...\n", argv[0]);
    return 2;
  }
  // The common-character list of the build's resources, unless the caller names other resources.
  setenv("QUILLMERE_RESOURCES", QM_RESOURCES_DIR, 0);
  const EncodingDetector detector;
  int status = 0;
  for (int i = first; i < argc; ++i) {
    const EncodingDetector::Encoding encoding = detector.detect(argv[i]);
    std::printf("%s\t%s\n", argv[i], nameOf(encoding));
    if (convertDir && !convert(argv[i], encoding, fs::path(convertDir) / fs::path(argv[i]).filename()))
      status = 1;
  }
  return std::fflush(stdout) == 0 && status == 0 ? 0 : 1;
}
