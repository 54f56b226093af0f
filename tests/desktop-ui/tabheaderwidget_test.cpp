#include "desktop-ui/tabheaderwidget.h"

#include "desktop-ui/closebutton.h"
#include "views/tabheader.h"
#include "views/tabheaderdelegate.h"
#include "views/tabitem.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// An owner that selects what is clicked when `follow` is set, as the application controller does.
struct Owner : TabHeaderDelegate {
  std::vector<std::string> calls;
  bool follow = true;
  void tabChanged(TabHeader const& header, TabItem const& item) override {
    calls.push_back("changed " + std::string(item.title.view()));
    if (follow) const_cast<TabHeader&>(header).select(item.data);
  }
  void tabClose(TabHeader const&, TabItem const& item) override {
    calls.push_back("close " + std::string(item.title.view()));
  }
};

// WCAG's contrast ratio of two colours, 1 (the same) to 21 (black on white).
double contrast(QColor const& a, QColor const& b) {
  const auto luminance = [](QColor const& c) {
    const auto linear = [](double v) {
      return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class TabHeaderWidgetTest : public ::testing::Test {
protected:
  TabHeaderWidgetTest() {
    for (size_t i = 0; i < std::size(items); ++i) {
      items[i].title = ("Document " + std::to_string(i)).c_str();
      items[i].data = &items[i];
    }
    header.setDelegate(&owner);
  }
  void addAll() {
    for (TabItem& item : items)
      header.addItem(&item);
  }
  // A press at x on the strip, delivered to whatever lies there.
  void clickAt(int x) {
    QWidget* hit = strip.childAt(x, 10);
    ASSERT_NE(hit, nullptr) << x;
    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&strip, QPoint(x, 10)));
  }
  std::vector<int> lefts() const {
    std::vector<int> out;
    for (int i = 0; i < strip.visibleTabs(); ++i)
      out.push_back(strip.tab(i)->geometry().left());
    return out;
  }
  QString activeTitle() const {
    for (int i = 0; i < strip.visibleTabs(); ++i)
      if (strip.tab(i)->isActive()) return strip.tab(i)->title();
    return "(none)";
  }

  Owner owner;
  TabItem items[5];
  TabHeader header;
  TabHeaderWidget strip{header};
};

} // namespace

TEST_F(TabHeaderWidgetTest, ShowsTheWholeTabsThatFitAndWidensThemToTheStrip) {
  strip.resize(400, 24);
  strip.show();
  EXPECT_EQ(strip.visibleTabs(), 0);
  EXPECT_EQ(strip.sizeHint().height(), 20); // no tabs
  addAll();
  const struct {
    int width, visible, tabWidth;
  } cases[] = {{400, 5, 80}, {1000, 5, 150}, {200, 4, 50}, {30, 1, 50}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.width);
    strip.resize(c.width, 24);
    ASSERT_EQ(strip.visibleTabs(), c.visible);
    for (int i = 0; i < c.visible; ++i) {
      EXPECT_EQ(strip.tab(i)->geometry(), QRect(i * c.tabWidth, 0, c.tabWidth, 24));
      EXPECT_EQ(strip.tab(i)->title(), QString("Document %1").arg(i));
    }
    EXPECT_LE(strip.tab(c.visible - 1)->geometry().right(), std::max(c.width, c.tabWidth) - 1); // whole tabs
  }
}

TEST_F(TabHeaderWidgetTest, ClicksReachTheOwnerWhoSelects) {
  addAll();
  strip.resize(400, 24); // five tabs of 80
  strip.show();
  EXPECT_EQ(activeTitle(), "Document 0");
  clickAt(2 * 80 + 20);
  EXPECT_EQ(activeTitle(), "Document 2");
  owner.follow = false; // an owner that declines: the strip changes nothing by itself
  clickAt(4 * 80 + 5);
  EXPECT_EQ(activeTitle(), "Document 2");
  // The close button, 11 points wide, 10 points inside the tab's right edge.
  clickAt(3 * 80 + 80 - 10 - 5);
  EXPECT_EQ(owner.calls,
            (std::vector<std::string>{"changed Document 2", "changed Document 4", "close Document 3"}));
  EXPECT_EQ(header.numberOfTabs(), 5u); // the item stays until the owner removes it
  EXPECT_NE(strip.tab(0)->closeButton(), nullptr);

  // A removal lays the strip out again and keeps the active tab (the selection rules are the header's).
  header.removeItem(&items[0]);
  EXPECT_EQ(activeTitle(), "Document 2");
  EXPECT_EQ(lefts(), (std::vector<int>{0, 100, 200, 300}));
  clickAt(20);
  EXPECT_EQ(owner.calls.back(), "changed Document 1");
}

// The current document's tab must stand out at a glance on a light and on a dark desktop, its title
// readable on it.
TEST_F(TabHeaderWidgetTest, TheCurrentTabStandsOutOnLightAndDarkDesktops) {
  addAll();
  strip.resize(400, 24); // five tabs of 80
  strip.show();
  header.select(&items[1]);
  const QPalette light = strip.palette();
  QPalette dark = light;
  dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::WindowText, Qt::white);
  dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
  for (auto const& [name, palette] : {std::pair{"light", light}, std::pair{"dark", dark}}) {
    SCOPED_TRACE(name);
    strip.setPalette(palette); // as the desktop's palette reaches it while the program runs
    const QImage shot = strip.grab().toImage();
    const QColor current = shot.pixelColor(80 + 3, 3), other = shot.pixelColor(3, 3); // beside the titles
    EXPECT_GE(contrast(current, other), 1.3)
        << current.name().toStdString() << " against " << other.name().toStdString();
    EXPECT_GE(contrast(current, palette.color(QPalette::WindowText)), 4.5) << current.name().toStdString();
  }
}
