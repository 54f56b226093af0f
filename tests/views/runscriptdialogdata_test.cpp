// The run-script dialog's settings: the example scripts a fresh user starts with, the round trip through
// "data/script-config", and a failed save that leaves the old files whole.
#include "views/runscriptdialogdata.h"

#include "support/resourcelimits.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const char* const FOLDER = "data/script-config";

std::vector<std::string> recent(RunScriptDialogData const& data) {
  std::vector<std::string> paths;
  for (size_t i = 0; i < data.recentScripts.totalFiles(); ++i)
    paths.emplace_back(data.recentScripts[i]);
  return paths;
}

class RunScriptDialogDataTest : public testing::Test {
protected:
  qmtest::TempDir dir;
  qmtest::ScopedEnv data{"XDG_DATA_HOME", (dir / "xdg").string()};
  qmtest::ScopedEnv resources{"QUILLMERE_RESOURCES", (dir / "resources").string()};
  std::filesystem::path config = dir / "xdg" / "OrvaneSoftware" / "data" / "script-config";
};

// Without settings the examples are listed in name order, whatever order the folder walk finds them in.
TEST_F(RunScriptDialogDataTest, AFreshUserGetsTheExampleScriptsInNameOrder) {
  const auto scripts = dir / "resources" / "scripts";
  std::filesystem::create_directories(scripts / "more");
  for (const char* name : {"m.lua", "b.lua", "more/c.lua", "z.lua", "a.lua", "notes.txt", "more/d.luac"})
    qmtest::writeFile(scripts / name, "print(1)\n");
  RunScriptDialogData loaded;
  loaded.saveToClipboard = false;
  loaded.load(FOLDER);
  EXPECT_EQ(recent(loaded),
            (std::vector<std::string>{(scripts / "a.lua").string(), (scripts / "b.lua").string(),
                                      (scripts / "m.lua").string(), (scripts / "more/c.lua").string(),
                                      (scripts / "z.lua").string()}));
  EXPECT_FALSE(loaded.saveToClipboard) << "no config file: the choice stays";
}

// Saved settings come back; a save that fails half-way (the disk fills up) leaves them as they were.
TEST_F(RunScriptDialogDataTest, SavedSettingsComeBackAndAFailedSaveKeepsTheOldList) {
  RunScriptDialogData first;
  for (const char* name : {"one.lua", "two.lua"}) {
    qmtest::writeFile(dir / name, "");
    first.recentScripts.addFile((dir / name).c_str(), 0);
  }
  first.saveToClipboard = false;
  ASSERT_TRUE(first.save(FOLDER));
  EXPECT_EQ(qmtest::readFile(config / "config"), "[Dialog]\n    saveToClipboard = false\n\n");
  RunScriptDialogData loaded;
  loaded.load(FOLDER);
  EXPECT_EQ(recent(loaded), recent(first));
  EXPECT_FALSE(loaded.saveToClipboard);
  const std::string before = qmtest::readFile(config / "recent-scripts.txt");

  RunScriptDialogData second;
  for (int i = 0; i < 10; ++i) {
    const auto path = dir / (std::string(200, 'x') + std::to_string(i) + ".lua");
    qmtest::writeFile(path, "");
    second.recentScripts.addFile(path.c_str(), 0);
  }
  EXPECT_EQ(qmtest::withFileSizeLimit(512, [&] { return second.save(FOLDER); }), std::optional<bool>(false));
  EXPECT_EQ(qmtest::readFile(config / "recent-scripts.txt"), before);
}

} // namespace
