#include "utils/exception.h"

#include "utils/log.h"

namespace zun {

void logCaught(const char* key, const char* prefix, const exception& e, const char* file, int line) {
  Log::print(key, "%s%s\n\tCaught at:\n\t%s(%d):\n\t\tThrown from:\n\t\t%s(%d): %s\n", prefix ? prefix : "",
             e.name ? e.name : "", file, line, e.file ? e.file : "", e.line, e.function ? e.function : "");
}

} // namespace zun
