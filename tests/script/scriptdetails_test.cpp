#include "script/scriptdetails.h"

#include "support/childprocess.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

TEST(ScriptDetailsTest, ReadsTheDescriptionBlock) {
  const std::string far(2100, '-');
  const struct {
    const char* name;
    std::string content;
    std::string details;
  } cases[] = {
      {"joined with one space", "-- x\n@qel Counts words\n\tper level\nprint(1)\n", "Counts words per level"},
      {"blank continuation is a break", "@qel Counts\n \t \n  words\n", "Counts\nwords"},
      {"empty line ends the block", "@qel One\n\n two\n", "One"},
      {"unindented line ends it for good", "@qel One\nx\n two\n@qel Later\n", "One"},
      {"CR and CR LF line ends", "@qel a\r b\r\n c\r\n", "a b c"},
      {"marker without its space", "@qelx\n y\n", ""},
      {"shorter than six bytes", "@qel ", ""},
      {"marker beyond 2,048 bytes", far + "\n@qel Late\n", ""},
      {"block cut at 2,048 bytes", "@qel " + std::string(2043, 'x') + "yyy", std::string(2043, 'x')},
  };
  qmtest::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = dir / "script.lua";
    qmtest::writeFile(path, c.content);
    ScriptDetails details(path.c_str());
    EXPECT_TRUE(details.valid());
    EXPECT_EQ(std::string(details.details()), c.details);
  }
}

TEST(ScriptDetailsTest, MissingEmptyFolderAndPipePaths) {
  qmtest::TempDir dir;
  const std::string missing = (dir / "missing.lua").string();
  const struct {
    const char* path;
    bool valid;
  } cases[] = {{nullptr, false}, {"", false}, {missing.c_str(), false}, {dir.path().c_str(), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path ? c.path : "null");
    ScriptDetails details(c.path);
    EXPECT_EQ(details.valid(), c.valid);
    EXPECT_STREQ(details.details(), "");
  }
  // A pipe chosen as the script gives no details, without waiting for a writer.
  const std::string pipe = (dir / "pipe.lua").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  qmtest::expectInChild([&] { return *ScriptDetails(pipe.c_str()).details() ? "details of a pipe" : ""; });
}

TEST(ScriptDetailsTest, ReadsTheFileAgainAtEachCall) {
  qmtest::TempDir dir;
  const auto path = dir / "script.lua";
  qmtest::writeFile(path, "@qel First\n");
  ScriptDetails details(path.c_str());
  EXPECT_STREQ(details.details(), "First");
  qmtest::writeFile(path, "@qel Second\n");
  EXPECT_STREQ(details.details(), "Second");
}
