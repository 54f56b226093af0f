// The splash screen as the application drives it (desktop-ui's SplashScreenWidget): shown at start-up, it
// closes itself after its delay and tells its delegate, which then shows the main window. Main thread only.
#pragma once

class SplashScreenDelegate;

class SplashScreen {
public:
  virtual ~SplashScreen() = default;
  // Not owned. A delay that ends while none is set waits again (a second by default), so the close is
  // never lost.
  virtual void setDelegate(SplashScreenDelegate* delegate) = 0;
  // Shows the splash in front and (re)starts its delay.
  virtual void display() = 0;
  // Hides the splash, then tells the delegate when one is set.
  virtual void close() = 0;
};
