// Hears that the splash screen has closed (the application, which then shows the main window). Main thread
// only.
#pragma once

class SplashScreen;

class SplashScreenDelegate {
public:
  virtual ~SplashScreenDelegate() = default;
  virtual void splashScreenClosed(SplashScreen& splash) = 0;
};
