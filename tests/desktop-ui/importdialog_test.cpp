// The import dialog, offscreen: the main thread's queue is drained by hand, as the pump would.
#include "desktop-ui/importdialog.h"

#include "support/qtchild.h"
#include "support/recode.h"
#include "support/tempdir.h"
#include "utils/messagecenter.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using qmtest::child;

void drainFor(int milliseconds) {
  for (int i = 0; i < milliseconds / 5; ++i) {
    MessageCenter::instance().processMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Drains until Import is enabled (the latest choice read whole), for at most ten seconds.
bool settled(ImportDialog& dialog) {
  auto* import = child<QPushButton>(dialog, "importButton");
  for (int i = 0; i < 2000 && !import->isEnabled(); ++i)
    drainFor(5);
  return import->isEnabled();
}

std::vector<std::string> preview(ImportDialog& dialog) {
  QAbstractItemModel* model = child<QListView>(dialog, "previewTable")->model();
  std::vector<std::string> out;
  for (int row = 0; row < model->rowCount(); ++row)
    out.push_back(model->index(row, 0).data().toString().toStdString());
  return out;
}

void chooseLevel(ImportDialog& dialog, const char* combo, const char* title) {
  auto* levels = child<QComboBox>(dialog, combo);
  levels->setCurrentIndex(levels->findText(QString::fromUtf8(title)));
  emit levels->activated(levels->currentIndex());
}

const std::string SAMPLE = "中国\n人民\n我们\n学习\n汉语\n朋友\n老师\n学生\n今天\n明天\n时候\n工作\n"
                           "医生\n电话\n东西\n天气\n喜欢\n认识\n觉得\n知道\n";

class ImportDialogTest : public ::testing::Test {
protected:
  void TearDown() override { drainFor(50); }
  // A file that takes a while to read: about a million lines.
  size_t writeBigFile() {
    std::string big;
    size_t lines = 0;
    for (; big.size() < (8 << 20); ++lines)
      big += "词" + std::to_string(lines) + "\n";
    qmtest::writeFile(dir / "big.txt", big);
    return lines;
  }
  qmtest::TempDir dir;
};

} // namespace

TEST_F(ImportDialogTest, PreviewsShowOnlyWhatIsReadWhole) {
  qmtest::writeFile(dir / "crlf.txt", "中国 zhōngguó China\r\n人民\tpeople\r\n");
  qmtest::writeFile(dir / "gb.txt", qmtest::recode(SAMPLE, "UTF-8", "GB18030"));
  ImportDialog dialog(nullptr, [&](QWidget*) { return QString::fromStdString((dir / "crlf.txt").string()); });
  dialog.show();
  auto* import = child<QPushButton>(dialog, "importButton");
  auto* box = child<QGroupBox>(dialog, "previewBox");
  auto* field = child<QLineEdit>(dialog, "fileLocation");

  child<QPushButton>(dialog, "browseButton")->click();
  ASSERT_TRUE(settled(dialog));
  EXPECT_EQ(preview(dialog), (std::vector<std::string>{"中国", "人民"}));
  EXPECT_EQ(box->title(), "Preview - total 2 words");

  field->clear();
  QTest::keyClicks(field, QString::fromStdString((dir / "gb.txt").string())); // grows a key at a time
  EXPECT_FALSE(import->isEnabled());
  EXPECT_TRUE(preview(dialog).empty()); // nothing before the conversion has come back
  EXPECT_EQ(box->title(), "Preview");
  ASSERT_TRUE(settled(dialog));
  EXPECT_EQ(preview(dialog).size(), 20u);
  field->setText(field->text() + "x");
  emit field->textEdited(field->text());
  EXPECT_TRUE(preview(dialog).empty()); // names no file
  EXPECT_FALSE(import->isEnabled());

  // A large file shows its words as they come, but Import waits for the last of them.
  const size_t lines = writeBigFile();
  field->setText(QString::fromStdString((dir / "big.txt").string()));
  emit field->textEdited(field->text());
  QAbstractItemModel* model = child<QListView>(dialog, "previewTable")->model();
  bool partial = false;
  for (int i = 0; i < 20000 && !import->isEnabled(); ++i) {
    MessageCenter::instance().processMessages();
    const size_t shown = size_t(model->rowCount());
    if (!partial && shown > 0 && shown < lines) {
      partial = true;
      dialog.accept(); // Return, say, before the last word: nothing happens
      EXPECT_TRUE(dialog.isVisible());
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  EXPECT_TRUE(partial); // else the file was read too fast to show this
  EXPECT_EQ(size_t(model->rowCount()), lines);
}

TEST_F(ImportDialogTest, LevelsAndAChoiceWhileAConversionIsPending) {
  qmtest::writeFile(dir / "gb.txt", qmtest::recode(SAMPLE, "UTF-8", "GB18030"));
  ImportDialog dialog(nullptr, nullptr);
  dialog.show();
  chooseLevel(dialog, "hskLevelCombo", "HSK Level 3");
  EXPECT_TRUE(child<QRadioButton>(dialog, "hskLevelRadio")->isChecked());
  ASSERT_TRUE(settled(dialog));
  EXPECT_EQ(preview(dialog).size(), 233u + 217u + 487u); // levels 1, 2 and 3 together

  auto* field = child<QLineEdit>(dialog, "fileLocation");
  field->setText(QString::fromStdString((dir / "gb.txt").string()));
  emit field->textEdited(field->text());
  EXPECT_TRUE(child<QRadioButton>(dialog, "fromFileRadio")->isChecked());
  chooseLevel(dialog, "hskLevelCombo", "HSK Level 1"); // while the file is being converted
  ASSERT_TRUE(settled(dialog));
  drainFor(200); // the conversion's result comes back and is ignored
  EXPECT_EQ(preview(dialog).size(), 233u);
  child<QPushButton>(dialog, "importButton")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.words().size(), 233u);
}

// Closing the dialog while a large file is read and another converted: nothing queued reaches it afterwards
// (checked by AddressSanitizer in CI).
TEST_F(ImportDialogTest, ClosedWithWorkInFlight) {
  writeBigFile();
  qmtest::writeFile(dir / "gb.txt", qmtest::recode(SAMPLE, "UTF-8", "GB18030"));
  for (const char* name : {"big.txt", "gb.txt"}) {
    auto dialog = std::make_unique<ImportDialog>(nullptr, nullptr);
    dialog->show();
    auto* field = child<QLineEdit>(*dialog, "fileLocation");
    field->setText(QString::fromStdString((dir / name).string()));
    emit field->textEdited(field->text());
    EXPECT_FALSE(child<QPushButton>(*dialog, "importButton")->isEnabled()) << name;
    dialog->accept(); // Return, say: not read whole yet, so nothing happens
    EXPECT_TRUE(dialog->isVisible()) << name;
    drainFor(10);
    dialog->close();
    dialog.reset();
    drainFor(100);
  }
}
