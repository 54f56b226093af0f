// The export commands end to end: the export dialog's model (answered by the test) hands its settings to the
// controller, which writes the current document's words to a file, the clipboard or an e-mail link.
#include "control/applicationcontroller.h"

#include "documents/document.h"
#include "export/exportfield.h"
#include "support/controllerfixture.h"
#include "support/resourcelimits.h"
#include "views/clipboard.h"
#include "views/exportadapter.h"
#include "views/mainwindowdelegate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

class ApplicationControllerExportTest : public qmtest::ControllerFixture {
protected:
  ApplicationControllerExportTest() {
    start();
    document = open("text.txt", "中国，中国，中国。人民，人民。我们\n");
    words.exportType = ExportDialogData::WordList;
    words.filter = ExportDialogData::None;
    words.selectedFields = {ExportField::Word, ExportField::Frequency};
  }
  // Runs the export command for destination, the dialog exporting data (to path, for a file).
  void run(ExportDestination::Type destination, ExportDialogData const& data, std::string const& path = "") {
    gui.exportDialog = [&](ExportAdapter& adapter) {
      adapter.data() = data;
      adapter.exportTo(path.empty() ? nullptr : path.c_str());
    };
    if (destination == ExportDestination::File) window().onFileExportToFile(gui.window);
    if (destination == ExportDestination::Clipboard) window().onFileExportToClipboard(gui.window);
    if (destination == ExportDestination::Email) window().onFileExportToEmail(gui.window);
  }
  std::string exported(ExportDialogData const& data) {
    run(ExportDestination::Clipboard, data);
    return std::string(Clipboard().text().view());
  }

  Document* document = nullptr;
  ExportDialogData words;
};

} // namespace

TEST_F(ApplicationControllerExportTest, RowsAreChosenBySortAndOrderedByRowOrder) {
  const struct {
    int32_t firstRow, lastRow;
    WordStatisticsSort::Type rowOrder;
    std::string text;
  } cases[] = {
      {0, -1, WordStatisticsSort::FrequencyAscending,
       "中国\t3\r\n人民\t2\r\n我们\t1\r\n"}, // no limit: no reorder
      {0, 2, WordStatisticsSort::FrequencyAscending, "人民\t2\r\n中国\t3\r\n"},
      {0, 100, WordStatisticsSort::FrequencyDescending, "中国\t3\r\n人民\t2\r\n我们\t1\r\n"},
      {5, 100, WordStatisticsSort::FrequencyDescending, ""}, // a first row past the end: nothing
      {2, 1, WordStatisticsSort::FrequencyDescending, ""},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::to_string(c.firstRow) + ".." + std::to_string(c.lastRow));
    ExportDialogData data = words;
    data.firstRow = c.firstRow;
    data.lastRow = c.lastRow;
    data.rowOrder = c.rowOrder;
    EXPECT_EQ(exported(data), c.text);
  }
  EXPECT_TRUE(takeBoxes().empty());
}

TEST_F(ApplicationControllerExportTest, AFileExportNeverHarmsWhatWasThere) {
  const std::string own = document->filename().c_str();
  const std::string alias = (docs / "alias.txt").string();
  fs::create_hard_link(own, alias);
  const std::string full = (docs / "full").string(); // the full disk through a link of our own
  fs::create_symlink("/dev/full", full);
  const std::string target = write(docs / "target.txt", "old content");

  for (std::string const& path : {own, alias}) {
    run(ExportDestination::File, words, path);
    EXPECT_EQ(takeBoxes(),
              Strings{"Error!|Error exporting to file:\n\n" + path + "\n\nThe file is open as a document."});
  }
  EXPECT_EQ(qmtest::readFile(own), "中国，中国，中国。人民，人民。我们\n");
  run(ExportDestination::File, words, full);
  EXPECT_EQ(takeBoxes(), Strings{"Error!|Error exporting to file:\n\n" + full}) << "and no offer to open it";
  EXPECT_TRUE(fs::is_symlink(full));

  // A disk that fills up during the export leaves the old file whole and no temporary file behind.
  const auto before = snapshot(docs);
  const auto intact = qmtest::withFileSizeLimit(16, [&] {
    run(ExportDestination::File, words, target);
    return boxes == Strings{"Error!|Error exporting to file:\n\n" + target} && snapshot(docs) == before;
  });
  EXPECT_EQ(intact, std::optional<bool>(true));

  answers = {MessageBox::No};
  run(ExportDestination::File, words, target);
  EXPECT_EQ(qmtest::readFile(target), "中国\t3\r\n人民\t2\r\n我们\t1\r\n");
  EXPECT_EQ(takeBoxes(), Strings{"Open file?|Would you like to open the exported file?"});
  EXPECT_EQ(window().totalOpenDocuments(gui.window), 1u);
  answers = {MessageBox::Yes};
  run(ExportDestination::File, words, target);
  EXPECT_EQ(window().totalOpenDocuments(gui.window), 2u);
}

// The reader is asked first, every time; No ends the command. A link that no program takes is named in a box.
TEST_F(ApplicationControllerExportTest, EmailLinksAskFirstAndCarryTheTextOrFallBackToTheClipboard) {
  const std::string question = "No default e-mail application!|Unable to find a default e-mail application."
                               "\n\nWould you like to continue anyway?";
  const std::string tooLarge = "Email too large.|Email too large for mailto: link.\n\nThe contents have been "
                               "copied to the clipboard.\n";
  const std::string subject = "&subject=Quillmere%20-%20Wordlist%20Export";
  const std::string shortLink = "mailto:?to=&body=%E4%B8%AD%E5%9B%BD%093%0D%0A%E4%BA%BA%E6%B0%91%092%0D%0A%"
                                "E6%88%91%E4%BB%AC%091%0D%0A" +
                                subject;
  const std::string subjectOnly = "mailto:?to=" + subject;
  ExportDialogData document; // too long for a link
  document.exportType = ExportDialogData::Document;
  document.preWord = Text("<word>");
  const struct {
    const char* name;
    int answer;
    bool accepted;
    ExportDialogData const& data;
    Strings boxes, links;
    std::string clipboard; // how it starts; empty: nothing was copied
  } cases[] = {
      {"short", MessageBox::Yes, true, words, {question}, {shortLink}, ""},
      {"declined", MessageBox::No, true, words, {question}, {}, ""},
      {"too long", MessageBox::Yes, true, document, {question, tooLarge}, {subjectOnly}, "<word>中国"},
      {"no mail program",
       MessageBox::Yes,
       false,
       words,
       {question, "Unable to open link|No program could open the link:\n\n" + shortLink},
       {shortLink},
       ""},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    Clipboard().setText(Span(""));
    links().clear();
    linksAccepted() = c.accepted;
    answers = {c.answer};
    run(ExportDestination::Email, c.data);
    EXPECT_EQ(takeBoxes(), c.boxes);
    EXPECT_EQ(links(), c.links);
    const std::string text(Clipboard().text().view());
    EXPECT_EQ(c.clipboard.empty() ? text : text.substr(0, c.clipboard.size()), c.clipboard);
    EXPECT_EQ(text.find('\0'), std::string::npos) << "no terminating NUL";
  }
}
