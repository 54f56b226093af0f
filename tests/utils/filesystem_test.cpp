#include "utils/atomicfilesaver.h"
#include "utils/filedeleter.h"
#include "utils/filesystem.h"
#include "utils/platform/posix/filewriter.h"

#include "support/childprocess.h"
#include "support/logcapture.h"
#include "support/resourcelimits.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {
FileSystem& fileSystem() {
  return FileSystem::instance();
}
} // namespace

TEST(FileSystemTest, FolderKindsComeFromTheEnvironment) {
  qmtest::TempDir dir;
  qmtest::ScopedEnv data("XDG_DATA_HOME", dir.str() + "/data/");
  qmtest::ScopedEnv resources("QUILLMERE_RESOURCES", dir.str() + "/res");
  qmtest::ScopedEnv tmp("TMPDIR", dir.str() + "/tmp");
  qmtest::ScopedEnv home("HOME", dir.str() + "/home");
  qmtest::ScopedEnv shared("XDG_DATA_DIRS", dir.str() + "/local:/usr/share");
  const struct {
    CommonDirectory::Type type;
    std::string folder;
  } cases[] = {
      {CommonDirectory::UserAppSupport, dir.str() + "/data"}, // a trailing slash is dropped
      {CommonDirectory::Resources, dir.str() + "/res"},
      {CommonDirectory::Temp, dir.str() + "/tmp"},
      {CommonDirectory::Home, dir.str() + "/home"},
      {CommonDirectory::LocalAppSupport, dir.str() + "/local"},
      {CommonDirectory::Current, fs::current_path().string()},
      {CommonDirectory::Base, fs::current_path().string()},
      {CommonDirectory::Type(42), fs::current_path().string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.type));
    EXPECT_EQ(FileSystem::path(c.type).view(), c.folder);
    EXPECT_EQ(FileSystem::path(c.type, "F", "logs\\x.log").view(), c.folder + "/F/logs/x.log");
  }
  EXPECT_FALSE(fs::exists(dir / "data")); // naming a folder creates nothing
}

// The base-directory rules: a relative or empty value counts as unset, so that no folder of the reader's
// depends on the working directory the program was started from.
TEST(FileSystemTest, RelativeOrEmptyBaseDirectoriesCountAsUnset) {
  qmtest::TempDir dir;
  qmtest::ScopedEnv home("HOME", dir.str() + "/home");
  const struct {
    const char* variable;
    std::string value;
    std::string named; // by baseDirectory
    CommonDirectory::Type type;
    std::string folder; // of type
  } cases[] = {
      {"XDG_DATA_HOME", dir.str() + "/data", dir.str() + "/data", CommonDirectory::UserAppSupport,
       dir.str() + "/data"},
      {"XDG_DATA_HOME", "data", "", CommonDirectory::UserAppSupport, dir.str() + "/home/.local/share"},
      {"XDG_DATA_HOME", "./data", "", CommonDirectory::UserAppSupport, dir.str() + "/home/.local/share"},
      {"XDG_DATA_HOME", "", "", CommonDirectory::UserAppSupport, dir.str() + "/home/.local/share"},
      {"XDG_DATA_DIRS", "local:" + dir.str() + "/shared:/usr/share", "", CommonDirectory::LocalAppSupport,
       dir.str() + "/shared"},
      {"XDG_DATA_DIRS", "local:share", "", CommonDirectory::LocalAppSupport, "/usr/local/share"},
      {"XDG_CONFIG_HOME", "config", "", CommonDirectory::Home, dir.str() + "/home"},
      {"XDG_RUNTIME_DIR", "run/user", "", CommonDirectory::Home, dir.str() + "/home"},
      {"XDG_RUNTIME_DIR", "/run/user/7", "/run/user/7", CommonDirectory::Home, dir.str() + "/home"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.variable) + "=" + c.value);
    qmtest::ScopedEnv variable(c.variable, c.value);
    EXPECT_EQ(FileSystem::baseDirectory(c.variable).view(), c.named);
    EXPECT_EQ(FileSystem::path(c.type).view(), c.folder);
  }
}

