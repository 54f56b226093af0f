// Sets up the process's locale for a test's life as the program does for a reader of Chinese: zh_CN.UTF-8,
// with numbers in "C". When the machine has no such locale, builds it with localedef into a temporary
// folder. Restores "C" afterwards.
#pragma once

#include "support/tempdir.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qmtest {

class ReaderLocale {
public:
  ReaderLocale() {
    if (tryUse()) return;
    const std::string command =
        "localedef -i zh_CN -f UTF-8 '" + (m_dir.path() / "zh_CN.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return;
    // Only while it loads: the C library's newlocale, which each script run calls, leaks a copy of LOCPATH.
    const ScopedEnv path("LOCPATH", m_dir.str());
    tryUse();
  }
  ~ReaderLocale() { std::setlocale(LC_ALL, "C"); }
  ReaderLocale(ReaderLocale const&) = delete;
  ReaderLocale& operator=(ReaderLocale const&) = delete;
  bool active() const { return m_active; }

private:
  // The reader's collation puts "a" before "B", which byte order does not.
  bool tryUse() {
    for (const char* name : {"zh_CN.UTF-8", "zh_CN.utf8"})
      if (std::setlocale(LC_ALL, name) && std::setlocale(LC_NUMERIC, "C") && std::strcoll("a", "B") < 0)
        return m_active = true;
    std::setlocale(LC_ALL, "C");
    return false;
  }
  TempDir m_dir;
  bool m_active = false;
};

} // namespace qmtest
