// The export dialog, offscreen, over real statistics of a small document and a real word-list folder.
#include "desktop-ui/exportdialog.h"

#include "documents/documentprocessor.h"
#include "documents/documentstatistics.h"
#include "support/fakeexportdialogdelegate.h"
#include "support/qtchild.h"
#include "support/tempdir.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "wordlists/wordlistmanager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qmtest::child;

std::vector<std::string> rowsOf(QListWidget* table) {
  std::vector<std::string> out;
  for (int i = 0; i < table->count(); ++i)
    out.push_back(table->item(i)->text().toStdString());
  return out;
}

class ExportDialogTest : public ::testing::Test {
protected:
  ExportDialogTest() : master(10, nullptr, true), engine(SegmentEngine::ChineseOnly, master) {
    for (const char* w : {"中国", "人民", "我们"})
      master.add(Span(w));
    qmtest::writeFile(dir / "doc.txt", "中国人民\n我们中国\n");
    DocumentProcessor((dir / "doc.txt").c_str(), master, statistics).beginProcessing(false);
    lists.current().add(Span("中国"));
    lookedUp.add(Span("人民"));
  }
  std::unique_ptr<ExportDialog> dialog(ExportDialogData const& data, ExportDestination::Type destination,
                                       QString const& chosen = "") {
    auto d = std::make_unique<ExportDialog>(nullptr, lists, statistics, lookedUp, data,
                                            [=, this](QWidget* parent) {
                                              EXPECT_NE(parent, nullptr);
                                              ++chooserRuns;
                                              return chosen;
                                            });
    d->begin(delegate, destination);
    d->setResult(-1);
    d->show();
    return d;
  }

  qmtest::TempDir dir;
  WordHash master;
  ProficiencyLevelHash levels;
  SegmentEngine engine;
  DocumentStatistics statistics{levels, engine};
  WordListManager lists{dir.str().c_str()};
  WordHash lookedUp{8};
  qmtest::FakeExportDialogDelegate delegate;
  int chooserRuns = 0;
};

} // namespace

TEST_F(ExportDialogTest, ControlsShowTheSettingsAndCountRows) {
  ExportDialogData data;
  data.exportType = ExportDialogData::WordList;
  data.lookedUp = true;
  data.lastRow = 5;
  data.selectedFields = {3, 0, 12};
  data.useHeader = true;
  data.header = "# words";
  data.sortBy = WordStatisticsSort::WordAscending;
  auto d = dialog(data, ExportDestination::Clipboard);
  EXPECT_EQ(child<QTabWidget>(*d, "pageTab")->currentIndex(), 1);
  EXPECT_EQ(child<QLineEdit>(*d, "wordPost")->text(), " ");
  auto* popup = child<QComboBox>(*d, "wordListPopup");
  EXPECT_EQ(popup->currentText(), "Looked up");
  EXPECT_EQ(child<QComboBox>(*d, "sortByPopup")->currentIndex(), int(WordStatisticsSort::WordAscending));
  EXPECT_TRUE(child<QRadioButton>(*d, "firstRadio")->isChecked());
  auto* number = child<QSpinBox>(*d, "firstTextField");
  EXPECT_EQ(number->value(), 1); // 5 rows asked for, one looked-up word in the text
  EXPECT_TRUE(child<QLineEdit>(*d, "headerTextField")->isEnabled());
  EXPECT_EQ(rowsOf(child<QListWidget>(*d, "selectedFieldsTable")),
            (std::vector<std::string>{"Simplified[Traditional]", "Word", "First Occurence"}));
  EXPECT_EQ(child<QListWidget>(*d, "availableFieldsTable")->count(), 14);

  child<QRadioButton>(*d, "allRadio")->click();
  EXPECT_FALSE(number->isEnabled());
  EXPECT_FALSE(child<QComboBox>(*d, "orderByPopup")->isEnabled());
  const struct {
    const char* entry;
    int rows;
  } counts[] = {{"All", 3}, {"Known", 1}, {"Unknown", 2}, {"Looked up", 1}};
  for (auto const& c : counts) {
    SCOPED_TRACE(c.entry);
    popup->setCurrentIndex(popup->findText(c.entry));
    emit popup->activated(popup->currentIndex());
    EXPECT_EQ(number->value(), c.rows);
  }
}

