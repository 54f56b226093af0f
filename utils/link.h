// Hands a link (web address or file URL) to the desktop's default handler. The engine knows no desktop: the
// user interface installs the opener at start-up (tests install one that records the link).
#pragma once

class Link {
public:
  using Opener = void (*)(const char* link);

  // Null removes the opener.
  static void setOpener(Opener opener);
  // No result: without an opener, or for a null link, nothing happens.
  static void open(const char* link);
};
