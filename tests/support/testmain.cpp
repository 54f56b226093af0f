// Every test binary runs with HOME, XDG_DATA_HOME and TMPDIR inside a folder of its own, removed at the end.
#include "support/testenvironment.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  const qmtest::TestEnvironment environment;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
