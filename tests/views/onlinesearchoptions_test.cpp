#include "support/logcapture.h"
#include "support/tempdir.h"
#include "utils/filesystem.h"
#include "views/onlinesearchoptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class OnlineSearchOptionsTest : public testing::Test {
protected:
  qmtest::TempDir dir;
  qmtest::ScopedEnv resources{"QUILLMERE_RESOURCES", (dir / "resources").string()};
  qmtest::ScopedEnv userData{"XDG_DATA_HOME", (dir / "user").string()};
  const fs::path shipped = dir / "resources" / OnlineSearchOptions::FILE_NAME;
  const fs::path user = fs::path(FileSystem::instance().userPath(OnlineSearchOptions::FILE_NAME).c_str());

  static void put(fs::path const& file, std::string const& text) {
    fs::create_directories(file.parent_path());
    qmtest::writeFile(file, text);
  }
  static std::vector<std::string> names(OnlineSearchOptions const& options) {
    std::vector<std::string> n;
    for (OnlineSearchOption const& o : options.options())
      n.push_back(o.name());
    return n;
  }
  static std::vector<std::string> loaded() {
    OnlineSearchOptions options;
    options.load();
    return names(options);
  }
};

const char* const SHIPPED =
    "[Dict]\n link = https://d/%s\n order = 1\n[Wiki]\n link = https://w/%s\n order = 2\n";
const char* const USERS = "[Mine]\n link = https://m/%s\n order = 3\n[Dict]\n link = https://d/%s\n";

} // namespace

TEST_F(OnlineSearchOptionsTest, TheUsersCopyHoldsOnlyItsOwnOptions) {
  put(shipped, SHIPPED);
  put(user, std::string(USERS) + "[Wiki]\n link = https://w2/%s\n order = 2\n");
  OnlineSearchOptions options;
  options.load();
  EXPECT_EQ(names(options), (std::vector<std::string>{"Dict", "Wiki", "Wiki", "Mine"}));
  ASSERT_TRUE(options.save());
  // The shipped options are dropped; an option whose link differs from the shipped one stays.
  EXPECT_EQ(qmtest::readFile(user), "[Wiki]\n    link = https://w2/%s\n    order = 2\n\n"
                                    "[Mine]\n    link = https://m/%s\n    order = 3\n\n");
  EXPECT_EQ(loaded(), names(options));
}

// An empty shipped copy, or one that cannot be read, must not cost the user's options at load or at save.
TEST_F(OnlineSearchOptionsTest, ABadShippedCopyKeepsTheUsersOptions) {
  const struct {
    const char* name;
    std::function<void(fs::path const&)> make;
    bool saved;
  } cases[] = {
      {"empty", [](fs::path const& p) { put(p, ""); }, true},
      {"a folder", [](fs::path const& p) { fs::create_directories(p); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir / "resources");
    c.make(shipped);
    put(user, USERS);
    qmtest::LogCapture log;
    OnlineSearchOptions options;
    options.load();
    EXPECT_EQ(names(options), (std::vector<std::string>{"Mine", "Dict"}));
    EXPECT_EQ(options.save(), c.saved);
    EXPECT_EQ(loaded(), names(options));
    if (!c.saved) {
      EXPECT_EQ(qmtest::readFile(user), USERS);
    }
  }
}

TEST_F(OnlineSearchOptionsTest, AFailedSaveIsReported) {
  put(dir / "user" / FileSystem::instance().folderName().c_str(), "a file where the user folder belongs");
  OnlineSearchOptions options;
  options.load();
  qmtest::LogCapture log;
  EXPECT_FALSE(options.save());
}

TEST_F(OnlineSearchOptionsTest, TheShippedFileListsLinkTemplates) {
  const qmtest::ScopedEnv real("QUILLMERE_RESOURCES", qmtest::resourcesDir().string());
  OnlineSearchOptions options;
  options.load();
  ASSERT_GE(options.options().size(), 3u);
  for (OnlineSearchOption const& o : options.options()) {
    const std::string link = o.linkForWord(Span("中"));
    EXPECT_TRUE(link.rfind("https://", 0) == 0 && link.find("%E4%B8%AD") != std::string::npos) << o.link();
  }
}
