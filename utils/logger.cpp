#include "utils/logger.h"

#include "utils/exception.h"
#include "utils/filefinder.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/platform/posix/file.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"
#include "utils/system.h"
#include "utils/textbuffer.h"
#include "utils/threadedlogger.h"

#include <cstring>

namespace {

void toThreadedLogger(const char* text) {
  ThreadedLogger::instance()(text);
}

// A name from the unverified file becomes one folder or file name component; anything that could lead
// elsewhere ("..", a slash, nothing at all) gives way to the default.
const char* component(const char* value, const char* def) {
  if (!value || !*value || std::strchr(value, '/') || std::strchr(value, '\\') || !std::strcmp(value, ".") ||
      !std::strcmp(value, ".."))
    return def;
  return value;
}

// The folder and short names the program-information file gives, or the defaults.
void readNames(const char* programInfoName, Text& folderName, Text& shortName) {
  folderName = Text("OrvaneSoftware");
  shortName = Text("zun");
  FileFinder finder;
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::Base);
  if (const char* found = programInfoName ? finder.find(programInfoName) : nullptr) {
    try {
      PropertyFile info(found);
      PropertyGroup* group = info.group(nullptr);
      folderName = component(group->valueAsString("folderName", nullptr), "OrvaneSoftware");
      shortName = component(group->valueAsString("shortName", nullptr), "zun");
    } catch (zun::exception const&) {
      // An unreadable file gives the default names.
    }
  }
}

void openLogFile(const char* programInfoName) {
  try {
    const Text path = Logger::logFilePath(programInfoName);
    FileSystem::instance().privateEnsurePath(path.c_str());
    ThreadedLogger::instance().setLogFile(path, true);
  } catch (std::exception const&) {
    // The program runs without a log file.
  }
}

} // namespace

namespace Log {

void initialise(const char* keyFile, void (*fn)(const char*)) {
  setLogFn(fn);
  if (!keyFile) return;
  try {
    File file(keyFile);
    char line[80];
    // Stops at the first failed read: a read error (a folder opens, then fails to read) would never reach
    // the end of the file.
    while (file.readLine(line, sizeof line)) {
      if (line[0] == 0 || line[0] == '#') continue;
      size_t length = std::strlen(line);
      if (length && line[length - 1] == '\n') line[--length] = 0;
      // A key file saved with CR LF line ends must enable the same keys.
      if (length && line[length - 1] == '\r') line[--length] = 0;
      addKey(line);
    }
    if (!file.eof()) logFn()("Log::initialise - Error opening log key file\n");
  } catch (zun::exception const&) {
    logFn()("Log::initialise - Error opening log key file\n");
  }
}

} // namespace Log

Logger::Logger(const char* programInfoName) {
  ThreadedLogger::instance();
  openLogFile(programInfoName);
  const Text keys = FileSystem::path(CommonDirectory::Base, "logkeys.txt");
  Log::initialise(keys.c_str(), &toThreadedLogger);
  Log::addKey("LOG");
  Log::addKey("ERR");
  Log::addKey("WARN");
}

Logger::~Logger() {
  Log::shutdown();
  ThreadedLogger::instance().shutdown();
}

Text Logger::logFilePath(const char* programInfoName) {
  Text folderName, shortName;
  readNames(programInfoName, folderName, shortName);
  TextBuffer<1024> name;
  name.format("logs/%s-%d.log", shortName.c_str(), System::processID());
  return FileSystem::path(CommonDirectory::UserAppSupport, folderName.c_str(), name.c_str());
}

Text Logger::userFolder(const char* programInfoName) {
  Text folderName, shortName;
  readNames(programInfoName, folderName, shortName);
  return FileSystem::path(CommonDirectory::UserAppSupport, folderName.c_str());
}

OwnedBuffer Logger::fullLog() {
  return ThreadedLogger::instance().fullLog();
}
