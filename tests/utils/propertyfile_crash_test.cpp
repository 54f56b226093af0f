// Crash consistency: a child saves a property file in a loop, alternating two contents, and is killed at a
// random moment. Whatever the moment, the target holds one of the two contents whole.
#include "utils/memoryoutputstream.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

namespace {

void fill(PropertyFile& file, int keys, const char* tag) {
  for (int i = 0; i < keys; ++i)
    file.group(i % 2 ? "even" : nullptr)
        ->setValue(("key" + std::to_string(i)).c_str(), (tag + std::string(40, 'x')).c_str());
}

std::string layout(PropertyFile const& file) {
  MemoryOutputStream out;
  file.writeToStream(out);
  return std::string(out.view());
}

} // namespace

TEST(PropertyFileCrashTest, KilledSaveLeavesOldOrNewContent) {
  qmtest::TempDir dir;
  const std::string target = dir.str() + "/config";
  PropertyFile oldFile, newFile;
  fill(oldFile, 1500, "old");
  fill(newFile, 4000, "new");
  const std::string oldText = layout(oldFile), newText = layout(newFile);
  ASSERT_TRUE(oldFile.writeToFile(target.c_str()));
  std::mt19937 random(12345);
  for (int run = 0; run < 25; ++run) {
    SCOPED_TRACE(run);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i)
        (i % 2 ? oldFile : newFile).writeToFile(target.c_str());
    }
    usleep(useconds_t(random() % 20000));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const std::string now = qmtest::readFile(target);
    EXPECT_TRUE(now == oldText || now == newText) << "target holds " << now.size() << " other bytes";
  }
}
