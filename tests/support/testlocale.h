// Switches the process to a locale for a test's life; when the machine has none such, builds it with
// localedef into a temporary folder. Restores "C" afterwards.
#pragma once

#include "support/tempdir.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qmtest {

class TestLocale {
public:
  ~TestLocale() { std::setlocale(LC_ALL, "C"); }
  TestLocale(TestLocale const&) = delete;
  TestLocale& operator=(TestLocale const&) = delete;
  bool active() const { return m_active; }

protected:
  // language: localedef's source ("de_DE"), used in UTF-8; set: sets the process's locale to the one named
  // and answers whether it is the one wanted.
  TestLocale(const char* language, bool (*set)(const char* name)) : m_language(language), m_set(set) {
    if (tryUse()) return;
    const std::string command = "localedef -i " + m_language + " -f UTF-8 '" +
                                (m_dir.path() / (m_language + ".UTF-8")).string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return;
    // Only while it loads: the C library's newlocale, which each script run calls, leaks a copy of LOCPATH.
    const ScopedEnv path("LOCPATH", m_dir.str());
    tryUse();
  }

private:
  bool tryUse() {
    for (const char* encoding : {".UTF-8", ".utf8"})
      if (m_set((m_language + encoding).c_str())) return m_active = true;
    std::setlocale(LC_ALL, "C");
    return false;
  }

  std::string m_language;
  bool (*m_set)(const char*);
  TempDir m_dir;
  bool m_active = false;
};

// A German locale: numbers with a decimal comma.
class GermanLocale : public TestLocale {
public:
  GermanLocale()
      : TestLocale("de_DE", [](const char* name) {
          return std::setlocale(LC_ALL, name) && std::string(std::localeconv()->decimal_point) == ",";
        }) {}
};

// The locale the program runs in for a reader of Chinese: zh_CN.UTF-8, with numbers in "C". Its collation
// puts "a" before "B", which byte order does not.
class ReaderLocale : public TestLocale {
public:
  ReaderLocale()
      : TestLocale("zh_CN", [](const char* name) {
          return std::setlocale(LC_ALL, name) && std::setlocale(LC_NUMERIC, "C") &&
                 std::strcoll("a", "B") < 0;
        }) {}
};

} // namespace qmtest
