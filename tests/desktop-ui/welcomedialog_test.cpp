// The welcome window of a first run, offscreen: Import runs the import dialog (answered here) and hands its
// words on; a cancelled import leaves the welcome open; Close or the window's close button ends it and
// brings the main window to the front.
#include "desktop-ui/welcomedialog.h"

#include "support/qtchild.h"
#include "support/qtspin.h"
#include "utils/messagecenter.h"

#include <QComboBox>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

using qmtest::child;

// Chooses the HSK words up to level 1 and presses Import once they are read.
int importLevelOne(QDialog& dialog) {
  auto* levels = child<QComboBox>(dialog, "hskLevelCombo");
  levels->setCurrentIndex(levels->findText("HSK Level 1"));
  emit levels->activated(levels->currentIndex());
  auto* import = child<QPushButton>(dialog, "importButton");
  EXPECT_TRUE(qmtest::spinUntil([&] {
    MessageCenter::instance().processMessages();
    return import->isEnabled();
  }));
  import->click();
  return dialog.result();
}

} // namespace

TEST(WelcomeDialogTest, ImportHandsTheWordsOnAndEndingBringsTheMainWindowBack) {
  QMainWindow main;
  main.show();
  std::vector<size_t> imported;
  WelcomeDialog welcome(&main, nullptr,
                        [&](std::vector<Span> const& words) { imported.push_back(words.size()); });
  bool accept = false;
  QWidget* parent = nullptr;
  welcome.setDialogRunner([&](QDialog& dialog) {
    parent = dialog.parentWidget();
    return accept ? importLevelOne(dialog) : int(QDialog::Rejected);
  });

  for (auto close : {+[](WelcomeDialog& w) { child<QPushButton>(w, "closeButton")->click(); },
                     +[](WelcomeDialog& w) { w.close(); }}) {
    welcome.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&welcome));
    imported.clear();
    accept = false;
    child<QPushButton>(welcome, "importButton")->click(); // cancelled
    EXPECT_EQ(parent, &welcome);
    EXPECT_TRUE(imported.empty());
    EXPECT_TRUE(welcome.isVisible());
    accept = true;
    child<QPushButton>(welcome, "importButton")->click();
    EXPECT_EQ(imported, std::vector<size_t>{233});
    EXPECT_TRUE(welcome.isVisible());
    EXPECT_TRUE(qmtest::spinUntil([&] { return welcome.isActiveWindow(); }));

    close(welcome);
    EXPECT_FALSE(welcome.isVisible());
    EXPECT_EQ(welcome.result(), 0);
    EXPECT_TRUE(qmtest::spinUntil([&] { return main.isActiveWindow(); }));
  }
}
