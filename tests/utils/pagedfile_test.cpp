#include "utils/pagedfile.h"
#include "utils/platform/posix/filehandle.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>

namespace {

std::string pattern(size_t size) {
  std::string s(size, 0);
  for (size_t i = 0; i < size; ++i)
    s[i] = char('!' + (i * 31 + i / 4096) % 90);
  return s;
}

class PagedFileTest : public ::testing::Test {
protected:
  void open(size_t size) {
    content = pattern(size);
    path = dir.str() + "/doc";
    qmtest::writeFile(path, content);
    file = std::make_unique<PagedFile>(path.c_str());
  }
  std::string readAt(size_t offset, size_t count) {
    std::string out(count, '\x7F');
    out.resize(file->read(out.data(), offset, count));
    return out;
  }
  qmtest::TempDir dir;
  std::string path, content;
  std::unique_ptr<PagedFile> file;
};

} // namespace

TEST_F(PagedFileTest, RandomReadsEqualTheFile) {
  open(200000);
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    const size_t offset = random() % (content.size() + 10);
    const size_t count = random() % (i % 10 == 0 ? 30000 : 300);
    const std::string expected = offset < content.size() ? content.substr(offset, count) : "";
    ASSERT_EQ(readAt(offset, count), expected) << "offset " << offset << " count " << count;
  }
}

TEST_F(PagedFileTest, SurvivesTruncationByAnotherProgram) {
  open(100000);
  EXPECT_EQ(readAt(0, 100), content.substr(0, 100));
  ASSERT_EQ(truncate(path.c_str(), 10000), 0); // advisory locks do not stop other programs
  EXPECT_EQ(readAt(50000, 1000), "");
  EXPECT_EQ(file->totalBytes(), 10000u);
  EXPECT_EQ(readAt(9000, 4000), content.substr(9000, 1000));
  EXPECT_EQ(file->totalBytes(), 10000u);
  EXPECT_EQ(readAt(20000, 10), "");
  ASSERT_EQ(truncate(path.c_str(), 0), 0);
  EXPECT_EQ(readAt(70000, 10), "");
}

// Rewritten in place by another program (same file, new content): the next reads give the new content,
// whatever its size, not the window read before.
TEST_F(PagedFileTest, RewrittenInPlaceReadsTheNewContent) {
  const size_t sizes[] = {100, 30000, 30000, 5, 0, 9000};
  open(20000);
  ASSERT_EQ(readAt(0, 20000), content);
  for (size_t i = 0; i < std::size(sizes); ++i) {
    SCOPED_TRACE(i);
    const auto before = std::filesystem::last_write_time(path);
    content = std::string(sizes[i], char('a' + i)); // differs from the last content at every byte
    qmtest::writeFile(path, content);
    // Same size within the clock's coarse tick: make the change visible as a real edit a moment later would.
    std::filesystem::last_write_time(path, before + std::chrono::seconds(1));
    EXPECT_EQ(readAt(0, 40000), content);
    EXPECT_EQ(file->totalBytes(), sizes[i]);
  }
}
