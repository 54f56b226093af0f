// The new, edit and manage word-list dialogs, offscreen, driven by clicks.
#include "control/managewordlistscontroller.h"
#include "desktop-ui/editwordlistdialog.h"
#include "desktop-ui/managewordlistsdialog.h"
#include "desktop-ui/newwordlistdialog.h"
#include "support/fakeapplicationdelegate.h"
#include "support/qtchild.h"
#include "support/tempdir.h"
#include "views/managewordlistsdelegate.h"
#include "wordlists/wordlistmanager.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using qmtest::child;

// What a user does with a pop-up: choose an entry.
void choose(QComboBox* combo, int entry) {
  combo->setCurrentIndex(entry);
  emit combo->activated(entry);
}

} // namespace

TEST(NewWordListDialogTest, EachSourceAndRefusedNames) {
  const std::vector<std::string> names = {"[Known]", "Words"};
  NewWordListDialogData defaults;
  defaults.existing = 1;
  const struct {
    const char* what;
    const char* name;
    std::function<void(QDialog&)> act;
    NewWordListDialogData expected;
    int result;
  } cases[] = {
      {"empty", "  #1 Mine ", [](QDialog&) {},
       [&] {
         auto d = defaults;
         d.name = "#1 Mine"; // as the list file keeps it
         return d;
       }(),
       QDialog::Accepted},
      {"copy", "Copy", [](QDialog& w) { choose(child<QComboBox>(w, "existingPopup"), 0); },
       [&] {
         auto d = defaults;
         d.name = "Copy", d.source = 1, d.existing = 0;
         return d;
       }(),
       QDialog::Accepted},
      {"HSK with no level ticked", "HSK",
       [](QDialog& w) {
         for (int i = 1; i <= 6; ++i)
           child<QCheckBox>(w, ("hsk" + std::to_string(i) + "Check").c_str())->click();
       },
       [&] {
         auto d = defaults;
         d.name = "HSK", d.source = 2, d.hsk = {};
         return d;
       }(),
       QDialog::Accepted},
      {"TOCFL", "TOCFL", [](QDialog& w) { child<QCheckBox>(w, "tocfl2Check")->click(); },
       [&] {
         auto d = defaults;
         d.name = "TOCFL", d.source = 3, d.tocfl = {true, false, true, true, true};
         return d;
       }(),
       QDialog::Accepted},
      // Refused: the dialog stays open with the notice and the data stays as it was.
      {"blank", " \t ", [](QDialog&) {}, defaults, -1},

      {"cancel", "Cancelled", [](QDialog& w) { child<QRadioButton>(w, "hskRadio")->click(); }, defaults,
       QDialog::Rejected},
      {"closed", "Closed", [](QDialog&) {}, defaults, QDialog::Rejected},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.what);
    NewWordListDialogData data = defaults;
    NewWordListDialog dialog(nullptr, &data, names);
    dialog.setResult(-1);
    dialog.show();
    EXPECT_EQ(child<QComboBox>(dialog, "existingPopup")->currentText(), "Words");
    EXPECT_TRUE(child<QRadioButton>(dialog, "emptyRadio")->isChecked());
    child<QLineEdit>(dialog, "nameField")->setText(QString::fromUtf8(c.name));
    c.act(dialog);
    if (std::string(c.what) == "closed")
      dialog.close();
    else
      child<QPushButton>(dialog, c.result == QDialog::Rejected ? "cancelButton" : "createButton")->click();
    EXPECT_EQ(dialog.result(), c.result);
    EXPECT_EQ(data, c.expected);
    EXPECT_EQ(dialog.isVisible(), c.result == -1);
    EXPECT_EQ(child<QLabel>(dialog, "missingName")->isVisible(), c.result == -1);
  }
}

TEST(EditWordListDialogTest, UpdateRefusesABlankName) {
  EditWordListDialogData data{"Words", false};
  EditWordListDialog dialog(nullptr, &data);
  dialog.show();
  auto* name = child<QLineEdit>(dialog, "nameField");
  EXPECT_EQ(name->text(), "Words");
  name->setText("   ");
  child<QCheckBox>(dialog, "readOnlyCheck")->click();
  child<QPushButton>(dialog, "updateButton")->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(child<QLabel>(dialog, "missingName")->isVisible());
  EXPECT_EQ(data, (EditWordListDialogData{"Words", false}));
  child<QPushButton>(dialog, "cancelButton")->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(data, (EditWordListDialogData{"Words", false}));

  EditWordListDialog again(nullptr, &data);
  again.show();
  child<QLineEdit>(again, "nameField")->setText(" Renamed ");
  child<QCheckBox>(again, "readOnlyCheck")->click();
  child<QPushButton>(again, "updateButton")->click();
  EXPECT_EQ(again.result(), QDialog::Accepted);
  EXPECT_EQ(data, (EditWordListDialogData{"Renamed", true}));
}

