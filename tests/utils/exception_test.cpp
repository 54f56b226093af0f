#include "utils/exception.h"

#include "support/logcapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {
class Thrower {
public:
  ZUN_ERROR(broken);
  static constexpr int throwLine = __LINE__ + 1;
  void explode() { ZUN_THROW(Thrower::broken); }
};
} // namespace

// An error names itself, its function, and its file (below the source root) and line; a caught one is logged
// with where it was thrown and caught, under an enabled key only.
TEST(ExceptionTest, CarriesNameFunctionFileAndLine) {
  qmtest::LogCapture log({"WARN"});
  int caughtLine = 0;
  try {
    Thrower().explode();
    FAIL() << "no throw";
  } catch (zun::exception const& e) {
    EXPECT_STREQ(e.name, "Thrower::broken");
    EXPECT_STREQ(e.what(), "Thrower::broken");
    EXPECT_STREQ(e.function, "explode");
    EXPECT_STREQ(e.file, "tests/utils/exception_test.cpp");
    EXPECT_EQ(e.line, Thrower::throwLine);
    caughtLine = __LINE__ + 1;
    ZUN_LOG_CAUGHT("WARN", "Error opening file: ", e);
    ZUN_LOG_CAUGHT("ERR", nullptr, e);
  }
  EXPECT_THROW(Thrower().explode(), std::exception);
  const std::string text = log.all();
  EXPECT_EQ(text.rfind("Error opening file: Thrower::broken\n", 0), 0u) << text;
  for (int line : {caughtLine, Thrower::throwLine})
    EXPECT_NE(text.find("tests/utils/exception_test.cpp(" + std::to_string(line) + ")"), std::string::npos)
        << text;
  EXPECT_EQ(log.lines().size(), 1u) << "nothing under a key that is not enabled";
}
