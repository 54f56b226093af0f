// What the program does with the version check's answer: when the published version is newer than its own
// and a web link to download it was given, it asks the reader "New version" and, on Yes, opens the link.
// An equal or older version, no link, or a link that is not http or https shows nothing. Main thread only.
#pragma once

#include "control/versionchecker.h"
#include "utils/text.h"

class NewVersionPrompt : public VersionChecker::Listener {
public:
  // ownVersion: the program's display version.
  explicit NewVersionPrompt(const char* ownVersion);

  void versionCheck(const char* version, const char* downloadLink, bool emptyVersion) override;

  // Whether the answer is worth the question.
  static bool offers(const char* ownVersion, const char* version, const char* downloadLink,
                     bool emptyVersion);

private:
  Text ownVersion;
};
