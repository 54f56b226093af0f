#include "utils/platform/posix/file.h"
#include "utils/platform/posix/filehandle.h"

#include "support/childprocess.h"
#include "support/logcapture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// Every opener of the program's reading takes regular files only, and no file holds it at its opening: a
// pipe without a writer, or a device, is refused at once and named in the log, and the handle's error entry
// gives errno in the system's own words. The table runs in a child that an alarm ends, should an open wait
// after all.
TEST(FileHandleTest, ReadersTakeOnlyRegularFilesAndNeverWait) {
  qmtest::TempDir dir;
  qmtest::writeFile(dir / "file", "words\n");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  fs::create_symlink(dir / "pipe", dir / "link");
  const struct {
    const char* name;
    std::string path;
    int error;          // 0: read
    const char* logged; // what the log calls it, for a file refused by its kind
  } cases[] = {
      {"a regular file", (dir / "file").string(), 0, nullptr},
      {"a file of /proc", "/proc/self/status", 0, nullptr},
      {"a pipe", (dir / "pipe").string(), ENODEV, "a pipe (FIFO)"},
      {"a link to a pipe", (dir / "link").string(), ENODEV, "a pipe (FIFO)"},
      {"a device", "/dev/zero", ENODEV, "a device"},
      {"a folder", dir.str(), EISDIR, nullptr},
      {"a missing file", (dir / "none").string(), ENOENT, nullptr},
  };
  qmtest::expectInChild([&] {
    std::string problems;
    for (auto const& c : cases) {
      const std::string row = std::string(c.name) + ": ";
      qmtest::LogCapture log;
      const int fd = FileHandle::openForReading(c.path.c_str());
      const int error = fd < 0 ? errno : 0;
      if (error != c.error) problems += row + "errno " + std::to_string(error) + "\n";
      if (fd >= 0 && (::fcntl(fd, F_GETFL) & O_NONBLOCK)) problems += row + "left non-blocking\n";
      if (fd >= 0) ::close(fd);
      std::string text;
      try {
        FileHandle(c.path.c_str()).readAll(text);
        File line(c.path.c_str());
        if (c.error) problems += row + "opened\n";
        if (text.empty()) problems += row + "nothing read\n";
      } catch (zun::exception const&) {
        if (!c.error) problems += row + "refused\n";
      }
      const std::string entry = "Error opening file: " + c.path +
                                "\n\tLast error: " + std::to_string(c.error) + "\n\t" +
                                std::strerror(c.error) + "\n";
      if (c.error && log.all().find(entry) == std::string::npos) problems += row + "entry:\n" + log.all();
      const std::string named = c.logged ? "Not reading '" + c.path + "': it is " + c.logged : "Not reading";
      if ((log.all().find(named) != std::string::npos) != (c.logged != nullptr))
        problems += row + "log:\n" + log.all();
    }
    return problems;
  });
}
