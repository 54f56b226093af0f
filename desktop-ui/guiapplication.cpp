#include "desktop-ui/guiapplication.h"

#include "utils/exception.h"
#include "utils/link.h"
#include "utils/log.h"
#include "utils/number.h"

#include <QDesktopServices>
#include <QLocale>
#include <QUrl>

#include <clocale>
#include <exception>

namespace {

bool openWithDesktop(const char* link) {
  return QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray(link)));
}

} // namespace

GuiApplication::GuiApplication(int& argc, char** argv) : QApplication(argc, argv) {
  adoptLocale();
  Link::setOpener(&openWithDesktop);
}

GuiApplication::~GuiApplication() {
  Link::setOpener(nullptr);
}

void GuiApplication::adoptLocale() {
  std::setlocale(LC_NUMERIC, "C");
  const QLocale locale;
  Number::Locale separators;
  separators.groupSeparator = locale.groupSeparator().toUtf8().constData();
  separators.decimalSeparator = locale.decimalPoint().toUtf8().constData();
  Number::setLocale(separators);
}

bool GuiApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error in event handler: ", e);
  } catch (std::exception const& e) {
    Log::print("ERR", "Exception in event handler: %s\n", e.what());
  }
  return false;
}
