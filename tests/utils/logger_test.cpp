#include "utils/logger.h"

#include "utils/log.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string>& seen() {
  static std::vector<std::string> s;
  return s;
}
void collect(const char* text) {
  seen().push_back(text);
}

class LogInitialiseTest : public testing::Test {
protected:
  void SetUp() override { seen().clear(); }
  void TearDown() override { Log::shutdown(); }
  qmtest::TempDir dir;
};

} // namespace

TEST_F(LogInitialiseTest, KeyFileEnablesItsKeys) {
  const std::string long79(79, 'a');
  const struct {
    const char* name;
    std::string file;
    std::vector<const char*> enabled, disabled;
  } cases[] = {
      {"comment, key and empty line", "#LOG\nWarn\n\n", {"Warn", ""}, {"#LOG", "LOG"}},
      {"CR LF line ends", "Warn\r\nERR\r\n", {"Warn", "ERR"}, {"Warn\r", "ERR\r"}},
      {"no final line feed", "Warn", {"Warn"}, {}},
      {"a line longer than 79 bytes is read in pieces", long79 + "bc\n", {long79.c_str(), "bc"}, {}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    Log::shutdown();
    qmtest::writeFile(dir / "logkeys.txt", c.file);
    Log::initialise((dir / "logkeys.txt").c_str(), &collect);
    for (const char* key : c.enabled)
      EXPECT_TRUE(Log::isEnabled(key)) << key;
    for (const char* key : c.disabled)
      EXPECT_FALSE(Log::isEnabled(key)) << key;
    EXPECT_TRUE(seen().empty());
  }
}

TEST_F(LogInitialiseTest, UnreadableKeyFileIsReportedThroughTheNewFunction) {
  std::filesystem::create_directory(dir / "folder");
  for (auto const& path : {dir / "missing.txt", dir / "folder"}) {
    SCOPED_TRACE(path.string());
    seen().clear();
    Log::initialise(path.c_str(), &collect); // a folder opens but cannot be read: must not loop for ever
    ASSERT_EQ(seen().size(), 1u);
    EXPECT_EQ(seen()[0], "Log::initialise - Error opening log key file\n");
    EXPECT_EQ(Log::logFn(), &collect);
  }
}

TEST(LoggerTest, LogFileIsNamedFromTheProgramInformation) {
  qmtest::TempDir dir;
  std::filesystem::create_directories(dir / "data");
  qmtest::ScopedEnv resources("QUILLMERE_RESOURCES", dir.str());
  qmtest::ScopedEnv data("XDG_DATA_HOME", (dir / "xdg").string());
  const std::string pid = std::to_string(getpid()), fallback = "/xdg/OrvaneSoftware/logs/zun-" + pid + ".log";
  const struct {
    const char* name;
    const char* file; // null: no file
    std::string path;
  } cases[] = {
      {"names given", "folderName = Mine\nshortName = qq\n", "/xdg/Mine/logs/qq-" + pid + ".log"},
      {"no file", nullptr, fallback},
      {"names missing", "displayName = X\n", fallback},
      // The file is not verified yet: its names must not lead out of the user folder.
      {"names that climb", "folderName = ..\nshortName = ../../x\n", fallback},
      {"names with a folder", "folderName = a/b\nshortName = c\\d\n", fallback},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir / "data" / "program.properties");
    if (c.file) qmtest::writeFile(dir / "data" / "program.properties", c.file);
    EXPECT_EQ(std::string(Logger::logFilePath("data/program.properties").c_str()), dir.str() + c.path);
  }
}

// The whole start-up in a process of its own, as the program does it once: names from the
// program-information file, the log file in the user folder without a folder entry, the key file of the base
// folder (the current directory at the file system's first use, so the test must not share its process).
TEST(LoggerTest, StartUpOpensTheLogAndEnablesKeys) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  qmtest::TempDir dir;
  const auto resources = dir / "resources", base = dir / "base", data = dir / "xdg";
  std::filesystem::create_directories(resources / "data");
  std::filesystem::create_directories(base);
  qmtest::writeFile(resources / "data" / "program.properties",
                    "folderName = TestFolder\nshortName = qq\n-\nnot a signature\n");
  qmtest::writeFile(base / "logkeys.txt", "Warn\r\n");
  qmtest::ScopedEnv resourcesEnv("QUILLMERE_RESOURCES", resources.string());
  qmtest::ScopedEnv dataEnv("XDG_DATA_HOME", data.string());
  const auto check = [](bool ok, const char* what) {
    if (!ok) std::fprintf(stderr, "failed: %s\n", what);
    return ok;
  };
  EXPECT_EXIT(
      {
        bool ok = check(chdir(base.c_str()) == 0, "chdir");
        {
          Logger logger("data/program.properties");
          for (const char* key : {"LOG", "ERR", "WARN", "Warn"})
            ok = check(Log::isEnabled(key), key) && ok;
          ok = check(std::filesystem::is_directory(data / "TestFolder" / "logs"), "log folder") && ok;
          ok = check(std::filesystem::is_empty(data / "TestFolder" / "logs"), "no folder entry") && ok;
          Log::print("LOG", "hello %d\n", 42);
          Log::print("Other", "filtered\n");
          std::string log;
          for (int i = 0; i < 1000 && log.size() < 9; ++i) {
            const OwnedBuffer b = Logger::fullLog();
            log = b.data ? std::string(b.data, b.size) : "";
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
          ok = check(log == "hello 42\n", log.c_str()) && ok;
        }
        ok = check(!Log::isEnabled("LOG"), "the logger's end silences the log") && ok;
        Log::print("LOG", "after the end\n"); // harmless
        std::_Exit(ok ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