TEST(FileSystemTest, DeletePathRefusesAnythingOutsideItsBase) {
  qmtest::TempDir dir;
  qmtest::ScopedEnv data("XDG_DATA_HOME", dir.str() + "/root");
  fs::create_directories(dir / "root/keep/inner");
  fs::create_directories(dir / "outside");
  fs::create_directory_symlink(dir / "outside", dir / "root/link");
  qmtest::writeFile(dir / "root/.hidden", "h");
  const char* refused[] = {".hidden", "/",    "",   nullptr, "../outside", "keep/../../outside",
                           "keep/..", "/tmp", "\\", "link",  "link/x",     "keep/./..",
                           "./keep"};
  for (const char* sub : refused) {
    SCOPED_TRACE(sub ? sub : "null");
    EXPECT_FALSE(fileSystem().privateDeletePath(CommonDirectory::UserAppSupport, sub));
  }
  EXPECT_TRUE(fs::exists(dir / "outside"));
  EXPECT_TRUE(fs::exists(dir / "root/.hidden"));
  EXPECT_TRUE(fs::exists(dir / "root/keep/inner"));
  EXPECT_TRUE(fileSystem().privateDeletePath(CommonDirectory::UserAppSupport, "keep"));
  EXPECT_FALSE(fs::exists(dir / "root/keep"));
}

