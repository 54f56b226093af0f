// The base of every error the system throws. Each error type is nested in the class that throws it and adds
// nothing; the catching layer logs one entry (logCaught) and carries on with a default.
#pragma once

#include <exception>

namespace zun {

class exception : public std::exception {
public:
  exception(const char* name, const char* function, const char* file, int line)
      : name(name), function(function), file(file), line(line) {}
  const char* what() const noexcept override { return name; }

  const char* name;     // the qualified type name, e.g. "FileWriter::open_error"
  const char* function; // the throwing function
  const char* file;     // the throw site's source file, below the source root
  int line;
};

// Writes the entry for a caught exception under key: the catcher's prefix, the error's name, where it was
// caught and where it was thrown.
void logCaught(const char* key, const char* prefix, const exception& e, const char* file, int line);

} // namespace zun

// Declares an error type inside the class that throws it.
#define ZUN_ERROR(Name)                                                                                      \
  struct Name : ::zun::exception {                                                                           \
    using ::zun::exception::exception;                                                                       \
  }

// Throws Type, naming it by the text the throw site writes (e.g. ZUN_THROW(FileWriter::open_error)).
#define ZUN_THROW(Type) throw Type(#Type, __func__, __FILE__, __LINE__)

#define ZUN_LOG_CAUGHT(key, prefix, e) ::zun::logCaught(key, prefix, e, __FILE__, __LINE__)
