// A splash screen that records its delegate and whether it is shown; close() tells the delegate as the real
// one does when its delay ends.
#pragma once

#include "views/splashscreen.h"
#include "views/splashscreendelegate.h"

namespace qmtest {

class FakeSplashScreen : public SplashScreen {
public:
  SplashScreenDelegate* delegate = nullptr;
  int displayed = 0;

  void setDelegate(SplashScreenDelegate* d) override { delegate = d; }
  void display() override { ++displayed; }
  void close() override {
    if (delegate) delegate->splashScreenClosed(*this);
  }
};

} // namespace qmtest
