#include "documents/linereader.h"
#include "support/tempdir.h"
#include "text/wordlistfile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// The user's files may be truncated by another program while they are read: no crash (a mapping would
// fault), and the text is the file as it was read.
TEST(LineReaderTest, FileTruncatedWhileReadIsNoCrash) {
  qmtest::TempDir dir;
  const auto path = dir / "lines";
  const std::string text(1 << 20, 'x');
  qmtest::writeFile(path, text);
  EXPECT_EXIT(
      {
        size_t seen = 0;
        LineReader::readFile(path.c_str(), [&](Utf8Range const& read) {
          std::filesystem::resize_file(path, 0);
          for (size_t i = 0; i < read.length; ++i)
            seen += read.data[i] == 'x';
        });
        qmtest::writeFile(path, text);
        const WordListFile words(path.c_str());
        std::filesystem::resize_file(path, 0);
        for (size_t i = 0; i < words.range().length; ++i)
          seen += words.range().data[i] == 'x';
        std::_Exit(seen == 2 * text.size() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
