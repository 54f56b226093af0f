#include "script/scriptdetails.h"

#include "utils/platform/posix/filehandle.h"
#include "utils/text.h"
#include "utils/textbuffer.h"

#include <cerrno>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t HEAD_SIZE = 2048;
constexpr std::string_view MARKER = "@qel ";

// Up to HEAD_SIZE bytes from the start of the file; fewer at its end or on an error.
size_t readHead(const char* path, char* out) {
  const int fd = FileHandle::openForReading(path);
  if (fd < 0) return 0;
  size_t got = 0;
  while (got < HEAD_SIZE) {
    const ssize_t n = ::read(fd, out + got, HEAD_SIZE - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += size_t(n);
  }
  ::close(fd);
  return got;
}

// The line at pos (without its end) and the position after its end (LF, CR or CR LF).
std::string_view nextLine(std::string_view text, size_t& pos) {
  const size_t start = pos;
  const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
  pos = end;
  if (pos < text.size() && text[pos] == '\r') ++pos;
  if (pos < text.size() && text[pos] == '\n') ++pos; // LF alone, or the LF of CR LF
  return text.substr(start, end - start);
}

TextBuffer<0> describe(std::string_view head) {
  TextBuffer<0> out;
  size_t pos = 0;
  bool started = false;
  bool lastWasBreak = false;
  while (pos < head.size()) {
    const size_t lineStart = pos;
    std::string_view line = nextLine(head, pos);
    if (!started) {
      // The marker needs at least one byte after it inside the head.
      if (line.starts_with(MARKER) && lineStart + MARKER.size() < head.size()) {
        started = true;
        out.append(Span(line.substr(MARKER.size())));
      }
      continue;
    }
    if (line.empty() || (line[0] != ' ' && line[0] != '\t')) break;
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    if (line.empty()) {
      out.append('\n');
      lastWasBreak = true;
      continue;
    }
    if (!lastWasBreak && out.length()) out.append(' ');
    out.append(Span(line));
    lastWasBreak = false;
  }
  return out;
}

} // namespace

struct ScriptDetails::Impl {
  Text path;    // "" for a null path
  Text details; // the last description read
};

ScriptDetails::ScriptDetails(const char* path) : impl(std::make_unique<Impl>()) {
  impl->path = path ? path : "";
}

ScriptDetails::~ScriptDetails() = default;

bool ScriptDetails::valid() const {
  struct stat st;
  return !impl->path.empty() && ::stat(impl->path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

const char* ScriptDetails::details() const {
  impl->details.clear();
  if (impl->path.empty()) return impl->details.c_str();
  char head[HEAD_SIZE];
  const size_t size = readHead(impl->path.c_str(), head);
  impl->details = describe(std::string_view(head, size)).span();
  return impl->details.c_str();
}
