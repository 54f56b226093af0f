#include "fuzz.h"

#include <iconv.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fuzz {

namespace {
std::string* root = nullptr; // never freed: the exit handler uses it

void removeFolder() {
  std::error_code ec;
  if (root) std::filesystem::remove_all(*root, ec);
}
} // namespace

void fail(const char* property, std::string const& detail) {
  std::fprintf(stderr, "\n==== PROPERTY FAILED: %s\n%s\n", property, detail.c_str());
  std::fflush(stderr);
  removeFolder(); // libFuzzer leaves without running the exit handlers
  std::abort();
}

std::string show(std::string_view bytes, size_t limit) {
  std::string out = "\"";
  for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    char hex[8];
    if (c == '\\' || c == '"') {
      out += '\\';
      out += char(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  out += bytes.size() > limit ? "\"..." : "\"";
  return out + " (" + std::to_string(bytes.size()) + " bytes)";
}

namespace {

std::string makeFolder() {
  const char* shm = "/dev/shm";
  std::string base =
      ::access(shm, W_OK) == 0 ? shm : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
  std::string pattern = base + "/qmfuzz-XXXXXX";
  if (!::mkdtemp(pattern.data())) fail("setup", "cannot create a folder in " + base);
  const std::filesystem::path dir(pattern);
  for (const char* sub : {"home", "xdg-data", "tmp"})
    std::filesystem::create_directories(dir / sub);
  setenv("HOME", (dir / "home").c_str(), 1);
  setenv("XDG_DATA_HOME", (dir / "xdg-data").c_str(), 1);
  setenv("TMPDIR", (dir / "tmp").c_str(), 1);
  setenv("QUILLMERE_RESOURCES", QM_RESOURCES_DIR, 1);
  std::atexit(removeFolder);
  __sanitizer_set_death_callback(removeFolder);
  return pattern;
}

} // namespace

std::string const& folder() {
  if (!root) root = new std::string(makeFolder());
  return *root;
}

void writeFile(std::string const& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out.flush()) fail("setup", "cannot write " + path);
}

std::string readFile(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r')
      ++end;
    out.push_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return out;
}

std::string_view withoutMark(std::string_view text) {
  return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

Decoded decodeStrict(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) {
    return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
  };
  const unsigned char b0 = byte(0);
  if (b0 < 0x80) return {b0, 1, true};
  size_t n;
  uint32_t cp;
  unsigned char low = 0x80, high = 0xBF; // the allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2, cp = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3, cp = b0 & 0x0Fu;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4, cp = b0 & 0x07u;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return {0, 1, false};
  }
  if (at + n > text.size()) return {0, 1, false};
  for (size_t i = 1; i < n; ++i) {
    const unsigned char b = byte(i);
    if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF)) return {0, 1, false};
    cp = (cp << 6) | (b & 0x3Fu);
  }
  return {cp, n, true};
}

bool validUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const Decoded d = decodeStrict(text, i);
    if (!d.valid) return false;
    i += d.length;
  }
  return true;
}

std::string encodeUtf8(uint32_t c) {
  std::string out;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
  return out;
}

std::string encodeWithGlibc(const char* encoding, std::string_view utf8) {
  iconv_t cd = iconv_open(encoding, "UTF-8");
  if (cd == iconv_t(-1)) fail("setup", std::string("no iconv encoder for ") + encoding);
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size(), outLeft = out.size();
  char* o = out.data();
  const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(r == size_t(-1) ? 0 : out.size() - outLeft);
  return out;
}

bool isHanBlock(uint32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x20000 && c <= 0x2A6DF) ||
         (c >= 0x2A700 && c <= 0x2EBEF) || (c >= 0x30000 && c <= 0x3134F);
}

bool mayBeHan(uint32_t c) {
  return (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

} // namespace fuzz

// Before any input: the engine reads its folders from the environment.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::folder();
  return 0;
}
