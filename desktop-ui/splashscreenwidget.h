// The splash screen (SplashScreen): a frameless window, centred on its screen, showing the program's splash
// picture (drawn here). After its delay it closes itself and tells its delegate; when the delay ends before a
// delegate is set it waits the retry delay again, so the close always reaches one.
#pragma once

#include "views/splashscreen.h"

#include <QWidget>

#include <memory>

class SplashScreenWidget : public QWidget, public SplashScreen {
public:
  // Delays in milliseconds; the program uses 2,000 and 1,000.
  explicit SplashScreenWidget(int delayMs = 2000, int retryMs = 1000);
  ~SplashScreenWidget() override;

  void setDelegate(SplashScreenDelegate* delegate) override;
  void display() override;
  void close() override;

  // The splash picture.
  static QPixmap image();

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
