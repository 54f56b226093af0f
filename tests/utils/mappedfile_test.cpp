#include "utils/filemapping.h"
#include "utils/mappedfile.h"
#include "utils/platform/posix/filewriter.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(MappedFileTest, MapsTheWholeFile) {
  qmtest::TempDir dir;
  const std::string content = "\xEF\xBB\xBFhello\n\xE4\xB8\xAD";
  qmtest::writeFile(dir / "f", content);
  MappedFile<unsigned char> file((dir.str() + "/f").c_str());
  EXPECT_EQ(file.size(), content.size());
  EXPECT_EQ(std::string(file.range().data, file.range().length), content);
  EXPECT_EQ(file.data()[0], 0xEF);
  // Mapped files hold a shared lock: no writer of ours can truncate them under the mapping.
  EXPECT_THROW(FileWriter((dir.str() + "/f").c_str(), 0), FileWriter::open_error);
}

TEST(FileMappingTest, MapsPageAlignedRanges) {
  qmtest::TempDir dir;
  const size_t page = FileMapping::granularity();
  std::string content(page * 2 + 100, 0);
  for (size_t i = 0; i < content.size(); ++i)
    content[i] = char(i * 7);
  qmtest::writeFile(dir / "f", content);
  FileMapping mapping((dir.str() + "/f").c_str());
  EXPECT_EQ(mapping.fileSize(), content.size());
  void* tail = mapping.map(page, 0);
  ASSERT_NE(tail, nullptr);
  EXPECT_EQ(std::memcmp(tail, content.data() + page, page + 100), 0);
  mapping.unmap(tail, page + 100);
  EXPECT_EQ(mapping.map(1, 10), nullptr);        // not at a page boundary
  EXPECT_EQ(mapping.map(page * 4, 10), nullptr); // past the end
}
