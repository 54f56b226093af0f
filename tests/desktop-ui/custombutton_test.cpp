#include "desktop-ui/custombutton.h"

#include <QCursor>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {
void move(QWidget& w, QPoint at, Qt::MouseButtons buttons) {
  QMouseEvent e(QEvent::MouseMove, at, w.mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}
} // namespace

TEST(CustomButtonTest, AReleaseClicksOnlyInsideAndTheStateFollowsTheMouse) {
  QCursor::setPos(0, 0);
  CustomButton button;
  button.setGeometry(100, 100, 20, 20);
  button.show();
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  const QPoint inside(10, 10), outside(60, 10);

  QEnterEvent enter(inside, inside, button.mapToGlobal(inside));
  QApplication::sendEvent(&button, &enter);
  EXPECT_EQ(button.state(), CustomButton::Hover);
  QTest::mousePress(&button, Qt::LeftButton, {}, inside);
  EXPECT_EQ(button.state(), CustomButton::Pressed);
  move(button, outside, Qt::LeftButton);
  EXPECT_EQ(button.state(), CustomButton::Resting);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, outside);
  EXPECT_EQ(clicks.count(), 0); // released outside

  QTest::mousePress(&button, Qt::LeftButton, {}, inside);
  move(button, outside, Qt::LeftButton);
  move(button, inside, Qt::LeftButton);
  EXPECT_EQ(button.state(), CustomButton::Pressed);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, inside);
  EXPECT_EQ(clicks.count(), 1); // dragged back in before the release
  EXPECT_EQ(button.state(), CustomButton::Hover);

  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
  EXPECT_EQ(button.state(), CustomButton::Resting);
}
