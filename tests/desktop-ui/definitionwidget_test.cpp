#include "desktop-ui/definitionwidget.h"

#include "support/memorydictionary.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// Each block's lines as "name:text".
std::vector<Strings> shownLines(DefinitionWidget const& popup) {
  std::vector<Strings> blocks;
  for (QWidget* block : popup.blocks()) {
    Strings lines;
    for (const char* name : {"headword", "other", "pinyin", "english"})
      if (auto* label = block->findChild<QLabel*>(name))
        lines.push_back(name + (":" + label->text().toStdString()));
    blocks.push_back(lines);
  }
  return blocks;
}

class DefinitionWidgetTest : public ::testing::Test {
protected:
  void SetUp() override {
    dictionary.add({"中国", "中國", "Zhong1 guo2", "1. China"});
    dictionary.add({"人", "人", "ren2", "1. person"});
    dictionary.add({"人", "人", "ren2", "1. people"});
    DefinitionConfig config;
    config.simplifiedFontName = "Noto Serif CJK SC";
    config.traditionalFontName = "Noto Sans CJK TC";
    config.traditionalFontSize = 30;
    popup.setConfig(config);
    popup.setDictionary(&dictionary);
  }

  qmtest::MemoryDictionary dictionary;
  DefinitionWidget popup;
};

} // namespace

TEST_F(DefinitionWidgetTest, BlocksShowTheEntriesInTheirFonts) {
  popup.setWord(Span("中國"));
  ASSERT_EQ(shownLines(popup), (std::vector<Strings>{{"headword:中國", "other:[ 中国 ]", "pinyin:Zhōng guó",
                                                      "english:1. China"}}));
  QLabel* headword = popup.blocks()[0]->findChild<QLabel*>("headword");
  QLabel* other = popup.blocks()[0]->findChild<QLabel*>("other");
  EXPECT_EQ(headword->font().pointSizeF(), 30);
  EXPECT_EQ(other->font().family(), popup.headwordFont(DefinitionConfig::Simplified).family());

  popup.setWord(Span("人"));
  EXPECT_EQ(shownLines(popup), (std::vector<Strings>{{"headword:人", "pinyin:rén", "english:1. person"},
                                                     {"english:1. people"}}));
  popup.setWord(Span("猫"));
  EXPECT_EQ(shownLines(popup), (std::vector<Strings>{{"english:No definition."}}));
}

TEST_F(DefinitionWidgetTest, ThePopupStaysOnTheScreenOfTheWord) {
  const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
  popup.setWord(Span("中国"));
  const struct {
    const char* name;
    QPoint asked;
    QPoint topLeft; // -1: where the edge rule puts it
  } cases[] = {
      {"inside", visible.topLeft() + QPoint(40, 50), visible.topLeft() + QPoint(40, 50)},
      {"past the right and bottom edges", visible.bottomRight() - QPoint(10, 10), QPoint(-1, -1)},
      {"above the top", QPoint(visible.left() + 40, visible.top() - 100),
       QPoint(visible.left() + 40, visible.top() + 30)},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    popup.show(c.asked.x(), c.asked.y());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
    const QRect frame = popup.geometry();
    if (c.topLeft.x() >= 0) {
      EXPECT_EQ(frame.topLeft(), c.topLeft);
    } else {
      EXPECT_EQ(frame.right() + 1, visible.right() + 1 - 30);
      EXPECT_EQ(frame.bottom() + 1, visible.bottom() + 1 - 30);
    }
    QTest::keyClick(&popup, Qt::Key_Escape);
    EXPECT_FALSE(popup.isVisible());
  }
  popup.show(visible.left() + 40.0, visible.top() + 50.0);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
  QTest::keyClick(&popup, Qt::Key_D); // "d" closes it as it opened it
  EXPECT_FALSE(popup.isVisible());
}