TEST_F(ExportDialogTest, FieldMovesKeepTheChoice) {
  ExportDialogData data;
  data.exportType = ExportDialogData::WordList;
  data.selectedFields = {0, 4};
  auto d = dialog(data, ExportDestination::Clipboard);
  auto* selected = child<QListWidget>(*d, "selectedFieldsTable");
  auto* available = child<QListWidget>(*d, "availableFieldsTable");
  auto* exportButton = child<QPushButton>(*d, "exportButton");
  auto click = [&](const char* name) { child<QPushButton>(*d, name)->click(); };
  auto enabled = [&](const char* name) { return child<QPushButton>(*d, name)->isEnabled(); };

  available->setCurrentRow(14); // the last: "TOCFL Level"
  click("moveRightButton");
  EXPECT_EQ(available->currentRow(), 13); // the one before, as the last row is gone
  available->setCurrentRow(0);
  click("moveRightButton");
  selected->setCurrentRow(0);
  EXPECT_FALSE(enabled("upButton"));
  click("downButton");
  selected->setCurrentRow(3);
  EXPECT_FALSE(enabled("downButton"));
  click("moveLeftButton");
  EXPECT_EQ(rowsOf(selected), (std::vector<std::string>{"Pinyin (Tones)", "Word", "TOCFL Level"}));
  EXPECT_EQ(rowsOf(available).back(), "Simplified");

  click("clearButton");
  EXPECT_EQ(selected->count(), 0);
  EXPECT_EQ(available->count(), 17);
  EXPECT_FALSE(enabled("clearButton"));
  EXPECT_FALSE(exportButton->isEnabled()); // a word list needs a column
  child<QTabWidget>(*d, "pageTab")->setCurrentIndex(0);
  EXPECT_TRUE(exportButton->isEnabled());
}

TEST_F(ExportDialogTest, OneExportPerDestination) {
  const std::string path = (dir / "out.txt").string();
  std::string chinese;
  while (chinese.size() < 600)
    chinese += "字";
  const struct {
    ExportDestination::Type destination;
    std::string call;
  } cases[] = {
      {ExportDestination::File, "onExport 0 " + path},
      {ExportDestination::Clipboard, "onExport 1 (null)"},
      {ExportDestination::Email, "onExport 2 (null)"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.call);
    delegate.calls.clear();
    chooserRuns = 0;
    auto d = dialog(ExportDialogData(), c.destination, QString::fromStdString(path));
    child<QLineEdit>(*d, "documentPre")->setText(QString::fromStdString(chinese));
    child<QCheckBox>(*d, "markExportedAsKnownCheckbox")->click();
    auto* exportButton = child<QPushButton>(*d, "exportButton");
    exportButton->click();
    exportButton->click();
    EXPECT_EQ(delegate.calls, std::vector<std::string>{c.call});
    EXPECT_EQ(chooserRuns, c.destination == ExportDestination::File ? 1 : 0);
    EXPECT_EQ(d->result(), 1);
    EXPECT_FALSE(d->isVisible());
    ASSERT_NE(delegate.lastData, nullptr);
    EXPECT_TRUE(delegate.lastData->markAsKnown);
    EXPECT_EQ(std::string(delegate.lastData->preDocument.view()),
              chinese.substr(0, 507)); // what the file keeps
  }

  // Cancel in the save chooser leaves the dialog open; the dialog's Cancel exports and stores nothing.
  delegate.calls.clear();
  auto d = dialog(ExportDialogData(), ExportDestination::File, "");
  child<QPushButton>(*d, "exportButton")->click();
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(chooserRuns, 1);
  child<QLineEdit>(*d, "documentPre")->setText("changed");
  child<QPushButton>(*d, "cancelButton")->click();
  EXPECT_EQ(d->result(), 0);
  EXPECT_TRUE(delegate.calls.empty());
}
