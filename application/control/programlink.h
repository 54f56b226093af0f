// The one way the program hands a link to the desktop: only web addresses (http, https), e-mail links
// (mailto) and files of the program's own (below its resources or base folder) go out. Anything else, such
// as a scheme that starts another program or a file elsewhere, is refused and logged under "WARN": the
// links are built from online-search templates and other text the program did not write. Main thread.
#pragma once

class ProgramLink {
public:
  ProgramLink() = delete;

  // Whether the link may be opened.
  static bool allowed(const char* link);
  // Opens an allowed link; returns whether a handler took it (false, logged, for a refused one).
  static bool open(const char* link);
  // As open, and when no program takes an allowed link the reader is told in a box naming it, so that they
  // can open it by hand (a desktop without a browser or mail program says nothing itself).
  static bool openOrTell(const char* link);
  // Opens a file of the program's own by its path, as a file link.
  static bool openFile(const char* path);
  // The box of a link or file that no program took: message, then "No program could open <what>:" and name.
  static void tellNotOpened(const char* message, const char* what, const char* name);
};
