// The desktop's list of recently used documents, the one that file managers and file dialogs show under
// "Recent": the XBEL bookmark file $XDG_DATA_HOME/recently-used.xbel (else ~/.local/share), shared with
// every other program of the desktop. Adding a file rewrites the store through a temporary file beside it:
// the other programs' bookmarks, and whatever else the file holds, read back as they were; a file already
// listed gets its times and this program's use count updated. A store that exists but cannot be read or
// parsed is left as it is. GUI thread only.
#pragma once

#include "utils/exception.h"
#include "utils/text.h"

#include <QDateTime>

#include <string>

class RecentDocuments {
public:
  // The store is not XBEL that this class can rewrite without loss (not well-formed, not an xbel root).
  ZUN_ERROR(parse_error);

  // How a bookmark names the program that used the file.
  struct Program {
    std::string name; // as the desktop shows it
    std::string exec; // the command line that opens the file again, %f standing for its path
  };

  RecentDocuments() = delete;

  // This program: the program information's display name, started as the installed desktop entry does.
  static Program program();
  // $XDG_DATA_HOME/recently-used.xbel, read from the environment on every call.
  static Text storePath();

  // Adds path (absolute, in the bytes that name it on disk) to the desktop's store as used now by this
  // program. Never throws; see the overload.
  static bool add(const char* path);
  // Adds path to store as used by program at when. Only a path that names an existing file (not a folder)
  // and that a file URI can name is added. A store that exists but cannot be read or parsed is left as it
  // is (logged under "WARN"); one that cannot be written is unchanged (logged under "ERR"). True when the
  // store now lists the file.
  static bool add(const char* store, const char* path, Program const& program, QDateTime const& when);
};
