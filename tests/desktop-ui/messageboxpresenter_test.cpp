#include "desktop-ui/messageboxpresenter.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Opens the box for message without a modal loop, answers it as a user would, and returns the answer.
int answered(MessageBox const& message, std::function<void(QMessageBox&)> const& user) {
  const std::unique_ptr<QMessageBox> box = MessageBoxPresenter::build(message);
  box->open();
  user(*box);
  EXPECT_FALSE(box->isVisible());
  return MessageBoxPresenter::answer(*box);
}

void press(QMessageBox& box, QMessageBox::StandardButton button) {
  QTest::mouseClick(box.button(button), Qt::LeftButton);
}

TEST(MessageBoxPresenterTest, OnlyYesConsents) {
  MessageBox question(0, MessageBox::Question);
  question.setMessage("%s", "Unsaved documents.");
  MessageBox ok(0, MessageBox::Ok);
  const auto escape = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); };
  const auto close = [](QMessageBox& box) { box.close(); };
  const auto enter = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); };
  EXPECT_EQ(answered(question, [](QMessageBox& box) { press(box, QMessageBox::No); }), MessageBox::No);
  EXPECT_EQ(answered(question, escape), MessageBox::No);
  EXPECT_EQ(answered(question, close), MessageBox::No);
  EXPECT_EQ(answered(question, [](QMessageBox& box) { press(box, QMessageBox::Yes); }), MessageBox::Yes);
  EXPECT_EQ(answered(question, enter), MessageBox::Yes);
  EXPECT_EQ(answered(ok, escape), MessageBox::OkPressed);
  EXPECT_EQ(answered(ok, [](QMessageBox& box) { press(box, QMessageBox::Ok); }), MessageBox::OkPressed);
}

TEST(MessageBoxPresenterTest, TextsArePlain) {
  MessageBox message(0, MessageBox::Ok);
  message.setMessage("%s", "<b>file</b>.txt");
  message.setInformation("%s", "<i>why</i>\n\nnext");
  const std::unique_ptr<QMessageBox> box = MessageBoxPresenter::build(message);
  EXPECT_EQ(box->text(), "<b>file</b>.txt");
  EXPECT_EQ(box->informativeText(), "<i>why</i>\n\nnext");
  for (QLabel const* label : box->findChildren<QLabel*>())
    EXPECT_TRUE(label->text().isEmpty() || label->textFormat() == Qt::PlainText)
        << label->text().toStdString();
}

} // namespace
