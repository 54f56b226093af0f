#include "utils/coremappedfile.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/filehandle.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"

#include "support/logcapture.h"
#include "support/resourcelimits.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string written(PropertyFile const& file) {
  MemoryOutputStream out;
  file.writeToStream(out);
  return std::string(out.view());
}

size_t count(std::string const& text, std::string const& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

size_t entries(fs::path const& folder) {
  size_t n = 0;
  for (auto it = fs::directory_iterator(folder); it != fs::directory_iterator(); ++it)
    ++n;
  return n;
}

} // namespace

// Each text is parsed and written back; the layout shows every group, key and value that was read.
TEST(PropertyFileTest, Grammar) {
  const std::string v600(600, 'k');
  const std::string zhong = "\xE4\xB8\xAD";
  const std::string cutValue = std::string(509, 'v') + zhong; // the 511th byte is inside the character
  const struct {
    std::string text, layout;
    size_t warnings;
  } cases[] = {
      {"a=1\n[g]\n    b = two words  # more\n", "    a = 1\n\n[g]\n    b = two words  # more\n\n", 0},
      {"x = #abcdef\n", "    x = \n\n", 0},
      {"x = [1]\r\ny=z\rw = = v", "    w = v\n    x = [1]\n    y = z\n\n", 0},
      {"a = 1\n= [g]\nb = 2\n", "    a = 1\n\n[g]\n    b = 2\n\n", 0},
      {"key\n= word\nk = v  \n\t# only a comment\n\n", "    k = v\n    key = \n    word = \n\n", 0},
      {"[ name ]\nk = v\n", "[name ]\n    k = v\n\n", 0},
      {"[g]\na = 1\n[]\nb = 2\n[  ]\nc = 3\n", "    b = 2\n    c = 3\n\n[g]\n    a = 1\n\n", 0},
      {"a = 1\n[last]", "    a = 1\n\n", 0},
      {"[abc\n\nk = v\n# c\n[g] ignored\nx = 1\n", "[g]\n    x = 1\n\n", 3},
      {"[abc\nk = v\n  ] back\nx = 1\n", "    x = 1\n\n", 2},
      {"[g]\na = 1\n[h]\nb = 2\n[g]\nc = 3\n", "[g]\n    a = 1\n    c = 3\n\n[h]\n    b = 2\n\n", 0},
      {"a = 1\na = 2\n", "    a = 2\n\n", 0},
      {"a 1\n\rb 2\r\n\tc\t3\t\r", "    a = 1\n    b = 2\n    c = 3\n\n", 0}, // LF CR: two line ends
      {"\xEF\xBB\xBF.version = 3\n", "    .version = 3\n\n", 0},
      {"k\xE4\xB8\xAD = \xE4\xB8\xAD\xE6\x96\x87\n", "    k\xE4\xB8\xAD = \xE4\xB8\xAD\xE6\x96\x87\n\n", 0},
      {v600 + " = 1\n", "    " + v600.substr(0, 511) + " = 1\n\n", 0},
      {"k = " + cutValue + "\n", "    k = " + std::string(509, 'v') + "\n\n", 0},
      {"", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    qmtest::LogCapture log({"Warn"});
    PropertyFile file(Utf8Range(c.text.data(), c.text.size()));
    EXPECT_EQ(written(file), c.layout);
    EXPECT_EQ(count(log.all(), "Invalid line parsing"), c.warnings);
  }
}

// Values with line breaks and keys or names that cannot be read back must not add keys on the next read.
TEST(PropertyFileTest, WritingNeverInjectsKeys) {
  qmtest::LogCapture log({"WARN"});
  PropertyFile file;
  PropertyGroup* top = file.group(nullptr);
  top->setValue("path", "a\nadmin = true\r\n[evil]\rk = v");
  top->setValue("bad key", "1");
  top->setValue("k=v", "1");
  top->setValue("#k", "1");
  top->setValue("[k", "1");
  top->setValue("", "1");
  top->setValue(std::string(512, 'x').c_str(), "1");
  file.group("evil]\nadmin = true")->setValue("a", "1");
  file.group(" lead")->setValue("a", "1");
  file.group("ok")->setValue("a", "1");
  file.group("only")->setValue("bad key", "1"); // nothing else to write in its group
  const std::string text = written(file);
  PropertyFile again(Utf8Range(text.data(), text.size()));
  EXPECT_EQ(written(again), "    path = a admin = true  [evil] k = v\n\n[ok]\n    a = 1\n\n");
  EXPECT_EQ(again.group(nullptr)->valueAsString("admin", "absent"), std::string("absent"));
  EXPECT_EQ(count(log.all(), "cannot be stored"), 9u);
}

// Written to a file (its folder created), the properties read back as they were; a null path writes to the
// name last read, and a later file read into the same properties overrides the earlier one's values. Empty
// and missing files are errors for the reader to handle.
TEST(PropertyFileTest, FilesRoundTripAndMerge) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/data/config";
  PropertyFile file;
  file.group(nullptr)->setValue(".version", 2);
  file.group("general")->setValue("font.size", 14.5, 1);
  file.group("export")->setValue("separator", "[\t]");
  EXPECT_TRUE(file.writeToFile(path.c_str()));
  PropertyFile read(path.c_str());
  EXPECT_EQ(written(read), written(file));
  read.group(nullptr)->setValue(".version", 3);
  EXPECT_TRUE(read.writeToFile(nullptr));
  EXPECT_EQ(PropertyFile(path.c_str()).group(nullptr)->valueAsInt(".version", 0), 3);
  EXPECT_EQ(entries(dir / "data"), 1u);

  qmtest::writeFile(dir / "user", "b = 2\n[general]\ny = 2\n");
  read.readFromFile((dir.str() + "/user").c_str());
  EXPECT_EQ(written(read), "    .version = 3\n    b = 2\n\n[export]\n    separator = [\t]\n\n[general]\n"
                           "    font.size = 14.5\n    y = 2\n\n");
  PropertyFile empty;
  EXPECT_TRUE(empty.writeToFile((dir.str() + "/empty").c_str()));
  EXPECT_THROW(empty.readFromFile((dir.str() + "/empty").c_str()), CoreMappedFile::mapping_error);
  EXPECT_THROW(empty.readFromFile((dir.str() + "/missing").c_str()), FileHandle::open_error);
}

