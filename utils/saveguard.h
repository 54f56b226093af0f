// The read of a file that the program writes back later (settings, recent files, search history). A file
// that exists but cannot be read (another program holds it, it is a folder, the disk fails) is kept as it
// is: the run goes on with defaults, and the save leaves the file alone instead of replacing what the reader
// had with less. Main thread only.
#pragma once

#include "utils/exception.h"
#include "utils/text.h"

#include <functional>

class SaveGuard {
public:
  enum Result { Read, Absent, Unreadable };

  // Runs read unless path does not exist, and catches our errors. A missing path, or an empty file that read
  // refused, is Absent, and nothing is logged; any other failure is logged under "WARN", naming what was
  // read and the path, and is Unreadable.
  static Result read(const char* path, const char* what, std::function<void()> const& read);
  // As read, for the file that a later save replaces; remembers the result for maySave.
  Result load(const char* path, const char* what, std::function<void()> const& read);
  // As load, for a caller with log texts of its own: read runs also when path is missing (that failure is
  // one to tell too), and every error it throws goes to report in place of the entries above.
  Result load(const char* path, const char* what, std::function<void()> const& read,
              std::function<void(zun::exception const&)> const& report);
  // False when the last load found the file unreadable: the save must leave it as it is (logged under
  // "WARN").
  bool maySave() const;

private:
  Result remember(const char* path, const char* what, Result result);

  Text m_path;
  const char* m_what = "";
  bool m_unreadable = false;
};
