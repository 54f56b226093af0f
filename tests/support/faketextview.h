// A TextView for controller tests: a size set by the test, the fixed-advance line breaker, screen points
// offset by SCREEN_X, SCREEN_Y, the last popup menu's state, the redraws counted, and the scroller's place
// and range as the controller last set them.
#pragma once

#include "support/fakelinebreaker.h"
#include "views/textview.h"

namespace qmtest {

class FakeTextView : public TextView {
public:
  static constexpr double SCREEN_X = 1000;
  static constexpr double SCREEN_Y = 2000;

  TextViewDelegate* delegate = nullptr;
  FakeLineBreaker breaker;
  double width = 0;
  double height = 0;
  int dragScroll = 0;
  int redraws = 0;
  int menuState = -1; // the last popup menu's state
  uint64_t scrollPosition = 0;
  uint64_t pageSize = 0;
  uint64_t maxPosition = 0;
  double points = 18;

  // Gives the view a size and tells the delegate, as a resize does.
  void resize(double w, double h);

  void setDelegate(TextViewDelegate* d) override { delegate = d; }
  LineBreaker& lineBreaker() override { return breaker; }
  void showPopupMenu(int state, double, double) override { menuState = state; }
  int dragScrollAmount() const override { return dragScroll; }
  double viewWidth() const override { return width; }
  double viewHeight() const override { return height; }
  void toScreen(double& x, double& y) const override {
    x += SCREEN_X;
    y += SCREEN_Y;
  }
  uint64_t setScrollPosition(uint64_t offset) override { return scrollPosition = offset; }
  uint64_t updateScrollPosition(uint64_t position, uint64_t page, uint64_t max) override {
    pageSize = page;
    maxPosition = max;
    return scrollPosition = position;
  }
  void redraw() override { ++redraws; }
  void setFocus() override {}
  void setFont(FontDescription const& font) override;
  double fontSize() const override { return points; }
  // The steps and the chooser's font change points as the real view does, within the reading-font range.
  void increaseFont() override;
  void decreaseFont() override;
  void resetFont() override;
  void formatFont(FontDescription& font) override;
};

} // namespace qmtest
