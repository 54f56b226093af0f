#include "utils/exception.h"

#include "utils/log.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string logged;
void capture(const char* text) {
  logged += text;
}

class Thrower {
public:
  ZUN_ERROR(broken);
  static constexpr int throwLine = __LINE__ + 1;
  void explode() { ZUN_THROW(Thrower::broken); }
};
} // namespace

TEST(ExceptionTest, CarriesNameFunctionFileAndLine) {
  try {
    Thrower().explode();
    FAIL() << "no throw";
  } catch (zun::exception const& e) {
    EXPECT_STREQ(e.name, "Thrower::broken");
    EXPECT_STREQ(e.what(), "Thrower::broken");
    EXPECT_STREQ(e.function, "explode");
    EXPECT_STREQ(e.file, "tests/utils/exception_test.cpp"); // below the source root
    EXPECT_EQ(e.line, Thrower::throwLine);
  }
  EXPECT_THROW(Thrower().explode(), Thrower::broken);
  EXPECT_THROW(Thrower().explode(), std::exception);
}

TEST(ExceptionTest, CaughtEntryFormat) {
  logged.clear();
  Log::addKey("WARN");
  Log::setLogFn(&capture);
  int caughtLine = 0;
  try {
    Thrower().explode();
  } catch (zun::exception const& e) {
    caughtLine = __LINE__ + 1;
    ZUN_LOG_CAUGHT("WARN", "Error opening file: ", e);
  }
  Log::shutdown();
  EXPECT_EQ(logged, "Error opening file: Thrower::broken\n\tCaught at:\n\ttests/utils/exception_test.cpp(" +
                        std::to_string(caughtLine) +
                        "):\n\t\tThrown from:\n\t\ttests/utils/exception_test.cpp(" +
                        std::to_string(Thrower::throwLine) + "): explode\n");
  // A key that is not enabled writes nothing.
  logged.clear();
  Log::setLogFn(&capture);
  ZUN_LOG_CAUGHT("ERR", nullptr, Thrower::broken("n", "f", "file", 1));
  Log::shutdown();
  EXPECT_EQ(logged, "");
}
