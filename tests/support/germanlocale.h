// Switches the process to a German locale (decimal comma) for a test's life; when the machine has none,
// builds one with localedef into a temporary folder. Restores "C" afterwards.
#pragma once

#include "support/tempdir.h"

#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>

namespace qmtest {

class GermanLocale {
public:
  GermanLocale() {
    if (tryUse()) return;
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (m_dir.path() / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return;
    m_env = std::make_unique<ScopedEnv>("LOCPATH", m_dir.str());
    tryUse();
  }
  ~GermanLocale() { std::setlocale(LC_ALL, "C"); }
  GermanLocale(GermanLocale const&) = delete;
  GermanLocale& operator=(GermanLocale const&) = delete;
  bool active() const { return m_active; }

private:
  bool tryUse() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"})
      if (std::setlocale(LC_ALL, name) && std::string(std::localeconv()->decimal_point) == ",")
        return m_active = true;
    return false;
  }
  TempDir m_dir;
  std::unique_ptr<ScopedEnv> m_env;
  bool m_active = false;
};

} // namespace qmtest
