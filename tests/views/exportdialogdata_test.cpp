#include "utils/memoryoutputstream.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"
#include "views/exportdialogdata.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ExportDialogData readFrom(std::string const& text, ExportDialogData data = ExportDialogData()) {
  PropertyGroup group("export-dialog");
  group.readFromUtf8Range(Utf8Range(text.data(), text.size()));
  group >> data;
  return data;
}

std::string writtenOf(ExportDialogData const& data) {
  PropertyGroup group("export-dialog");
  group << data;
  MemoryOutputStream out;
  group.writeToStream(out);
  return std::string(out.view());
}

template <class F> ExportDialogData with(F change) {
  ExportDialogData d;
  change(d);
  return d;
}

} // namespace

TEST(ExportDialogDataTest, StoredFormsAndTheLegacyVersion) {
  EXPECT_EQ(readFrom(""), ExportDialogData());
  const struct {
    const char* stored;
    ExportDialogData data;
  } cases[] = {
      {".version = 2\nwordList = known\nfilter = none", with([](auto& d) { d.filter = 1; })},
      {".version = 2\nwordList = ALL", with([](auto& d) { d.filter = 0; })},
      {".version = 2\nwordList = other", ExportDialogData()}, // the filter stays as it was
      {"filter = looked-up", with([](auto& d) { d.lookedUp = true; })},
      {"filter = Include", with([](auto& d) { d.filter = 1; })},
      {"filter = nonsense", with([](auto& d) { d.filter = 0; })},
      {"sortBy = WORDLENGTHDESCENDING\nrowOrder = nonsense", with([](auto& d) {
         d.sortBy = WordStatisticsSort::LengthDescending, d.rowOrder = WordStatisticsSort::Type(0);
       })},
      {"exportType = WordList\nexportFormat = other", with([](auto& d) { d.exportType = 1; })},
      {"postWord = [ ]", ExportDialogData()},
      {"postWord = [", with([](auto& d) { d.postWord = "["; })},
      {"preWord = [#x ]", with([](auto& d) { d.preWord = "#x "; })},
      {"selectedFields = 3, 0 ,12", with([](auto& d) {
         d.selectedFields = {3, 0, 12};
       })},
      // Only field numbers, each once; a number too long for any type is dropped, never wrapped into one.
      {"selectedFields = 16 17 -1 3 3 4294967298 99999999999999999999999 00", with([](auto& d) {
         d.selectedFields = {16, 1, 3, 0};
       })},
      {"firstRow = 5\nlastRow = 20\nuseHeader = true\nmarkAsKnown = true\nheader = [h]", with([](auto& d) {
         d.firstRow = 5, d.lastRow = 20, d.useHeader = d.markAsKnown = true, d.header = "h";
       })},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.stored);
    const ExportDialogData read = readFrom(c.stored);
    EXPECT_EQ(read, c.data);
    EXPECT_EQ(readFrom(writtenOf(read)), read); // what is written reads back
  }
  // Reading always starts from the group, and clears the looked-up flag first.
  EXPECT_EQ(readFrom("filter = include", with([](auto& d) { d.lookedUp = true, d.filter = 2; })).lookedUp,
            false);
}

// Out-of-range numbers are written as the first valid word, and only valid fields are written.
TEST(ExportDialogDataTest, WritesOnlyWhatReadsBack) {
  const ExportDialogData odd = with([](auto& d) {
    d.filter = 7, d.sortBy = WordStatisticsSort::Type(40), d.exportType = 9,
    d.selectedFields = {5, 99, 5, -3, 2};
  });
  const std::string written = writtenOf(odd);
  for (const char* line : {"filter = none\n", "sortBy = frequencyAscending\n", "exportType = document\n",
                           "selectedFields = 5 2\n"})
    EXPECT_NE(written.find(line), std::string::npos) << line;

  // Texts keep at most what the file gives back: 509 bytes between the brackets, cut at a character.
  std::string chinese;
  while (chinese.size() < 600)
    chinese += "字";
  const ExportDialogData longTexts =
      with([&](auto& d) { d.header = chinese.c_str(), d.preWord = (" " + chinese).c_str(); });
  PropertyFile file;
  *file.group("export-dialog") << longTexts;
  MemoryOutputStream out;
  file.writeToStream(out);
  PropertyFile back{Utf8Range(out.view().data(), out.view().size())};
  ExportDialogData read;
  *back.group("export-dialog") >> read;
  EXPECT_EQ(std::string(read.header.view()), chinese.substr(0, 507)); // 169 whole characters
  EXPECT_EQ(std::string(read.preWord.view()), " " + chinese.substr(0, 507));
  EXPECT_EQ(ExportDialogData::limitText(Span(chinese)).length(), 507u);
}
