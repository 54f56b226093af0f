// The recording fakes that view and controller tests stand on: each records what its interface was told.
#include "support/fakeapplicationdelegate.h"
#include "support/fakeexportdialogdelegate.h"
#include "support/fakemainwindowdelegate.h"
#include "text/wordstatistics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Calls = std::vector<std::string>;

TEST(DelegateFakesTest, RecordThroughTheirInterfaces) {
  qmtest::FakeApplicationDelegate application;
  ApplicationDelegate& a = application;
  WordStatistics china{}, person{};
  china.word = Span("中国");
  person.word = Span("人");
  a.onlineLookup(Span("中国"), 2);
  a.markAsKnown(std::vector<WordStatistics*>{&china, &person});
  a.showDefinition(Span("人"), 10.5, -3);
  a.paste(true);
  EXPECT_EQ(application.calls, (Calls{"onlineLookup 中国 2", "markAsKnown 中国,人",
                                      "showDefinition 人 10.5,-3", "paste append"}));

  qmtest::FakeMainWindowDelegate mainWindow;
  MainWindowDelegate& m = mainWindow;
  alignas(8) char windowBytes[8] = {}; // the window is only passed on by reference
  MainWindow& window = reinterpret_cast<MainWindow&>(windowBytes);
  m.onOpenFiles(window, {"/a.txt", "/b.txt"});
  m.onColourSchemeChanged(window, ColourScheme::Dark);
  m.onSelectAll(window);
  mainWindow.selection = true;
  EXPECT_TRUE(m.hasSelection(window)); // queries answer from the fields and record nothing
  EXPECT_EQ(&m.recentFiles(window), &mainWindow.recent);
  EXPECT_EQ(&m.wordListManager(window), &m.wordListManager(window));
  EXPECT_EQ(mainWindow.calls, (Calls{"onOpenFiles /a.txt /b.txt", "onColourSchemeChanged 1", "onSelectAll"}));
  EXPECT_EQ(mainWindow.window, &window);

  qmtest::FakeExportDialogDelegate exporter;
  ExportDialogDelegate& e = exporter;
  e.onExport(reinterpret_cast<ExportDialogData const&>(windowBytes), ExportDestination::Clipboard, nullptr);
  EXPECT_EQ(exporter.calls, (Calls{"onExport 1 (null)"}));
}
