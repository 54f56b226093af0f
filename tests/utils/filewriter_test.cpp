#include "utils/platform/posix/file.h"
#include "utils/platform/posix/filehandle.h"
#include "utils/platform/posix/filewriter.h"

#include "support/childprocess.h"
#include "support/logcapture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

TEST(FileWriterTest, SecondWriterFailsAndLeavesTheFirstOnesData) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/held";
  FileWriter first(path.c_str(), 0);
  first << "first writer's data";
  for (int flags : {0, int(FileWriter::Append), int(FileWriter::ReadWrite)}) {
    SCOPED_TRACE(flags);
    EXPECT_THROW(FileWriter(path.c_str(), flags), FileWriter::open_error);
  }
  // A reader taking its shared lock fails at once too.
  EXPECT_THROW(FileHandle(path.c_str()), FileHandle::open_error);
  EXPECT_EQ(qmtest::readFile(path), "first writer's data");
  EXPECT_TRUE(first.close());
  FileHandle reader(path.c_str());
  EXPECT_EQ(reader.size(), 19u);
}

TEST(FileWriterTest, WriteErrorsAreSticky) {
  FileWriter full("/dev/full", 0);
  EXPECT_FALSE(full.failed());
  EXPECT_EQ(full.write("abc", 3), 0u);
  EXPECT_TRUE(full.failed());
  EXPECT_EQ(full.error(), ENOSPC);
  EXPECT_EQ(full.write("d", 1), 0u);
  EXPECT_FALSE(full.flush());
  EXPECT_FALSE(full.close());
  EXPECT_EQ(full.write("e", 1), 0u);
}

// A pipe without a reader fails at once instead of holding the writer until one comes; with a reader, the
// writes reach it as through any blocking descriptor.
TEST(FileWriterTest, APipeWithoutAReaderFailsAtOnce) {
  qmtest::TempDir dir;
  const std::string pipe = dir.str() + "/pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  qmtest::expectInChild([&] {
    std::string problems;
    for (int flags : {0, int(FileWriter::Append)}) {
      try {
        FileWriter writer(pipe.c_str(), flags);
        problems += "opened without a reader\n";
      } catch (FileWriter::open_error const&) {
      }
    }
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    FileWriter writer(pipe.c_str(), FileWriter::Append);
    writer << "to the reader";
    char got[32] = "";
    if (!writer.close() || ::read(reader, got, sizeof got) != 13 ||
        std::strncmp(got, "to the reader", 13) != 0)
      problems += "the reader got nothing\n";
    ::close(reader);
    return problems;
  });
}

TEST(FileTest, ReadLineInPieces) {
  qmtest::TempDir dir;
  const std::string line(100, 'x');
  qmtest::writeFile(dir / "f", line + "\nend");
  File file((dir.str() + "/f").c_str());
  char buffer[80];
  ASSERT_TRUE(file.readLine(buffer, sizeof buffer));
  EXPECT_EQ(std::strlen(buffer), 79u);
  ASSERT_TRUE(file.readLine(buffer, sizeof buffer));
  EXPECT_EQ(std::string(buffer), std::string(21, 'x') + "\n");
  ASSERT_TRUE(file.readLine(buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "end");
  EXPECT_FALSE(file.readLine(buffer, sizeof buffer));
  EXPECT_TRUE(file.eof());
  EXPECT_THROW(File((dir.str() + "/missing").c_str()), File::open_error);
}