TEST(PropertyFileTest, FailedSaveKeepsTheOldFile) {
  qmtest::TempDir dir;
  qmtest::LogCapture log({"ERR"});
  const std::string path = dir.str() + "/config";
  qmtest::writeFile(path, "    old = 1\n\n");
  qmtest::writeFile(dir / "file", "x");
  PropertyFile file;
  file.group(nullptr)->setValue("new", 1);
  EXPECT_FALSE(file.writeToFile((dir.str() + "/file/config").c_str())); // a parent that is a file
  fs::create_directory(dir / "folder"); // a target that cannot be replaced by a file
  EXPECT_FALSE(file.writeToFile((dir.str() + "/folder").c_str()));
  EXPECT_EQ(qmtest::readFile(path), "    old = 1\n\n");
  EXPECT_EQ(qmtest::readFile(dir / "file"), "x");
  EXPECT_EQ(entries(dir.path()), 3u);
  EXPECT_TRUE(fs::is_empty(dir / "folder"));

  // Text parsed from memory has no file: a null path writes nothing, not even a file named after it.
  PropertyFile memory(Utf8Range("a = 1\n", 6));
  const fs::path cwd = fs::current_path();
  fs::current_path(dir.path());
  EXPECT_FALSE(memory.writeToFile(nullptr));
  fs::current_path(cwd);
  EXPECT_EQ(entries(dir.path()), 3u);

  // A disk that fills up half-way.
  EXPECT_EQ(qmtest::withFileSizeLimit(
                4096,
                [&] {
                  PropertyFile big;
                  big.group(nullptr)->setValue("big", std::string(400, 'v').c_str());
                  for (int i = 0; i < 100; ++i)
                    big.group(std::to_string(i).c_str())->setValue("k", std::string(100, 'v').c_str());
                  return big.writeToFile(path.c_str());
                }),
            false)
      << "the failed write was reported as success";
  EXPECT_EQ(qmtest::readFile(path), "    old = 1\n\n");
  EXPECT_EQ(entries(dir.path()), 3u);
}

TEST(PropertyFileTest, WrittenFormIsStable) {
  qmtest::LogCapture log({"WARN"});
  const std::string texts[] = {
      std::string("\0k = 1\n[g]\n\0x = 2\nb\0c = 3\n", 26),
      std::string("[g]\n\0 = 1\n[h]\ny = 2\n", 20),
      "a = #x\n[ g ]\n=k v\n[g]\n",
      "k = " + std::string(510, 'v') + " w\n", // cut after 511 bytes, at a blank
      std::string("k = a \0b\n", 9),
  };
  for (auto const& text : texts) {
    SCOPED_TRACE(text);
    const PropertyFile once(Utf8Range(text.data(), text.size()));
    const std::string first = written(once);
    const PropertyFile twice(Utf8Range(first.data(), first.size()));
    EXPECT_EQ(written(twice), first);
    EXPECT_EQ(once.group(nullptr)->valueAsString("", "absent"), std::string("absent"));
  }
  EXPECT_EQ(written(PropertyFile(Utf8Range(texts[0].data(), texts[0].size()))), "[g]\n    b = 3\n\n");
}
