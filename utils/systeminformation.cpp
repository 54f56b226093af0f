#include "utils/systeminformation.h"

#include "utils/log.h"
#include "utils/textbuffer.h"

#include <sys/utsname.h>

#include <thread>

Text SystemInformation::getOSVersionString() {
  TextBuffer<512> text;
  text.append(osShortVersion());
  text.append(" - ");
  struct utsname name;
  if (uname(&name) == 0)
    text.append(name.release);
  else
    text.append("unknown");
  return Text(text.span());
}

const char* SystemInformation::bitness() {
  return sizeof(void*) == 8 ? "64-bit" : "32-bit";
}

void SystemInformation::log() {
  Log::print("LOG", "%s\n", getOSVersionString().c_str());
  Log::print("LOG", "#Processors: %d\n", int(std::thread::hardware_concurrency()));
}
