#include "control/newversionprompt.h"

#include "control/programlink.h"
#include "utils/version.h"
#include "views/messagebox.h"

#include <strings.h>

namespace {

// The link comes from the network: anything but a web address (a file, a program's scheme) is not opened.
bool isWebLink(const char* link) {
  return strncasecmp(link, "https://", 8) == 0 || strncasecmp(link, "http://", 7) == 0;
}

} // namespace

NewVersionPrompt::NewVersionPrompt(const char* ownVersion) : ownVersion(ownVersion) {}

bool NewVersionPrompt::offers(const char* ownVersion, const char* version, const char* downloadLink,
                              bool emptyVersion) {
  if (!version || emptyVersion || !downloadLink || !isWebLink(downloadLink)) return false;
  return Version(version) > Version(ownVersion);
}

void NewVersionPrompt::versionCheck(const char* version, const char* downloadLink, bool emptyVersion) {
  if (!offers(ownVersion.c_str(), version, downloadLink, emptyVersion)) return;
  MessageBox box(2, MessageBox::Question);
  box.setMessage("New version");
  box.setInformation("Version %s is now available.\n\nWould you like to download it now?", version);
  if (box.show() == MessageBox::Yes) ProgramLink::openOrTell(downloadLink);
}
