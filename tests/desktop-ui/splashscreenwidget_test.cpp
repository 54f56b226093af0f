// The splash screen's own timing, with short delays.
#include "desktop-ui/splashscreenwidget.h"

#include "support/qtspin.h"
#include "views/splashscreendelegate.h"

#include <QPixmap>

#include <gtest/gtest.h>

namespace {

struct Delegate : SplashScreenDelegate {
  int closed = 0;
  SplashScreen* splash = nullptr;
  void splashScreenClosed(SplashScreen& s) override {
    ++closed;
    splash = &s;
  }
};

} // namespace

TEST(SplashScreenWidgetTest, ClosesAfterItsDelayAndWaitsUntilADelegateHearsIt) {
  {
    Delegate delegate;
    SplashScreenWidget splash(150, 1000);
    splash.setDelegate(&delegate);
    splash.display();
    EXPECT_TRUE(splash.isVisible());
    ASSERT_TRUE(qmtest::spinUntil([&] { return delegate.closed > 0; }));
    EXPECT_EQ(delegate.splash, &splash);
    EXPECT_FALSE(splash.isVisible());
    qmtest::spinFor(200);
    EXPECT_EQ(delegate.closed, 1); // once
  }
  {
    // The delay ends before the delegate is set: the splash stays and tries again each retry delay.
    Delegate delegate;
    SplashScreenWidget splash(30, 60);
    splash.display();
    qmtest::spinFor(250);
    EXPECT_TRUE(splash.isVisible());
    splash.setDelegate(&delegate);
    ASSERT_TRUE(qmtest::spinUntil([&] { return delegate.closed > 0; }));
    EXPECT_FALSE(splash.isVisible());
  }
  const QPixmap picture = SplashScreenWidget::image();
  EXPECT_FALSE(picture.isNull());
}
