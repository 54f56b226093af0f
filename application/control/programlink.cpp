#include "control/programlink.h"

#include "utils/filesystem.h"
#include "utils/link.h"
#include "utils/log.h"
#include "views/messagebox.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <strings.h>

namespace {

bool hasScheme(const char* link, const char* scheme) {
  const size_t n = std::strlen(scheme);
  return strncasecmp(link, scheme, n) == 0;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = char(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The local path of a "file://" link, percent-decoding undone; empty when it names another host or is
// malformed.
std::string localPath(const char* link) {
  std::string path;
  const char* p = link + 7;
  if (*p != '/') return {}; // "file://host/..." is another machine
  for (; *p; ++p) {
    if (*p == '%') {
      const int high = hexValue(p[1]);
      const int low = high < 0 ? -1 : hexValue(p[2]);
      if (low < 0) return {};
      path += char(high * 16 + low);
      p += 2;
    } else if (*p == '?' || *p == '#') {
      break;
    } else {
      path += *p;
    }
  }
  return path;
}

// Whether path, with links and ".." resolved, lies inside folder.
bool inside(std::filesystem::path const& path, CommonDirectory::Type folder) {
  std::error_code error;
  const auto root = std::filesystem::weakly_canonical(FileSystem::path(folder).c_str(), error);
  if (error || root.empty()) return false;
  const auto rel = path.lexically_relative(root);
  return !rel.empty() && *rel.begin() != "..";
}

bool ownFile(std::string const& path) {
  if (path.empty()) return false;
  std::error_code error;
  const auto resolved = std::filesystem::weakly_canonical(path, error);
  if (error) return false;
  return inside(resolved, CommonDirectory::Resources) || inside(resolved, CommonDirectory::Base);
}

std::string fileLink(const char* path) {
  static const char HEX[] = "0123456789ABCDEF";
  std::string link = "file://";
  for (const char* p = path; *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      link += char(c);
    } else {
      link += '%';
      link += HEX[c >> 4];
      link += HEX[c & 15];
    }
  }
  return link;
}

} // namespace

bool ProgramLink::allowed(const char* link) {
  if (!link) return false;
  if (hasScheme(link, "https://") || hasScheme(link, "http://") || hasScheme(link, "mailto:")) return true;
  return hasScheme(link, "file://") && ownFile(localPath(link));
}

bool ProgramLink::open(const char* link) {
  if (!allowed(link)) {
    Log::print("WARN", "Refused to open the link '%s'\n", link ? link : "");
    return false;
  }
  return Link::open(link);
}

bool ProgramLink::openOrTell(const char* link) {
  if (!allowed(link)) return open(link);
  if (Link::open(link)) return true;
  Log::print("WARN", "No program took the link '%s'\n", link);
  tellNotOpened("Unable to open link", "the link", link);
  return false;
}

void ProgramLink::tellNotOpened(const char* message, const char* what, const char* name) {
  MessageBox box(2, MessageBox::Ok);
  box.setMessage("%s", message);
  box.setInformation("No program could open %s:\n\n%s", what, name);
  box.show();
}

bool ProgramLink::openFile(const char* path) {
  if (!path || path[0] != '/') return false;
  return open(fileLink(path).c_str());
}
