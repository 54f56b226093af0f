// Hands a link (web address or file URL) to the desktop's default handler. The engine knows no desktop: the
// user interface installs the opener at start-up (tests install one that records the link).
#pragma once

class Link {
public:
  // Returns whether a handler took the link.
  using Opener = bool (*)(const char* link);

  // Null removes the opener.
  static void setOpener(Opener opener);
  // Whether a handler took the link: false without an opener or for a null link.
  static bool open(const char* link);
};
