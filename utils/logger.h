// The start-up of logging. The entry point creates one Logger first: it reads the names it needs from the
// program-information file (unverified: verification comes later), opens the per-process log file, which has
// no folder entry while the program runs, installs the ThreadedLogger as the log function and enables the
// keys. Failures leave the program without a log file and change nothing else.
#pragma once

#include "utils/ownedbuffer.h"
#include "utils/text.h"

namespace Log {
// Installs fn (the silent default when null) as the log function, then, when keyFile is not null, enables
// every key it lists: one a line, "#" starting a comment line, LF or CR LF line ends; a line longer than 79
// bytes is read as several keys. A key file that cannot be read logs "Log::initialise - Error opening log key
// file\n" through the installed function; keys read before the failure stay.
void initialise(const char* keyFile, void (*fn)(const char*));
} // namespace Log

class Logger {
public:
  // programInfoName: the program-information file's name, looked up in the resources, then the base folder.
  explicit Logger(const char* programInfoName);
  // Silences the log and stops the writer (writing what is queued).
  ~Logger();
  Logger(Logger const&) = delete;
  Logger& operator=(Logger const&) = delete;

  // The log file's path: the user folder that "folderName" names, "logs/", "shortName", "-", the process id
  // and
  // ".log". A missing file or name, or one that is not a single plain name component, gives the defaults
  // "OrvaneSoftware" and "zun".
  static Text logFilePath(const char* programInfoName);
  // The user folder that "folderName" names (the same default), before the file is verified.
  static Text userFolder(const char* programInfoName);

  // The whole log so far, read back from the open file (the only way to read it).
  static OwnedBuffer fullLog();
};
