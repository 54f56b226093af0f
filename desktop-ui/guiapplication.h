// The program's QApplication. Building it also sets up what the rest of the program relies on: LC_NUMERIC
// back to "C" (Qt sets the user's locale, and stored numbers must not follow it), Number's separators from
// the user's QLocale, and QDesktopServices as the opener of Link::open. An exception that escapes an event
// handler is logged under "ERR" and the event loop goes on.
#pragma once

#include <QApplication>

class GuiApplication : public QApplication {
public:
  GuiApplication(int& argc, char** argv);
  ~GuiApplication() override;

  // Sets LC_NUMERIC to "C" and Number's separators from QLocale(); again after the default QLocale changes.
  static void adoptLocale();

  bool notify(QObject* receiver, QEvent* event) override;
};
