// Searches an ordered list of base folders for a relative file name: shipped data is found in the
// resources first and the user's copy last; next() goes on to the further copies.
#pragma once

#include "utils/filesystem.h"

#include <memory>

class FileFinder {
public:
  FileFinder();
  ~FileFinder();

  // Adds the folder of type (joined with sub); a folder already in the list keeps its first place.
  void add(CommonDirectory::Type type);
  void add(CommonDirectory::Type type, const char* sub);
  // Adds dir, a "/" unless dir is empty or ends with a slash, then sub. A folder longer than 4,096 bytes
  // is logged and left out, never cut.
  void add(const char* dir, const char* sub);

  // Starts a new search and returns the first match, as next() does.
  const char* find(const char* name);
  // The next base holding the name (base followed directly by the name), or null when the name is empty or
  // no base is left. The text stays valid until the next find or next.
  const char* next();

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