namespace {

// A delegate with lists by hand; a null name is a list the dialog cannot show.
struct Lists : ManageWordListsDelegate {
  std::vector<const char*> names;
  unsigned long current = 0;
  std::vector<std::string> words;
  std::vector<std::string> calls;
  void onChangeWordList(ManageWordListsView&, unsigned long index) override {
    calls.push_back("change " + std::to_string(index));
  }
  void onNewWordList(ManageWordListsView&) override { calls.push_back("new"); }
  void onEditWordList(ManageWordListsView&) override { calls.push_back("edit"); }
  void onClearWordList(ManageWordListsView&) override { calls.push_back("clear"); }
  void onDeleteWordList(ManageWordListsView&) override { calls.push_back("delete"); }
  unsigned long currentWordList(ManageWordListsView const&) const override { return current; }
  unsigned long totalWordLists(ManageWordListsView const&) const override { return names.size(); }
  const char* wordListName(ManageWordListsView const&, unsigned long i) const override {
    return i < names.size() ? names[i] : nullptr;
  }
  unsigned long totalWords(ManageWordListsView const&) const override { return words.size(); }
  Span word(ManageWordListsView const&, unsigned long row) const override {
    return row < words.size() ? Span(words[row]) : Span();
  }
};

} // namespace

TEST(ManageWordListsDialogTest, EntriesCarryTheirListIndex) {
  Lists lists;
  lists.names = {"A", nullptr, "C", "D"};
  lists.current = 2;
  lists.words = {"一"};
  ManageWordListsDialog dialog(nullptr);
  dialog.show();
  auto* popup = child<QComboBox>(dialog, "wordListPopup");
  auto* remove = child<QPushButton>(dialog, "deleteButton");
  for (const char* button : {"newButton", "deleteButton"})
    child<QPushButton>(dialog, button)->click(); // nothing bound: nothing happens
  dialog.setDelegate(&lists);
  ASSERT_EQ(popup->count(), 3);
  EXPECT_EQ(popup->currentText(), "C");
  EXPECT_TRUE(remove->isEnabled());
  choose(popup, 2); // "D", the list at index 3 although it is the third entry
  for (const char* button : {"newButton", "editButton", "clearButton", "deleteButton"})
    child<QPushButton>(dialog, button)->click();
  EXPECT_EQ(lists.calls, (std::vector<std::string>{"change 3", "new", "edit", "clear", "delete"}));
  EXPECT_EQ(child<QGroupBox>(dialog, "previewBox")->title(), "Preview");

  lists.names = {"A"};
  lists.current = 0;
  lists.words.assign(1234, "字");
  lists.words[1233] = "尾";
  dialog.populateWordLists();
  dialog.updatePreview();
  EXPECT_FALSE(remove->isEnabled());
  EXPECT_EQ(child<QGroupBox>(dialog, "previewBox")->title(), "Preview (1234 words)");
  QAbstractItemModel* model = child<QListView>(dialog, "previewTable")->model();
  ASSERT_EQ(model->rowCount(), 1234);
  EXPECT_EQ(model->index(1233, 0).data().toString(), "尾");
  child<QPushButton>(dialog, "closeButton")->click();
  EXPECT_EQ(dialog.result(), 0);
}

// The real controller over a real folder: the nested dialogs are parented to the manage dialog and their
// answers reach the word lists.
TEST(ManageWordListsDialogTest, NestedDialogsOverTheRealController) {
  qmtest::TempDir dir;
  WordListManager manager(dir.str().c_str());
  qmtest::FakeApplicationDelegate application;
  ManageWordListsController controller(application, manager);
  ManageWordListsDialog dialog(nullptr);
  std::vector<std::function<void(QDialog&)>> answers = {
      [](QDialog& d) {
        child<QLineEdit>(d, "nameField")->setText("HSK 1");
        for (int i = 2; i <= 6; ++i) // only level 1 stays ticked
          child<QCheckBox>(d, ("hsk" + std::to_string(i) + "Check").c_str())->click();
        child<QPushButton>(d, "createButton")->click();
      },
      [](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, "nameField")->text(), "HSK 1");
        child<QLineEdit>(d, "nameField")->setText("Level one");
        child<QPushButton>(d, "updateButton")->click();
      },
  };
  size_t answered = 0;
  dialog.setDialogRunner([&](QDialog& nested) {
    EXPECT_EQ(nested.parentWidget(), &dialog);
    nested.show();
    answers.at(answered++)(nested);
    return nested.result();
  });
  dialog.setDelegate(&controller);
  dialog.show();
  child<QPushButton>(dialog, "newButton")->click();
  child<QPushButton>(dialog, "editButton")->click();
  EXPECT_EQ(answered, 2u);
  auto* popup = child<QComboBox>(dialog, "wordListPopup");
  ASSERT_EQ(popup->count(), 2);
  EXPECT_EQ(popup->currentText(), "Level one");
  EXPECT_EQ(manager.current().totalWords(), 233u);
  EXPECT_EQ(child<QGroupBox>(dialog, "previewBox")->title(), "Preview (233 words)");
  EXPECT_TRUE(child<QPushButton>(dialog, "deleteButton")->isEnabled());
  choose(popup, popup->findText("[Known]"));
  EXPECT_STREQ(manager.currentList(), "known");
  EXPECT_EQ(child<QGroupBox>(dialog, "previewBox")->title(), "Preview");
  dialog.setDelegate(nullptr);
  EXPECT_EQ(popup->count(), 0);
}
