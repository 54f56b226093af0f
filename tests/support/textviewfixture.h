// The desktop's text view with its controller over the word fixture's engine, shown offscreen in the
// reading font, and a document opened in it: for the text view's widget and paging tests.
#pragma once

#include "desktop-ui/textviewwidget.h"
#include "documents/documentstate.h"
#include "documents/documentstatistics.h"
#include "documents/textdocument.h"
#include "support/fakeapplicationdelegate.h"
#include "support/tempdir.h"
#include "support/wordfixture.h"
#include "views/fontdescription.h"
#include "views/layout.h"
#include "views/textviewcontroller.h"
#include "views/textviewdelegate.h"
#include "wordlists/wordlistmanager.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qmtest {

class TextViewFixture : public ::testing::Test {
protected:
  void SetUp() override {
    controller.setDelegate(&application);
    controller.setFont(FontDescription{"Noto Serif CJK SC", 18});
    widget.resize(600, 300);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
  }

  void open(std::string const& text) {
    writeFile(fixture.dir / "doc.txt", text);
    document = std::make_unique<TextDocument>((fixture.dir / "doc.txt").c_str());
    statistics = fixture.statistics(text);
    controller.setDocument(statistics.get(), document.get(), nullptr);
    QApplication::processEvents();
  }
  Layout& layout() { return delegate().layout(); }
  TextViewDelegate& delegate() { return *widget.delegate(); }
  // The scroll position, as the document's state keeps it.
  uint64_t position() {
    DocumentState state;
    controller.selection(state);
    return state.position;
  }

  WordFixture fixture;
  TempDir root;
  WordListManager lists{root.str().c_str()};
  TextViewWidget widget;
  TextViewController controller{widget, lists, fixture.engine};
  FakeApplicationDelegate application;
  std::unique_ptr<TextDocument> document;
  std::unique_ptr<DocumentStatistics> statistics;
};

} // namespace qmtest