// Copies, moves and replacements leave nothing hidden behind; a failed one changes nothing.
TEST(FileSystemTest, CopyMoveReplaceAndDelete) {
  qmtest::TempDir dir;
  qmtest::writeFile(dir / "a", "new");
  qmtest::writeFile(dir / "b", "old content");
  fs::create_directory(dir / "folder");
  EXPECT_TRUE(fileSystem().privateCopyFile((dir / "a").c_str(), (dir / "b").c_str()));
  EXPECT_EQ(qmtest::readFile(dir / "b"), "new");
  EXPECT_TRUE(fileSystem().privateCopyFile((dir / "a").c_str(), (dir / "folder").c_str()));
  EXPECT_EQ(qmtest::readFile(dir / "folder/a"), "new");
  EXPECT_FALSE(fileSystem().privateCopyFile((dir / "missing").c_str(), (dir / "c").c_str()));
  qmtest::writeFile(dir / "b", "replaced");
  EXPECT_TRUE(fileSystem().privateMoveFile((dir / "b").c_str(), (dir / "a").c_str()));
  EXPECT_EQ(qmtest::readFile(dir / "a"), "replaced");
  EXPECT_FALSE(fileSystem().privateReplaceFile((dir / "a").c_str(), (dir / "missing").c_str()));
  EXPECT_FALSE(fileSystem().privateReplaceFile(nullptr, (dir / "a").c_str()));
  EXPECT_EQ(qmtest::readFile(dir / "a"), "replaced");
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
    names.insert(fs::relative(entry.path(), dir.path()).string());
  EXPECT_EQ(names, (std::set<std::string>{"a", "folder", "folder/a"}));

  // A path's folders are made (a parent that is a file is left alone); a read-only file is deleted too.
  fileSystem().privateEnsurePath((dir / "x/y/file.txt").c_str());
  EXPECT_TRUE(fileSystem().privateIsDirectory((dir / "x/y").c_str()));
  EXPECT_FALSE(fs::exists(dir / "x/y/file.txt"));
  fileSystem().privateEnsurePath((dir.str() + "/c\\d\\").c_str());
  EXPECT_TRUE(fs::is_directory(dir / "c/d"));
  fileSystem().privateEnsurePath((dir / "a/sub/x").c_str());
  EXPECT_EQ(qmtest::readFile(dir / "a"), "replaced");
  EXPECT_TRUE(fileSystem().privateSetReadOnly((dir / "a").c_str(), true));
  struct stat st;
  ASSERT_EQ(stat((dir / "a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  EXPECT_FALSE(fileSystem().privateSetReadOnly((dir / "missing").c_str(), true));
  {
    FileDeleter deleter((dir / "a").c_str());
    deleter.reset((dir / "folder/a").c_str());
    EXPECT_FALSE(fs::exists(dir / "a"));
    EXPECT_TRUE(fs::exists(dir / "folder/a"));
  }
  EXPECT_FALSE(fs::exists(dir / "folder/a"));
  EXPECT_TRUE(fileSystem().privateDeleteFile((dir / "x").c_str()));
  EXPECT_FALSE(fs::exists(dir / "x"));
  EXPECT_FALSE(fileSystem().privateDeleteFile((dir / "x").c_str()));
  EXPECT_FALSE(fileSystem().privateDeleteFile(nullptr));
}

// Only the temporary files of saves that can no longer finish go: the current form when its process has
// ended, the older form without a process id when no writer holds it and it has not changed for an hour;
// nothing else, and nothing in sub-folders. A save that another process has under way keeps its file and
// completes.
TEST(FileSystemTest, LeftoverTempFilesOfEndedSavesAreRemoved) {
  qmtest::TempDir dir;
  qmtest::writeFile(dir / "config", "old");
  const pid_t killed = fork(); // a save that ends half-way
  if (killed == 0) {
    AtomicFileSaver::save((dir / "config").c_str(), [](OutputStream& out) {
      out << "half";
      _exit(0);
    });
    _exit(1);
  }
  waitpid(killed, nullptr, 0);
  std::string gone; // its temporary file
  for (auto const& entry : fs::directory_iterator(dir.path()))
    if (entry.path().filename() != "config") gone = entry.path().filename().string();
  ASSERT_FALSE(gone.empty());
  const std::string hex(24, 'a'), uuid = "0F1E2D3C-4B5A-4697-8877-665544332211";
  const struct {
    std::string name;
    bool stale; // unchanged for two hours
    bool kept;
  } cases[] = {
      {gone, false, false},
      {".recent.tmp-" + uuid, true, false},
      {".config.tmp-" + std::to_string(getpid()) + "-" + hex, true, true}, // this process may be saving
      {".current.tmp-" + uuid, false, true},
      {".held.tmp-" + uuid, true, true}, // a writer holds it
      {gone.substr(1), true, true},
      {gone + "a", true, true},
      {"sub/" + gone, true, true},
  };
  for (const auto& c : cases) {
    fs::create_directories((dir / c.name).parent_path());
    qmtest::writeFile(dir / c.name, "x");
    if (c.stale) fs::last_write_time(dir / c.name, fs::file_time_type::clock::now() - std::chrono::hours(2));
  }
  qmtest::Child saver([&](qmtest::Child& self) {
    const FileWriter holder((dir / (".held.tmp-" + uuid)).c_str(), FileWriter::Append);
    const bool saved = AtomicFileSaver::save((dir / "config").c_str(), [&](OutputStream& out) {
      out << "new";
      self.signalAndWait();
    });
    return saved ? 0 : 1;
  });
  ASSERT_TRUE(saver.waitForChild());
  EXPECT_EQ(FileSystem::removeLeftoverTempFiles(dir.str().c_str()), 2u);
  for (const auto& c : cases)
    EXPECT_EQ(fs::exists(dir / c.name), c.kept) << c.name;
  saver.resume();
  EXPECT_EQ(saver.wait(), 0);
  EXPECT_EQ(qmtest::readFile(dir / "config"), "new");
}

// Detached workers may use the file system while the process exits, so it is never destroyed: an exit
// handler registered before its first use runs after every static object has gone, and still finds it.
TEST(FileSystemTest, OutlivesTheExitOfTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit([] {
          qmtest::scrubFreedMemory();
          std::_Exit(FileSystem::instance().folderName() == Text("OrvaneSoftware") ? 0 : 1);
        });
        fileSystem().setFolderName("OrvaneSoftware");
        std::exit(2);
      },
      testing::ExitedWithCode(0), "");
}
