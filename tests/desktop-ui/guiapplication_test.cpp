#include "desktop-ui/guiapplication.h"
#include "support/linksink.h"
#include "support/logcapture.h"
#include "support/testlocale.h"
#include "utils/link.h"
#include "utils/number.h"

#include <QEvent>
#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

class Thrower : public QObject {
public:
  int handled = 0;
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    ++handled;
    throw std::runtime_error("from an event handler");
  }
};

} // namespace

// Qt sets the user's locale; stored numbers must still be written with a decimal point, while the numbers the
// views show take the user's separators.
TEST(GuiApplicationTest, NumbersStayInTheCLocaleAndNumberFollowsQLocale) {
  const qmtest::GermanLocale german;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  GuiApplication::adoptLocale();
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", 1.5);
  EXPECT_STREQ(text, "1.5");
  EXPECT_STREQ(Number(1234.5, 1).text(), "1.234,5");
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  GuiApplication::adoptLocale();
  EXPECT_STREQ(Number(1234.5, 1).text(), "1,234.5");
}

TEST(GuiApplicationTest, AnExceptionInAnEventHandlerIsLogged) {
  qmtest::LogCapture log;
  Thrower receiver;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&receiver, &event));
  EXPECT_FALSE(QCoreApplication::sendEvent(&receiver, &event));
  EXPECT_EQ(receiver.handled, 2);
  EXPECT_NE(log.all().find("Exception in event handler: from an event handler"), std::string::npos);
}

TEST(GuiApplicationTest, LinksGoToTheDesktopAsGiven) {
  qmtest::LinkSink::take();
  Link::open("https://example.org/search?q=%E4%B8%AD%20x&t=%25");
  Link::open("mailto:someone@example.org?subject=a%20b");
  EXPECT_EQ(qmtest::LinkSink::take(),
            (std::vector<std::string>{"https://example.org/search?q=%E4%B8%AD%20x&t=%25",
                                      "mailto:someone@example.org?subject=a%20b"}));
}
