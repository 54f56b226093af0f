// The main of the Qt test binaries: the test environment of every binary, Qt offscreen with its runtime
// folder inside it, the program's GuiApplication, and links caught before they reach the desktop.
#include "desktop-ui/guiapplication.h"
#include "support/linksink.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

int main(int argc, char** argv) {
  const qmtest::TestEnvironment environment;
  const std::filesystem::path runtime = environment.root() / "runtime";
  ::mkdir(runtime.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  testing::InitGoogleTest(&argc, argv);
  GuiApplication app(argc, argv);
  qmtest::LinkSink::install();
  return RUN_ALL_TESTS();
}
