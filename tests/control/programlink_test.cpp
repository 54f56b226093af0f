// Links leave the program only to the web, to e-mail, and to files of the program's own.
#include "control/programlink.h"

#include "support/tempdir.h"
#include "utils/filesystem.h"
#include "utils/link.h"

#include <gtest/gtest.h>

#include <string>

TEST(ProgramLinkTest, OnlyWebMailAndTheProgramsOwnFilesGoOut) {
  const std::string resources = FileSystem::path(CommonDirectory::Resources).c_str();
  const std::string own = "file://" + resources + "/data/online-search";
  const struct {
    std::string link;
    bool allowed;
  } cases[] = {
      {"https://example.org/%E4%B8%AD", true},
      {"HTTP://example.org/", true},
      {"mailto:?to=&subject=x", true},
      {own, true},
      {"file://" + resources + "/data/words%2Eu8", true},
      {"file://" + resources + "/../../../etc/passwd", false}, // out of the folder again
      {"file:///etc/passwd", false},
      {"file://server/share/x", false},
      {"file://" + resources + "/x%zz", false},
      {"javascript:alert(1)", false},
      {"smb://server/share", false},
      {"/etc/passwd", false},
      {"", false},
  };
  static std::string opened;
  Link::setOpener([](const char* link) {
    opened = link;
    return true;
  });
  for (auto const& c : cases) {
    SCOPED_TRACE(c.link);
    opened.clear();
    EXPECT_EQ(ProgramLink::allowed(c.link.c_str()), c.allowed);
    EXPECT_EQ(ProgramLink::open(c.link.c_str()), c.allowed);
    EXPECT_EQ(opened, c.allowed ? c.link : "");
  }
  EXPECT_FALSE(ProgramLink::open(nullptr));
  EXPECT_TRUE(ProgramLink::openFile((resources + "/data/online-search").c_str()));
  EXPECT_EQ(opened, own);
  Link::setOpener(nullptr);
}
